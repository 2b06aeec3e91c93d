// What the sweep driver and the fault DLL inside the launcher share: the
// plan of one run (which calls fail, with which error) and what the DLL saw.
// It lives in a named file mapping the driver creates before the DLL loads.
#ifndef TESSAROVEN_TESTS_FAULTS_FAULT_PLAN_H
#define TESSAROVEN_TESTS_FAULTS_FAULT_PLAN_H

#include <stdint.h>
#include <stdio.h>

#include "hooked_calls.h"

// The faults of one run. Calls are numbered from 1 in the order the
// launcher makes them, over all hooked calls together.
struct FaultPlan {
    uint32_t failAt;        // the call that fails; 0: none (a clean, counting run)
    uint32_t error;         // its Windows error
    // A second fault, among the calls after the first one whose hook is in followHooks.
    uint32_t followHooks;   // bit mask of HookIndex
    uint32_t followAt;      // the followAt-th of them fails (1: the first); 0: none
    uint32_t followError;
    uint32_t followForGood; // non-zero: every later call of that hook on the same path fails too
    uint32_t followHandOverFails; // non-zero (with followForGood): the hand-over of that path to the
                                  // system's next start (MoveFileExA) fails as well, access denied
};

// A run of calls of one hook in a row; for a Key::Handle hook, consecutive
// calls on one handle form one stretch, for any other hook each call is one.
struct CallStretch {
    uint32_t hook;
    uint32_t first;  // the number of its first call
    uint32_t count;
};

const uint32_t kMaxStretches = 65536;

// What the DLL saw, filled in while the launcher runs.
struct FaultRecord {
    uint32_t hooksInstalled;     // imports replaced (0: the DLL found nothing to do)
    uint32_t calls;              // hooked calls made
    uint32_t callsBeforeWinMain; // calls made before the marker call; all when it never came
    uint32_t markerSeen;
    uint32_t perHook[kHookCount];
    uint32_t afterFirstFault[kHookCount];  // calls of each hook after the first injected failure
    uint32_t injected;           // failures injected
    uint32_t firstFaultHook;     // the hook of the first injected failure
    uint32_t followFaultHook;    // the hook of the second fault's first failure
    char followPath[520];        // the path of the second fault's first failure
    uint32_t stretchCount;       // stretches recorded (more than kMaxStretches are lost)
    CallStretch stretches[kMaxStretches];
};

struct FaultShared {
    FaultPlan plan;
    FaultRecord record;
};

// The mapping's name for the launcher process with id processId.
inline void FaultMappingName(unsigned long processId, char (&name)[64]) {
    snprintf(name, sizeof name, "tv-fault-sweep-%lu", processId);
}

#endif
