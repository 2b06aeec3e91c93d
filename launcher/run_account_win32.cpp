#include <windows.h>

// After windows.h, whose types it uses.
#include <sddl.h>

#include <memory>
#include <new>

#include "run_account.h"

namespace {

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
struct LocalFreer {
    void operator()(void* block) const { LocalFree(block); }
};

// The failed call's error code, never 0.
DWORD LastError() {
    DWORD error = GetLastError();
    return error != 0 ? error : ERROR_GEN_FAILURE;
}

// The process token's user as an SDDL SID string in *sid; 0 or the error code.
DWORD TokenUserSid(QvString* sid) {
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
    std::unique_ptr<char, LocalFreer> owned(text);
    *sid = text;
    return 0;
}

// True in *enabled when the token's Administrators membership is enabled;
// 0 or the error code. Membership, not the token's elevation type: a token
// whose Administrators entry is deny-only says elevated all the same.
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

unsigned long ReadTokenAccount(TokenAccount* token) {
    DWORD error = TokenUserSid(&token->userSid);
    if (error != 0) return error;
    bool administrators = false;
    error = AdministratorsEnabled(&administrators);
    if (error != 0) return error;
    token->account = AccountOfToken(token->userSid, administrators);
    return 0;
}
