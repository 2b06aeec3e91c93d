// The calls of setup.exe that the fault DLL can make fail, one line each.
// The DLL replaces the launcher's imports of them; the sweep driver names
// them in its report and picks the Windows errors it injects from here.
// A call the launcher does not import (or look up at run time) is simply
// never made; adding one is adding a line.
#ifndef TESSAROVEN_TESTS_FAULTS_HOOKED_CALLS_H
#define TESSAROVEN_TESTS_FAULTS_HOOKED_CALLS_H

#include <stdint.h>

// The DLL a call comes from: its calling convention follows from it (the
// C run-time's are cdecl, the system's WINAPI).
enum class Library { Kernel32, Advapi32, User32, Msvcrt, Ntdll };

// What a failed call returns (its errno or last error is set as well).
enum class FailsWith {
    Zero,           // FALSE, null, 0
    MinusOne,       // -1, or 0xFFFFFFFF for an unsigned result
    InvalidHandle,  // INVALID_HANDLE_VALUE
    NtStatus,       // the native status of the error (NtStatusOf), no last error
    Never,          // not failed and not counted: marks where WinMain begins
};

// What the first argument tells about a call.
enum class Key {
    None,
    Handle,  // a file handle: repeated calls on one file form a stretch, of which the sweep tries three
    Path,    // a path: a fault for good strikes every later call on the same path
};

// Windows errors the driver injects, chosen per call in turn (the run-time
// library's calls get the matching errno as well).
enum : uint32_t {
    kAccessDenied = 5,         // ERROR_ACCESS_DENIED
    kNotEnoughMemory = 8,      // ERROR_NOT_ENOUGH_MEMORY
    kSharingViolation = 32,    // ERROR_SHARING_VIOLATION
    kDiskFull = 112,           // ERROR_DISK_FULL
};
#define TV_FILE_ERRORS {kSharingViolation, kAccessDenied, kDiskFull}
#define TV_WRITE_ERRORS {kDiskFull, kAccessDenied}
#define TV_FOLDER_ERRORS {kAccessDenied, kDiskFull}
// Not "not found": only that means an absent archive.
#define TV_RESOURCE_ERRORS {kNotEnoughMemory, kAccessDenied}
#define TV_MEMORY_ERRORS {kNotEnoughMemory}
#define TV_OTHER_ERRORS {kAccessDenied, kSharingViolation}

// The native status a native call fails with for one of the errors above.
inline int32_t NtStatusOf(uint32_t error) {
    switch (error) {
        case kAccessDenied: return static_cast<int32_t>(0xC0000022u);       // STATUS_ACCESS_DENIED
        case kNotEnoughMemory: return static_cast<int32_t>(0xC0000017u);    // STATUS_NO_MEMORY
        case kSharingViolation: return static_cast<int32_t>(0xC0000043u);   // STATUS_SHARING_VIOLATION
        default: return static_cast<int32_t>(0xC000007Fu);                  // STATUS_DISK_FULL
    }
}

// X(library, name, what it returns on failure, first argument, errors)
#define TV_HOOKED_CALLS(X)                                                               \
    X(Kernel32, GetCommandLineA, FailsWith::Never, Key::None, TV_OTHER_ERRORS)           \
    X(Kernel32, CreateFileA, FailsWith::InvalidHandle, Key::None, TV_FILE_ERRORS)        \
    X(Kernel32, CreateFileW, FailsWith::InvalidHandle, Key::None, TV_FILE_ERRORS)        \
    X(Kernel32, ReadFile, FailsWith::Zero, Key::Handle, TV_OTHER_ERRORS)                 \
    X(Kernel32, WriteFile, FailsWith::Zero, Key::Handle, TV_WRITE_ERRORS)                \
    X(Kernel32, SetFilePointer, FailsWith::MinusOne, Key::Handle, TV_OTHER_ERRORS)       \
    X(Kernel32, CloseHandle, FailsWith::Zero, Key::None, TV_OTHER_ERRORS)                \
    X(Kernel32, CreateDirectoryA, FailsWith::Zero, Key::Path, TV_FOLDER_ERRORS)          \
    X(Kernel32, DeleteFileA, FailsWith::Zero, Key::Path, TV_OTHER_ERRORS)                \
    X(Kernel32, RemoveDirectoryA, FailsWith::Zero, Key::Path, TV_OTHER_ERRORS)           \
    X(Kernel32, GetTempPathA, FailsWith::Zero, Key::None, TV_OTHER_ERRORS)               \
    X(Kernel32, GetTempPathW, FailsWith::Zero, Key::None, TV_OTHER_ERRORS)               \
    X(Kernel32, GetShortPathNameA, FailsWith::Zero, Key::None, TV_OTHER_ERRORS)          \
    X(Kernel32, GetShortPathNameW, FailsWith::Zero, Key::None, TV_OTHER_ERRORS)          \
    X(Kernel32, WideCharToMultiByte, FailsWith::Zero, Key::None, TV_MEMORY_ERRORS)       \
    X(Kernel32, MultiByteToWideChar, FailsWith::Zero, Key::None, TV_MEMORY_ERRORS)       \
    X(Kernel32, GetModuleFileNameA, FailsWith::Zero, Key::None, TV_OTHER_ERRORS)         \
    X(Kernel32, GetModuleFileNameW, FailsWith::Zero, Key::None, TV_OTHER_ERRORS)         \
    X(Kernel32, GetDiskFreeSpaceExA, FailsWith::Zero, Key::None, TV_OTHER_ERRORS)        \
    X(Kernel32, GetDiskFreeSpaceA, FailsWith::Zero, Key::None, TV_OTHER_ERRORS)          \
    X(Kernel32, FindResourceA, FailsWith::Zero, Key::None, TV_RESOURCE_ERRORS)           \
    X(Kernel32, LoadResource, FailsWith::Zero, Key::None, TV_RESOURCE_ERRORS)            \
    X(Kernel32, LockResource, FailsWith::Zero, Key::None, TV_RESOURCE_ERRORS)            \
    X(Kernel32, CreateProcessA, FailsWith::Zero, Key::None, TV_OTHER_ERRORS)             \
    X(Kernel32, MoveFileExA, FailsWith::Zero, Key::Path, TV_OTHER_ERRORS)                \
    X(Kernel32, CreateThread, FailsWith::Zero, Key::None, TV_MEMORY_ERRORS)              \
    X(Kernel32, CreateEventA, FailsWith::Zero, Key::None, TV_MEMORY_ERRORS)              \
    X(Kernel32, CreateMutexA, FailsWith::Zero, Key::None, TV_MEMORY_ERRORS)              \
    X(Kernel32, GetSystemWindowsDirectoryW, FailsWith::Zero, Key::None, TV_OTHER_ERRORS) \
    X(User32, GetUserObjectInformationA, FailsWith::Zero, Key::None, TV_OTHER_ERRORS)    \
    X(Ntdll, NtCreateFile, FailsWith::NtStatus, Key::None, TV_FOLDER_ERRORS)             \
    X(Advapi32, OpenProcessToken, FailsWith::Zero, Key::None, TV_OTHER_ERRORS)           \
    X(Advapi32, GetTokenInformation, FailsWith::Zero, Key::None, TV_OTHER_ERRORS)        \
    X(Advapi32, ConvertSidToStringSidA, FailsWith::Zero, Key::None, TV_MEMORY_ERRORS)    \
    X(Advapi32, ConvertStringSecurityDescriptorToSecurityDescriptorA, FailsWith::Zero, Key::None, TV_MEMORY_ERRORS) \
    X(Advapi32, AllocateAndInitializeSid, FailsWith::Zero, Key::None, TV_MEMORY_ERRORS)  \
    X(Advapi32, CheckTokenMembership, FailsWith::Zero, Key::None, TV_OTHER_ERRORS)       \
    X(Msvcrt, _mkdir, FailsWith::MinusOne, Key::Path, TV_FOLDER_ERRORS)                  \
    X(Msvcrt, _chdir, FailsWith::MinusOne, Key::Path, TV_OTHER_ERRORS)                   \
    X(Msvcrt, _getcwd, FailsWith::Zero, Key::None, TV_MEMORY_ERRORS)                     \
    X(Msvcrt, _access, FailsWith::MinusOne, Key::Path, TV_OTHER_ERRORS)                  \
    X(Msvcrt, _rmdir, FailsWith::MinusOne, Key::Path, TV_OTHER_ERRORS)                   \
    X(Msvcrt, malloc, FailsWith::Zero, Key::None, TV_MEMORY_ERRORS)

// The hooks by index, in the order of the list.
enum HookIndex : uint32_t {
#define TV_HOOK_INDEX(library, name, fails, key, errors) kHook_##name,
    TV_HOOKED_CALLS(TV_HOOK_INDEX)
#undef TV_HOOK_INDEX
    kHookCount
};

// The DLL file a library's calls are imported from.
inline const char* LibraryFile(Library library) {
    switch (library) {
        case Library::Kernel32: return "kernel32.dll";
        case Library::Advapi32: return "advapi32.dll";
        case Library::User32: return "user32.dll";
        case Library::Ntdll: return "ntdll.dll";
        default: return "msvcrt.dll";
    }
}

#endif
