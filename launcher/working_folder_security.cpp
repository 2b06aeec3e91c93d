#include "working_folder_security.h"

#include <sddl.h>

#include <new>

#include "qv_string.h"

namespace {

// P: protected; OICI: inherited by files and folders below; FA: full
// access; the token's user, then Administrators (BA) and SYSTEM (SY).
const char kAccessList[] = "D:P(A;OICI;FA;;;%s)(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)";

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};

// The failed call's error code, never 0.
DWORD LastError() {
    DWORD error = GetLastError();
    return error != 0 ? error : ERROR_GEN_FAILURE;
}

// The process token's user as an SDDL SID string in *sid; 0 or the error code.
DWORD TokenUserSid(std::unique_ptr<char, LocalMemoryDeleter>* sid) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return LastError();
    std::unique_ptr<void, HandleCloser> tokenOwner(token);
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    if (size == 0) return LastError();
    std::unique_ptr<unsigned char[]> user(new (std::nothrow) unsigned char[size]);
    if (!user) return ERROR_NOT_ENOUGH_MEMORY;
    if (!GetTokenInformation(token, TokenUser, user.get(), size, &size)) return LastError();
    char* text = nullptr;
    if (!ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(user.get())->User.Sid, &text)) return LastError();
    sid->reset(text);
    return 0;
}

}  // namespace

WorkingFolderSecurity::WorkingFolderSecurity() : attributes_(), error_(0) {
    std::unique_ptr<char, LocalMemoryDeleter> sid;
    error_ = TokenUserSid(&sid);
    if (error_ != 0) return;
    QvString accessList;
    accessList.Format(kAccessList, sid.get());
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(accessList, SDDL_REVISION_1, &descriptor, nullptr)) {
        error_ = LastError();
        return;
    }
    descriptor_.reset(descriptor);
    attributes_.nLength = sizeof attributes_;
    attributes_.lpSecurityDescriptor = descriptor;
    attributes_.bInheritHandle = FALSE;
}
