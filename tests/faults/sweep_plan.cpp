#include "sweep_plan.h"

#include <stdio.h>
#include <string.h>

namespace {

struct HookTraits {
    const char* name;
    FailsWith fails;
    Key key;
    std::vector<uint32_t> errors;
};

const HookTraits kTraits[] = {
#define TV_HOOK_TRAITS(library, name, fails, key, errors) {#name, fails, key, errors},
    TV_HOOKED_CALLS(TV_HOOK_TRAITS)
#undef TV_HOOK_TRAITS
};

// A moment's failure is what a virus scanner still reading a fresh file
// causes; a lasting one, a file somebody else holds on to.
const uint32_t kTransientError = kSharingViolation;
const uint32_t kLastingError = kAccessDenied;
const uint32_t kLateWriteError = kDiskFull;

// Of a stretch this long or longer, three calls are tried.
const uint32_t kLongStretch = 4;

}  // namespace

const char* HookName(uint32_t hook) { return hook < kHookCount ? kTraits[hook].name : "?"; }

uint32_t HookNamed(const std::string& name) {
    for (uint32_t i = 0; i < kHookCount; ++i)
        if (name == kTraits[i].name) return i;
    return kHookCount;
}

std::string ErrorName(uint32_t error) {
    switch (error) {
        case kAccessDenied: return "access denied";
        case kNotEnoughMemory: return "not enough memory";
        case kSharingViolation: return "sharing violation";
        case kDiskFull: return "disk full";
        default: return "error " + std::to_string(error);
    }
}

std::vector<SweepCase> SingleFaultCases(const FaultRecord& clean) {
    std::vector<SweepCase> cases;
    uint32_t perHook[kHookCount] = {};
    auto add = [&](uint32_t hook, uint32_t call) {
        const std::vector<uint32_t>& errors = kTraits[hook].errors;
        SweepCase c;
        c.plan = FaultPlan();
        c.plan.failAt = call;
        c.plan.error = errors[perHook[hook]++ % errors.size()];
        c.hook = hook;
        cases.push_back(c);
    };
    uint32_t stretches = clean.stretchCount < kMaxStretches ? clean.stretchCount : kMaxStretches;
    for (uint32_t i = 0; i < stretches; ++i) {
        const CallStretch& s = clean.stretches[i];
        if (s.hook >= kHookCount || kTraits[s.hook].fails == FailsWith::Never) continue;
        if (s.count >= kLongStretch) {
            for (uint32_t call : {s.first, s.first + 1, s.first + s.count - 1}) add(s.hook, call);
        } else {
            for (uint32_t n = 0; n < s.count; ++n) add(s.hook, s.first + n);
        }
    }
    return cases;
}

uint32_t LateWriteCall(const FaultRecord& clean) {
    uint32_t stretches = clean.stretchCount < kMaxStretches ? clean.stretchCount : kMaxStretches;
    uint32_t lastCreate = stretches;
    for (uint32_t i = 0; i < stretches; ++i)
        if (clean.stretches[i].hook == kHook_CreateFileA) lastCreate = i;
    for (uint32_t i = lastCreate; i < stretches; ++i)
        if (clean.stretches[i].hook == kHook_WriteFile) return clean.stretches[i].first;
    return 0;
}

static_assert(kHook_DeleteFileA < 32 && kHook_RemoveDirectoryA < 32, "the rollback's hooks fit the 32-bit mask");

uint32_t RollbackHooks() { return (1u << kHook_DeleteFileA) | (1u << kHook_RemoveDirectoryA); }

std::vector<SweepCase> RollbackCases(uint32_t lateWrite, uint32_t removals) {
    std::vector<SweepCase> cases;
    // A moment's failure; a lasting one, handed to the system; a lasting
    // one the system will not take either.
    enum Kind { Once, ForGood, HandOverFails };
    for (uint32_t n = 1; n <= removals; ++n) {
        for (Kind kind : {Once, ForGood, HandOverFails}) {
            SweepCase c;
            c.plan = FaultPlan();
            c.plan.failAt = lateWrite;
            c.plan.error = kLateWriteError;
            c.plan.followHooks = RollbackHooks();
            c.plan.followAt = n;
            c.plan.followForGood = kind != Once ? 1 : 0;
            c.plan.followHandOverFails = kind == HandOverFails ? 1 : 0;
            c.plan.followError = kind != Once ? kLastingError : kTransientError;
            c.hook = kHook_WriteFile;
            cases.push_back(c);
        }
    }
    return cases;
}

std::vector<SweepCase> SampleCases(const std::vector<SweepCase>& cases) {
    std::vector<SweepCase> sample;
    bool hookSeen[kHookCount] = {};
    bool rollbackSeen[3] = {};
    for (const SweepCase& c : cases) {
        bool& seen = c.plan.followAt != 0 ? rollbackSeen[c.plan.followForGood + c.plan.followHandOverFails]
                                          : hookSeen[c.hook];
        if (seen) continue;
        seen = true;
        sample.push_back(c);
    }
    return sample;
}

std::string CaseName(const SweepCase& c) {
    std::string name = (c.elevatedQuiet ? "e" : "k") + std::to_string(c.plan.failAt);
    if (c.plan.followAt != 0)
        name += "-r" + std::to_string(c.plan.followAt) +
                (c.plan.followHandOverFails ? "h" : c.plan.followForGood ? "g" : "t");
    return name;
}

std::string CaseText(const SweepCase& c) {
    std::string text = "k=" + std::to_string(c.plan.failAt) + " " + HookName(c.hook) + " (" + ErrorName(c.plan.error) + ")";
    if (c.plan.followAt != 0)
        text += ", then removal " + std::to_string(c.plan.followAt) + " of the rollback " +
                (c.plan.followForGood ? "for good" : "once") + " (" + ErrorName(c.plan.followError) + ")" +
                (c.plan.followHandOverFails ? ", and its hand-over (access denied)" : "");
    if (c.elevatedQuiet) text += ", elevated with /quiet";
    return text;
}

std::string CaseLine(const SweepCase& c) {
    char line[160];
    snprintf(line, sizeof line, "%s %u %u %u %u %u %u %u %u", HookName(c.hook), c.plan.failAt, c.plan.error,
             c.plan.followHooks, c.plan.followAt, c.plan.followForGood, c.plan.followError,
             c.plan.followHandOverFails, c.elevatedQuiet ? 1u : 0u);
    return line;
}

bool ParseCaseLine(const std::string& line, SweepCase* c) {
    char name[64];
    FaultPlan plan = FaultPlan();
    unsigned elevatedQuiet = 0;
    if (sscanf(line.c_str(), "%63s %u %u %u %u %u %u %u %u", name, &plan.failAt, &plan.error, &plan.followHooks,
               &plan.followAt, &plan.followForGood, &plan.followError, &plan.followHandOverFails,
               &elevatedQuiet) != 9)
        return false;
    c->plan = plan;
    c->hook = HookNamed(name);
    c->elevatedQuiet = elevatedQuiet != 0;
    return c->hook < kHookCount && plan.failAt != 0;
}
