// Which runs the sweep makes: from the calls of one clean run, one run per
// call with that call failing (of a stretch of reads or writes of one file
// the first, the second and the last), and the rollback pass, in which a
// late failure makes the run remove what it created and each delete and
// folder removal of that fails in turn, once for a moment and once for good.
#ifndef TESSAROVEN_TESTS_FAULTS_SWEEP_PLAN_H
#define TESSAROVEN_TESTS_FAULTS_SWEEP_PLAN_H

#include <stdint.h>

#include <string>
#include <vector>

#include "fault_plan.h"

struct SweepCase {
    FaultPlan plan;
    uint32_t hook = kHookCount;  // the hook of the call plan.failAt
    // Started as it is (elevated, working in the machine's temporary
    // folder) with /quiet and a log, instead of unelevated in its own
    // temporary folder: no message box, the report in the log.
    bool elevatedQuiet = false;
};

// The name of a hook, "CreateFileA".
const char* HookName(uint32_t hook);
// The hook called name, or kHookCount.
uint32_t HookNamed(const std::string& name);
// "disk full", "access denied", ... for the errors the driver injects.
std::string ErrorName(uint32_t error);

// One case per call of the clean run (stretches: first, second and last),
// each with an error of its hook's list in turn.
std::vector<SweepCase> SingleFaultCases(const FaultRecord& clean);

// The late failure the rollback pass starts from: the first write after the
// last file was created (the last entry's first piece); 0 when there is none.
uint32_t LateWriteCall(const FaultRecord& clean);

// The hooks whose calls the rollback pass makes fail (bit mask).
uint32_t RollbackHooks();

// Three cases per delete or folder removal that the run failing at
// lateWrite makes (removals of them): failing once, failing for good, and
// failing for good with the hand-over to the system failing too.
std::vector<SweepCase> RollbackCases(uint32_t lateWrite, uint32_t removals);

// The first case of each hook and of each of the three rollback kinds:
// every call kind once.
std::vector<SweepCase> SampleCases(const std::vector<SweepCase>& cases);

// A short name for a case's folders: "k123", "k40000-r3g", "e123" (elevated, quiet).
std::string CaseName(const SweepCase& c);
// What a case injects, for the report: "k=123 WriteFile (disk full)".
std::string CaseText(const SweepCase& c);

// One line per case, and back; false when a line cannot be read.
std::string CaseLine(const SweepCase& c);
bool ParseCaseLine(const std::string& line, SweepCase* c);

#endif
