#include "working_folder_security.h"

#include <sddl.h>

#include "qv_string.h"

namespace {

// P: protected; OICI: inherited by files and folders below; FA: full
// access; the token's user, then Administrators (BA) and SYSTEM (SY).
const char kProtected[] = "D:P";
const char kUserEntry[] = "(A;OICI;FA;;;%s)";
const char kAdministratorsAndSystem[] = "(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)";

}  // namespace

QvString WorkingFolderAccessList(const char* userSid, bool elevated) {
    QvString list(kProtected);
    if (!elevated) {
        QvString user;
        user.Format(kUserEntry, userSid);
        list += user;
    }
    list += kAdministratorsAndSystem;
    return list;
}

WorkingFolderSecurity::WorkingFolderSecurity(const TokenAccount& token) : attributes_(), error_(0) {
    QvString accessList = WorkingFolderAccessList(token.userSid, IsElevated(token.account));
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(accessList, SDDL_REVISION_1, &descriptor, nullptr)) {
        DWORD error = GetLastError();
        error_ = error != 0 ? error : ERROR_GEN_FAILURE;
        return;
    }
    descriptor_.reset(descriptor);
    attributes_.nLength = sizeof attributes_;
    attributes_.lpSecurityDescriptor = descriptor;
    attributes_.bInheritHandle = FALSE;
}
