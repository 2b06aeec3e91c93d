// The access list the run's working folder and clean-up script are created
// with. The launcher runs elevated and starts the next stage from the
// working folder: with the temporary folder's permissions, any process of
// the user (or any account, under C:\) could put a DLL or another program
// there between the unpacking and the start.
#ifndef TESSAROVEN_WORKING_FOLDER_SECURITY_H
#define TESSAROVEN_WORKING_FOLDER_SECURITY_H

#include <windows.h>

#include <memory>

// Frees a block the platform allocated with LocalAlloc.
struct LocalMemoryDeleter {
    void operator()(void* block) const { LocalFree(block); }
};

#include "qv_string.h"
#include "run_account.h"

// The access list's text (SDDL): protected (nothing inherited from the
// parent), full access for Administrators and SYSTEM, each entry inherited
// by every file and folder below, and an entry for userSid only when the
// run is not elevated. An elevated run reaches its files through
// Administrators (or as SYSTEM); an entry for its user would let the user's
// unelevated processes, which carry the same SID, put a DLL or a program
// where the elevated next stage starts from.
QvString WorkingFolderAccessList(const char* userSid, bool elevated);

// Owns a security descriptor with the access list above for the process
// token. Meant to be given at creation, so that there is no moment in which
// another account can write.
class WorkingFolderSecurity {
public:
    // Builds the descriptor for token's user and kind; Error() tells whether
    // that worked. Throws std::bad_alloc when memory for its text runs out.
    explicit WorkingFolderSecurity(const TokenAccount& token);
    WorkingFolderSecurity(const WorkingFolderSecurity&) = delete;
    WorkingFolderSecurity& operator=(const WorkingFolderSecurity&) = delete;

    // 0 when built, else the Windows error code of the step that failed.
    DWORD Error() const { return error_; }
    // The attributes for CreateDirectoryA and CreateFileA, pointing into
    // this object; null when the descriptor could not be built.
    SECURITY_ATTRIBUTES* Attributes() { return descriptor_ ? &attributes_ : nullptr; }

private:
    std::unique_ptr<void, LocalMemoryDeleter> descriptor_;
    SECURITY_ATTRIBUTES attributes_;
    DWORD error_;
};

#endif
