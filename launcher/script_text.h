// The lines of the clean-up script, as bytes for the command interpreter.
// Portable: no file access here.
#ifndef TESSAROVEN_SCRIPT_TEXT_H
#define TESSAROVEN_SCRIPT_TEXT_H

#include "qv_string.h"

// True when ANSI text survives the trip to the OEM code page and back, so a
// batch line can name it.
bool SurvivesOemCodePage(const char* text);

// "cd \" CR LF, then, in the long form, the line that runs Kestavon from
// the working folder (which ends in a backslash) with the script's first argument.
QvString ScriptFirstText(const char* workFolder, bool kestavonPresent);
// "del <path>" CR LF.
QvString ScriptDeleteLine(const char* path);
// "rmdir <path>" CR LF.
QvString ScriptRemoveFolderLine(const char* path);

#endif
