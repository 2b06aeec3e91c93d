// The command tail the launcher passes on to the next stage unchanged.
// Portable, so that the rule is tested natively too.
#ifndef TESSAROVEN_COMMAND_TAIL_H
#define TESSAROVEN_COMMAND_TAIL_H

// The tail of commandLine (the process's whole command line) that follows
// the program name, as a pointer into commandLine. A name that starts with
// a double quote runs to the next double quote, which belongs to it; any
// other name runs up to the first character of code 32 or less. The
// characters of code 1 to 32 after the name are skipped too. Never null.
const char* CommandTail(const char* commandLine);

#endif
