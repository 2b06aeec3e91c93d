// What a process started by the test support sees of its own start:
// whether the platform's membership check counts it among the
// Administrators, how its token carries that group, its user, the value of
// TV_PROBE_MARK in its environment (UTF-8) and its show command. Writes
// them, one "name: value" line each, to the file named by its argument;
// exit code 0 when the report was written, 1 otherwise.
#include <windows.h>

#include <sddl.h>

#include <memory>
#include <string>

namespace {

std::string ErrorText(const char* step) { return std::string("error ") + step + " " + std::to_string(GetLastError()); }

std::string Utf8(const std::wstring& text) {
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &utf8[0], n, nullptr, nullptr);
    return utf8;
}

// The token's information of kind, or nothing.
std::unique_ptr<BYTE[]> TokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS kind) {
    DWORD size = 0;
    GetTokenInformation(token, kind, nullptr, 0, &size);
    if (size == 0) return nullptr;
    std::unique_ptr<BYTE[]> information(new BYTE[size]);
    if (!GetTokenInformation(token, kind, information.get(), size, &size)) return nullptr;
    return information;
}

// "enabled", "deny-only", "disabled" or "absent": the Administrators group in the token's groups.
std::string AdministratorsGroup(HANDLE token, PSID administrators) {
    std::unique_ptr<BYTE[]> information = TokenInformation(token, TokenGroups);
    if (!information) return ErrorText("GetTokenInformation");
    const TOKEN_GROUPS* groups = reinterpret_cast<const TOKEN_GROUPS*>(information.get());
    for (DWORD i = 0; i < groups->GroupCount; ++i) {
        if (!EqualSid(groups->Groups[i].Sid, administrators)) continue;
        DWORD attributes = groups->Groups[i].Attributes;
        if (attributes & SE_GROUP_USE_FOR_DENY_ONLY) return "deny-only";
        return attributes & SE_GROUP_ENABLED ? "enabled" : "disabled";
    }
    return "absent";
}

std::string UserSid(HANDLE token) {
    std::unique_ptr<BYTE[]> information = TokenInformation(token, TokenUser);
    if (!information) return ErrorText("GetTokenInformation");
    char* text = nullptr;
    if (!ConvertSidToStringSidA(reinterpret_cast<const TOKEN_USER*>(information.get())->User.Sid, &text))
        return ErrorText("ConvertSidToStringSidA");
    std::string sid = text;
    LocalFree(text);
    return sid;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 1;
    BYTE administrators[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof administrators;
    if (!CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &size)) return 1;
    BOOL isMember = FALSE;
    std::string member = CheckTokenMembership(nullptr, administrators, &isMember) ? (isMember ? "yes" : "no")
                                                                                 : ErrorText("CheckTokenMembership");
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return 1;
    std::string group = AdministratorsGroup(token, administrators);
    std::string user = UserSid(token);
    CloseHandle(token);
    wchar_t mark[256];
    DWORD length = GetEnvironmentVariableW(L"TV_PROBE_MARK", mark, 256);
    STARTUPINFOW startup;
    GetStartupInfoW(&startup);
    std::string report = "member: " + member + "\ngroup: " + group + "\nuser: " + user +
                         "\nmark: " + (length > 0 && length < 256 ? Utf8(mark) : std::string("<none>")) +
                         "\nshow: " + std::to_string(startup.wShowWindow) + "\n";
    HANDLE file = CreateFileA(argv[1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    DWORD written = 0;
    BOOL wrote = WriteFile(file, report.data(), static_cast<DWORD>(report.size()), &written, nullptr);
    CloseHandle(file);
    return wrote && written == report.size() ? 0 : 1;
}
