// Writes the clean-up script: a batch file that, run later, deletes every
// file this run unpacked, removes every folder it created and then itself.
#ifndef TESSAROVEN_CLEANUP_SCRIPT_H
#define TESSAROVEN_CLEANUP_SCRIPT_H

#include "folder_list.h"
#include "qv_string.h"

class QvFileStream;

class CleanupScript {
public:
    // Creates (or empties) the script at path; throws a QvStreamException
    // pointer (OpenFailed, with the path) when it cannot. Each line below
    // reaches the file at once; a failed write throws the file stream's
    // WriteFailed or ShortWrite (pointers).
    explicit CleanupScript(const QvString& path);
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

// path in a form the script can name: the short form of an existing path
// whose characters the OEM code page cannot hold, else path itself. Used by
// every line the script writes; public for the test of that choice.
QvString ScriptNameablePath(const QvString& path);

#endif
