#include "folder_hold.h"

#include <winternl.h>

#include <memory>

#include "system_library.h"

namespace {

// The native creation, which the platform's own folder creation is made of
// as well: it alone creates a folder and hands back a handle to it at once.
typedef NTSTATUS(NTAPI* NtCreateFileFn)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK, PLARGE_INTEGER,
                                        ULONG, ULONG, ULONG, ULONG, PVOID, ULONG);
typedef ULONG(NTAPI* NtStatusToErrorFn)(NTSTATUS);

// The prefix of a native path to a drive-letter path.
const wchar_t kNativePrefix[] = L"\\??\\";
const size_t kNativePrefixLength = 4;

}  // namespace

unsigned long FolderHold::Create(const char* path, SECURITY_ATTRIBUTES* security) {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    NtCreateFileFn create = ModuleFunction<NtCreateFileFn>(ntdll, "NtCreateFile");
    NtStatusToErrorFn toError = ModuleFunction<NtStatusToErrorFn>(ntdll, "RtlNtStatusToDosError");
    if (create == nullptr || toError == nullptr) return ERROR_PROC_NOT_FOUND;

    int chars = MultiByteToWideChar(CP_ACP, 0, path, -1, nullptr, 0);
    if (chars <= 0) return GetLastError() != 0 ? GetLastError() : ERROR_INVALID_NAME;
    std::unique_ptr<wchar_t[]> native(new wchar_t[kNativePrefixLength + chars]);
    memcpy(native.get(), kNativePrefix, kNativePrefixLength * sizeof(wchar_t));
    if (MultiByteToWideChar(CP_ACP, 0, path, -1, native.get() + kNativePrefixLength, chars) != chars)
        return ERROR_INVALID_NAME;

    UNICODE_STRING name;
    name.Buffer = native.get();
    name.Length = static_cast<USHORT>((kNativePrefixLength + chars - 1) * sizeof(wchar_t));
    name.MaximumLength = static_cast<USHORT>(name.Length + sizeof(wchar_t));
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &name, OBJ_CASE_INSENSITIVE, nullptr,
                               security != nullptr ? security->lpSecurityDescriptor : nullptr);
    IO_STATUS_BLOCK io;
    HANDLE handle = nullptr;
    NTSTATUS status = create(&handle, FILE_LIST_DIRECTORY | SYNCHRONIZE, &attributes, &io, nullptr,
                             FILE_ATTRIBUTE_NORMAL, FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_CREATE,
                             FILE_DIRECTORY_FILE | FILE_SYNCHRONOUS_IO_NONALERT | FILE_OPEN_FOR_BACKUP_INTENT,
                             nullptr, 0);
    if (status < 0) {
        ULONG error = toError(status);
        return error != 0 ? error : ERROR_GEN_FAILURE;
    }
    handle_ = handle;
    return 0;
}

void FolderHold::Release() {
    if (handle_ == nullptr) return;
    CloseHandle(handle_);
    handle_ = nullptr;
}
