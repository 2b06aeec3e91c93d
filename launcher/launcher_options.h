// The launcher's own options at the start of its command tail, for the
// tools that install software on many machines: wait for the installation
// and end with its code, show nothing, keep a log. Everything after them
// goes to the next stage byte for byte; a tail without them goes on exactly
// as it came. Portable, so that the rule is tested natively too.
#ifndef TESSAROVEN_LAUNCHER_OPTIONS_H
#define TESSAROVEN_LAUNCHER_OPTIONS_H

#include <stddef.h>

// Room for the log's path, terminator included (MAX_PATH): a longer one is
// still the launcher's option, but names no log the platform would open.
const size_t kLogPathChars = 260;

struct LauncherOptions {
    bool wait = false;   // /wait: end with the next stage's exit code, once it has ended
    bool quiet = false;  // /quiet: no splash, no message box
    // /log=PATH: the path as written, quotes taken off; empty without, and
    // when it does not fit.
    char logPath[kLogPathChars] = {};
    // The rest of the tail, for the next stage: a pointer into the tail given.
    const char* nextStageTail = "";
};

// Reads the options at the start of tail (the command tail after the
// program name, never null). A word is a run of characters other than
// blanks (codes 1 to 32), in which a pair of double quotes may enclose
// blanks; an option is a word that is /wait, /quiet, /log=PATH or
// /log="PATH", compared without regard to case (PATH not empty). The first
// word that is not one of them ends the options: a word that only begins
// like one (/waitx) or an option after another word is the next stage's.
// The options and the blanks after them are taken off. Allocates nothing:
// the start-up's report of memory that ran out must know of /quiet too.
LauncherOptions ReadLauncherOptions(const char* tail);

#endif
