// The clean-up script: a batch file that, run later by the next stage,
// deletes every file this run unpacked, removes every folder it created and
// then itself. Its lines are bytes for the command interpreter, made here
// portably (cleanup_script.cpp, tested natively too); the file is written
// on Windows (cleanup_script_win32.cpp).
#ifndef TESSAROVEN_CLEANUP_SCRIPT_H
#define TESSAROVEN_CLEANUP_SCRIPT_H

#include "path_list.h"
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

class QvFileStream;

// The script's file. Every line names its path in a form the script can
// name: the short form of an existing path whose characters the OEM code
// page cannot hold, the path itself otherwise.
class CleanupScript {
public:
    // Writes the script at path through file, the handle that created it
    // (open for writing), which it owns from here on. Each line below
    // reaches the file at once; a failed write throws the file stream's
    // WriteFailed or ShortWrite (pointers). Throws std::bad_alloc, the
    // handle not taken, when there is no memory for the stream.
    CleanupScript(const QvString& path, void* file);
    // Closes the file if Finish or Close did not; never throws.
    ~CleanupScript();
    CleanupScript(const CleanupScript&) = delete;
    CleanupScript& operator=(const CleanupScript&) = delete;

    // The first text: the long form unless workFolder (ending in a backslash)
    // already holds Kestavon.exe.
    void WriteFirstText(const QvString& workFolder);
    // One "del" line for a file this run unpacked.
    void WriteDelete(const QvString& path);
    // One "rmdir" line per folder, front (newest) to back.
    void WriteRemoveFolders(const FolderList& folders);
    // The script's own "del" line, then the file is closed (a failing close
    // throws CloseFailed).
    void Finish();
    // Closes the file without finishing it; never throws.
    void Close();

private:
    void WriteLine(const QvString& line);

    QvString path_;
    QvFileStream* stream_;
};

#endif
