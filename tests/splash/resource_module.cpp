// A module that only carries the splash resources, for the window tests:
// no code of its own.
