// The fault sweep's driver. A clean run of the real launcher counts its
// calls; then the launcher runs once per call with that call failing (and
// once per removal of a rollback, failing once and for good), and every run
// is checked against the promise (sweep_run.h). Prints each broken case and
// ends with "fault sweep: N injected, N held, 0 broken" (exit code 0), or
// with the broken count (exit code 1).
//
// Options: those of the end-to-end driver (--launcher, --zoratrel,
// --kestavon, --payload, --tiles, --language), and
//   --dll=PATH --work=FOLDER   the fault DLL, a scratch folder for the runs
// then one of
//   (nothing)                  plan and run every case in this process
//   --sample                   plan and run the first case of every call kind
//   --plan-to=FILE [--sample]  plan: the cases, one a line, into FILE (and with
//                              --lane, run that lane's share of them)
//   --cases=FILE --lane=I/N    run every N-th case of FILE from the I-th on
//                              (1-based), outcomes into FILE.laneI
//   --cases=FILE --lanes=N     print the summary of the N lanes' outcomes
//   --case=K [--error=E] [--rollback=J[g|h]] [--elevated-quiet]
//                              run the one case K, failing with Windows error E
//                              (default 5, access denied), and with the J-th
//                              removal of its rollback failing once, for good
//                              (g), or for good with its hand-over to the
//                              system failing too (h); elevated with /quiet
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "e2e_support.h"
#include "sweep_plan.h"
#include "sweep_run.h"

namespace {

struct Options {
    std::string dll, work, planTo, cases, lane, rollback;
    int lanes = 0;
    uint32_t single = 0;
    uint32_t error = kAccessDenied;
    bool sample = false;
    bool elevatedQuiet = false;
};

bool TakeOptions(int argc, char** argv, Options* options, std::string* error) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&](const char* name, std::string* to) {
            size_t n = strlen(name);
            if (arg.compare(0, n, name) != 0) return false;
            *to = arg.substr(n);
            return true;
        };
        std::string number;
        if (value("--dll=", &options->dll) || value("--work=", &options->work) ||
            value("--plan-to=", &options->planTo) || value("--cases=", &options->cases) ||
            value("--lane=", &options->lane) || value("--rollback=", &options->rollback))
            continue;
        if (value("--lanes=", &number)) {
            options->lanes = atoi(number.c_str());
        } else if (value("--case=", &number)) {
            options->single = static_cast<uint32_t>(strtoul(number.c_str(), nullptr, 10));
        } else if (value("--error=", &number)) {
            options->error = static_cast<uint32_t>(strtoul(number.c_str(), nullptr, 10));
        } else if (arg == "--sample") {
            options->sample = true;
        } else if (arg == "--elevated-quiet") {
            options->elevatedQuiet = true;
        } else {
            *error = "unknown option " + arg;
            return false;
        }
    }
    options->dll = DosPath(options->dll);
    options->work = DosPath(options->work);
    options->planTo = DosPath(options->planTo);
    options->cases = DosPath(options->cases);
    if (options->dll.empty() || options->work.empty()) *error = "--dll and --work are needed";
    return error->empty();
}

// A case that breaks runs once more. The faults are planned call by call,
// so a broken launcher breaks again; a case that holds the second time met
// something of the moment in Wine (seen: a process's connection to its
// server lost, "wine client error: ... Bad file descriptor", the run cut
// short) and is counted as held, its first outcome kept for the summary.
const char kHeldAgain[] = "held when run again, broke first: ";

CaseOutcome RunCaseConfirmed(const SweepSetup& setup, const SweepCase& c) {
    CaseOutcome outcome = RunCase(setup, c);
    if (outcome.held) return outcome;
    CaseOutcome again = RunCase(setup, c);
    if (again.held) again.broken = kHeldAgain + std::to_string(outcome.exitCode) + ", " + outcome.broken;
    return again;
}

bool ReadLines(const std::string& path, std::vector<std::string>* lines) {
    FILE* f = fopen(path.c_str(), "r");
    if (f == nullptr) return false;
    char line[1024];
    while (fgets(line, sizeof line, f) != nullptr) {
        size_t n = strlen(line);
        while (n > 0 && (line[n - 1] == '\n' || line[n - 1] == '\r')) line[--n] = '\0';
        lines->push_back(line);
    }
    fclose(f);
    return true;
}

// The clean run and the rollback's baseline, then the cases; false (with
// what broke) when either of the two planning runs does not hold.
bool Plan(const SweepSetup& setup, bool sample, std::vector<SweepCase>* cases) {
    SweepCase clean;
    clean.plan = FaultPlan();
    CaseOutcome counted = RunCaseConfirmed(setup, clean);
    if (!counted.held) {
        printf("fault sweep: the clean run broke: %s\n", counted.broken.c_str());
        return false;
    }
    const FaultRecord& calls = *counted.record;
    printf("clean run: %u calls (%u before WinMain) in %u stretches:", calls.calls, calls.callsBeforeWinMain,
           calls.stretchCount);
    for (uint32_t hook = 0; hook < kHookCount; ++hook)
        if (calls.perHook[hook] != 0) printf(" %s %u", HookName(hook), calls.perHook[hook]);
    printf("\n");
    *cases = SingleFaultCases(calls);

    SweepCase late;
    late.plan = FaultPlan();
    late.plan.failAt = LateWriteCall(calls);
    late.plan.error = kDiskFull;
    late.hook = kHook_WriteFile;
    CaseOutcome baseline = RunCaseConfirmed(setup, late);
    if (late.plan.failAt == 0 || !baseline.held) {
        printf("fault sweep: the rollback's baseline %s broke: %s\n", CaseText(late).c_str(), baseline.broken.c_str());
        return false;
    }
    uint32_t removals =
        baseline.record->afterFirstFault[kHook_DeleteFileA] + baseline.record->afterFirstFault[kHook_RemoveDirectoryA];
    std::vector<SweepCase> rollback = RollbackCases(late.plan.failAt, removals);
    cases->insert(cases->end(), rollback.begin(), rollback.end());
    if (sample) *cases = SampleCases(*cases);

    // Elevated, quiet and logged: in the machine's temporary folder, with
    // the reports in the log; the first case of every call kind. Its calls
    // are counted in a clean run of its own: the paths differ.
    SweepCase elevated;
    elevated.plan = FaultPlan();
    elevated.elevatedQuiet = true;
    CaseOutcome elevatedCounted = RunCaseConfirmed(setup, elevated);
    if (!elevatedCounted.held) {
        printf("fault sweep: the elevated clean run broke: %s\n", elevatedCounted.broken.c_str());
        return false;
    }
    printf("elevated clean run: %u calls\n", elevatedCounted.record->calls);
    std::vector<SweepCase> elevatedCases = SingleFaultCases(*elevatedCounted.record);
    uint32_t elevatedLate = LateWriteCall(*elevatedCounted.record);
    if (elevatedLate != 0) {
        std::vector<SweepCase> elevatedRollback = RollbackCases(elevatedLate, 1);
        elevatedCases.insert(elevatedCases.end(), elevatedRollback.begin(), elevatedRollback.end());
    }
    for (SweepCase& c : elevatedCases) c.elevatedQuiet = true;
    elevatedCases = SampleCases(elevatedCases);
    cases->insert(cases->end(), elevatedCases.begin(), elevatedCases.end());
    return true;
}

// "held|broken CASE<tab>EXIT<tab>WHAT WAS WRONG"
std::string OutcomeLine(const SweepCase& c, const CaseOutcome& outcome) {
    return (outcome.held ? "held " : "broken ") + CaseLine(c) + "\t" + std::to_string(outcome.exitCode) + "\t" +
           outcome.broken;
}

// Prints the broken cases, the cases by call kind and the last line; the
// exit code.
int Summarize(const std::vector<SweepCase>& cases, const std::vector<std::string>& outcomes) {
    std::map<std::string, int> byKind, byExit;
    int held = 0, broken = 0, heldAgain = 0;
    std::map<std::string, std::string> results;
    for (const std::string& line : outcomes) {
        size_t space = line.find(' ');
        std::string caseLine = line.substr(space + 1, line.find('\t') - space - 1);
        results[caseLine] = line;
    }
    for (const SweepCase& c : cases) {
        std::string kind = c.plan.followAt == 0 ? HookName(c.hook)
                           : std::string("rollback removal ") +
                                 (c.plan.followHandOverFails ? "for good, not taken" : c.plan.followForGood ? "for good" : "once");
        if (c.elevatedQuiet) kind = "elevated " + kind;
        auto found = results.find(CaseLine(c));
        std::string what = "never run";
        if (found != results.end()) {
            size_t exitAt = found->second.find('\t') + 1, whatAt = found->second.find('\t', exitAt) + 1;
            ++byExit["exit " + found->second.substr(exitAt, whatAt - exitAt - 1)];
            what = found->second.substr(whatAt);
        }
        if (found != results.end() && found->second.compare(0, 5, "held ") == 0) {
            ++held;
            if (what.compare(0, strlen(kHeldAgain), kHeldAgain) == 0) {
                ++heldAgain;
                printf("%s: %s\n", CaseText(c).c_str(), what.c_str());
            }
        } else {
            ++broken;
            printf("broken: %s: %s\n", CaseText(c).c_str(), what.c_str());
        }
        ++byKind[kind];
    }
    printf("by call:");
    for (const auto& kind : byKind) printf(" %s %d,", kind.first.c_str(), kind.second);
    printf("\nby outcome:");
    for (const auto& exit : byExit) printf(" %s %d,", exit.first.c_str(), exit.second);
    printf("\nheld only when run again: %d\n", heldAgain);
    printf("fault sweep: %zu injected, %d held, %d broken\n", cases.size(), held, broken);
    return broken == 0 ? 0 : 1;
}

// Runs every step-th case from first on, each outcome a line (Summarize
// reads them).
void RunCases(const SweepSetup& setup, const std::vector<SweepCase>& cases, size_t first, size_t step,
              std::vector<std::string>* outcomes) {
    for (size_t i = first; i < cases.size(); i += step)
        outcomes->push_back(OutcomeLine(cases[i], RunCaseConfirmed(setup, cases[i])));
}

}  // namespace

int main(int argc, char** argv) {
    // The desktop first: Wine's desktop process then belongs to this driver,
    // not to the first launcher's process tree, and stays up for the sweep.
    GetDesktopWindow();
    setvbuf(stdout, nullptr, _IONBF, 0);
    std::string error;
    Options options;
    if (!ParseSettings(&argc, argv, &error) || !TakeOptions(argc, argv, &options, &error)) {
        fprintf(stderr, "fault_sweep: %s\n", error.c_str());
        return 2;
    }
    SweepSetup setup;
    setup.dll = options.dll;
    setup.work = options.work;
    setup.texts = ExpectedTexts();
    if (setup.texts == nullptr || setup.texts->language != GetUserDefaultLangID()) {
        fprintf(stderr, "fault_sweep: the launcher would not run in language %s (LANG)\n", Settings().language.c_str());
        return 2;
    }
    CreateDirectoryA(setup.work.c_str(), nullptr);

    if (options.single != 0) {
        SweepCase c;
        c.plan = FaultPlan();
        c.elevatedQuiet = options.elevatedQuiet;
        c.plan.failAt = options.single;
        c.plan.error = options.error;
        if (!options.rollback.empty()) {
            c.plan.followHooks = RollbackHooks();
            c.plan.followAt = static_cast<uint32_t>(atoi(options.rollback.c_str()));
            c.plan.followHandOverFails = options.rollback.back() == 'h';
            c.plan.followForGood = options.rollback.back() == 'g' || c.plan.followHandOverFails;
            c.plan.followError = c.plan.followForGood ? kAccessDenied : kSharingViolation;
        }
        CaseOutcome outcome = RunCase(setup, c);
        c.hook = outcome.record ? outcome.record->firstFaultHook : kHookCount;
        printf("%s: exit code %lu, %s\n%s\n", CaseText(c).c_str(), static_cast<unsigned long>(outcome.exitCode),
               outcome.held ? "held" : ("broken: " + outcome.broken).c_str(), outcome.report.c_str());
        return outcome.held ? 0 : 1;
    }

    std::vector<SweepCase> cases;
    std::string casesFile = options.cases.empty() ? options.planTo : options.cases;
    if (options.cases.empty()) {
        if (!Plan(setup, options.sample, &cases)) return 1;
        if (!options.planTo.empty()) {
            // Whole or not at all: other lanes wait for the file.
            std::string partial = options.planTo + ".partial";
            FILE* f = fopen(partial.c_str(), "w");
            if (f == nullptr) return 2;
            for (const SweepCase& c : cases) fprintf(f, "%s\n", CaseLine(c).c_str());
            if (fclose(f) != 0 || !MoveFileExA(partial.c_str(), options.planTo.c_str(), MOVEFILE_REPLACE_EXISTING))
                return 2;
            printf("%zu cases planned\n", cases.size());
        } else {
            std::vector<std::string> outcomes;
            RunCases(setup, cases, 0, 1, &outcomes);
            return Summarize(cases, outcomes);
        }
    } else {
        std::vector<std::string> lines;
        if (!ReadLines(options.cases, &lines)) {
            fprintf(stderr, "fault_sweep: cannot read %s\n", options.cases.c_str());
            return 2;
        }
        for (const std::string& line : lines) {
            SweepCase c;
            if (!ParseCaseLine(line, &c)) {
                fprintf(stderr, "fault_sweep: %s: not a case: %s\n", options.cases.c_str(), line.c_str());
                return 2;
            }
            cases.push_back(c);
        }
    }
    if (options.lanes > 0) {
        std::vector<std::string> outcomes;
        for (int lane = 1; lane <= options.lanes; ++lane)
            ReadLines(casesFile + ".lane" + std::to_string(lane), &outcomes);
        return Summarize(cases, outcomes);
    }
    if (options.lane.empty()) return 0;
    int lane = 0, of = 0;
    if (sscanf(options.lane.c_str(), "%d/%d", &lane, &of) != 2 || lane < 1 || lane > of) {
        fprintf(stderr, "fault_sweep: --lane=I/N with 1 <= I <= N\n");
        return 2;
    }
    std::vector<std::string> outcomes;
    RunCases(setup, cases, static_cast<size_t>(lane - 1), static_cast<size_t>(of), &outcomes);
    std::string results = casesFile + ".lane" + std::to_string(lane);
    FILE* f = fopen(results.c_str(), "w");
    if (f == nullptr) return 2;
    for (const std::string& line : outcomes) fprintf(f, "%s\n", line.c_str());
    fclose(f);
    return 0;
}
