// The working folder, created and held open in one step until the next
// stage has started: a process of the same user could otherwise move the
// folder aside (its parent is the user's) and put its own in its place
// while the launcher fills it, and the elevated next stage would start
// from there. Held without delete sharing, the folder can be neither moved,
// renamed nor removed, by anyone, the launcher included.
#ifndef TESSAROVEN_FOLDER_HOLD_H
#define TESSAROVEN_FOLDER_HOLD_H

#include <windows.h>

class FolderHold {
public:
    FolderHold() = default;
    // Lets go of the folder, if held; the folder stays.
    ~FolderHold() { Release(); }
    FolderHold(const FolderHold&) = delete;
    FolderHold& operator=(const FolderHold&) = delete;

    // Creates the folder path (a full 8-bit path in the ANSI code page,
    // without trailing backslash) with security (null: the parent's) and
    // holds it, in one call, so that there is no moment between the two:
    // listing access only (a hold with delete access would keep the
    // launcher itself from making the folder current), shared for reading
    // and writing, not for deleting. Returns 0, or the Windows error code
    // (ERROR_ALREADY_EXISTS when something of that name is there, which is
    // never opened). Nothing is held or created on failure. Must not be
    // called while a folder is held. Throws std::bad_alloc when memory for
    // the path runs out.
    unsigned long Create(const char* path, SECURITY_ATTRIBUTES* security);
    // Lets go of the folder, so that it can be removed or handed on.
    void Release();
    bool Held() const { return handle_ != nullptr; }

private:
    HANDLE handle_ = nullptr;
};

#endif
