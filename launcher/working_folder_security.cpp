#include "working_folder_security.h"

#include <sddl.h>

#include <new>

#include "qv_string.h"

namespace {

// P: protected; OICI: inherited by files and folders below; FA: full
// access; the token's user, then Administrators (BA) and SYSTEM (SY).
const char kProtected[] = "D:P";
const char kUserEntry[] = "(A;OICI;FA;;;%s)";
const char kAdministratorsAndSystem[] = "(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)";

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

// True in *enabled when the token's Administrators membership is enabled
// (an elevated run); 0 or the error code.
DWORD AdministratorsEnabled(bool* enabled) {
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                  &administrators))
        return LastError();
    BOOL member = FALSE;
    BOOL asked = CheckTokenMembership(nullptr, administrators, &member);
    DWORD error = asked ? 0 : LastError();
    FreeSid(administrators);
    *enabled = member != FALSE;
    return error;
}

}  // namespace

QvString WorkingFolderAccessList(const char* userSid, bool administratorsEnabled) {
    QvString list(kProtected);
    if (!administratorsEnabled) {
        QvString user;
        user.Format(kUserEntry, userSid);
        list += user;
    }
    list += kAdministratorsAndSystem;
    return list;
}

WorkingFolderSecurity::WorkingFolderSecurity() : attributes_(), error_(0) {
    std::unique_ptr<char, LocalMemoryDeleter> sid;
    error_ = TokenUserSid(&sid);
    if (error_ != 0) return;
    bool elevated = false;
    error_ = AdministratorsEnabled(&elevated);
    if (error_ != 0) return;
    QvString accessList = WorkingFolderAccessList(sid.get(), elevated);
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
