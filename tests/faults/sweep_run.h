// One run of the sweep: the launcher started with the fault DLL and the
// case's plan, its message boxes answered, the hand-over to the next stage
// checked while the next stage waits, and afterwards the promise: exit 0
// with a complete round trip, exit 1 after the no-space message with
// nothing created, or exit 2 after exactly one failure report with nothing
// of the run left once everything has ended (but what the report names as
// handed to the system for its next start).
#ifndef TESSAROVEN_TESTS_FAULTS_SWEEP_RUN_H
#define TESSAROVEN_TESTS_FAULTS_SWEEP_RUN_H

#include <stdint.h>

#include <memory>
#include <string>

#include "child_process.h"
#include "expected_texts.h"
#include "sweep_plan.h"

struct SweepSetup {
    std::string dll;   // the fault DLL, a DOS path
    std::string work;  // a folder for the runs' temporary folders and records, without trailing backslash
    const LanguageTexts* texts = nullptr;  // the language the launcher runs in
    // How the launcher is started: the runs steer it with TEMP and TMP,
    // which only an unelevated launcher follows.
    Elevation elevation = Elevation::Unelevated;
};

struct CaseOutcome {
    bool held = false;
    std::string broken;  // what was wrong, when it did not hold (or, held when run again, the first time)
    uint32_t exitCode = 0;
    std::string report;  // the text of the one message box, if there was one
    std::unique_ptr<FaultRecord> record;  // what the DLL saw
};

// Runs the case and checks the outcome; leaves nothing in setup.work.
CaseOutcome RunCase(const SweepSetup& setup, const SweepCase& c);

#endif
