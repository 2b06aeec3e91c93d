// The launcher's start-up measured from outside, step by step, beside a bare
// program that only starts the same next stage.
#ifndef TESSAROVEN_TESTS_E2E_STARTUP_TIMING_H
#define TESSAROVEN_TESTS_E2E_STARTUP_TIMING_H

// Runs the launcher and the bare program `runs` times each, in turns, and
// prints per run and as medians (milliseconds):
//   paint   from the launcher's start until its picture is on the screen
//   space   from there until the clean-up script exists (the free-space
//           test and the choice of names)
//   unpack  from there until the last write into an unpacked file
//   script  from there until the last write into the script
//   start   from there until the next stage's first instruction
// and the whole time from the start until the next stage starts, for the
// launcher and for the bare program. Returns the exit code: 0, or 1 when a
// run failed.
int MeasureStartup(int runs);

#endif
