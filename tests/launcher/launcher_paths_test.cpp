// The platform side of the launcher's paths: the exact 8-bit test on the
// real code page, the access list of the working folder, and a launcher
// whose own path no 8-bit form names (which no test machine has: Wine
// always gives short names), through stand-in answers.
#include <gtest/gtest.h>
#include <windows.h>

// After windows.h, whose types it uses.
#include <sddl.h>

#include <new>
#include <string>

#include "alloc_counter.h"
#include "failure_text.h"
#include "free_space.h"
#include "log_lines.h"
#include "main_sequence.h"
#include "message_text.h"
#include "process_globals.h"
#include "qv_text.h"
#include "run_account.h"
#include "scratch_folder.h"
#include "system_paths.h"
#include "test_thread.h"
#include "working_folder_security.h"

namespace {

bool IsEmptyFolder(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return false;
    bool empty = true;
    do empty = empty && (strcmp(found.cFileName, ".") == 0 || strcmp(found.cFileName, "..") == 0);
    while (FindNextFileA(h, &found));
    FindClose(h);
    return empty;
}

std::string TokenUserSid() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return "no token";
    unsigned char user[512];
    DWORD size = 0;
    char* text = nullptr;
    std::string sid = "no user";
    if (GetTokenInformation(token, TokenUser, user, sizeof user, &size) &&
        ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(user)->User.Sid, &text)) {
        sid = text;
        LocalFree(text);
    }
    CloseHandle(token);
    return sid;
}

// Answers the first message box of this process with OK and keeps its text.
class MessageBoxAnswerer {
public:
    MessageBoxAnswerer()
        : thread_([this] {
              for (int tries = 0; tries < 1000 && box_ == nullptr; ++tries) {
                  EnumWindows(Match, reinterpret_cast<LPARAM>(this));
                  Sleep(10);
              }
              if (box_ == nullptr) return;
              char text[2048] = {};
              GetDlgItemTextA(box_, 0xFFFF, text, sizeof text);  // the message box's text control
              text_ = text;
              PostMessageA(box_, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
          }) {}
    // Waits for the answer; the box's text, empty when none came.
    std::string Text() {
        thread_.Join();
        return text_;
    }

private:
    static BOOL CALLBACK Match(HWND window, LPARAM self) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        char className[16] = {};
        GetClassNameA(window, className, sizeof className);
        if (owner != GetCurrentProcessId() || !IsWindowVisible(window) || strcmp(className, "#32770") != 0)
            return TRUE;
        reinterpret_cast<MessageBoxAnswerer*>(self)->box_ = window;
        return FALSE;
    }

    HWND box_ = nullptr;
    std::string text_;
    TestThread thread_;
};

// The platform's answers, except for the launcher's own path; with
// outOfMemory, the exact 8-bit test finds no memory.
class LauncherElsewhere final : public SystemPathQueries {
public:
    LauncherElsewhere(const wchar_t* file, bool shortNames, bool outOfMemory)
        : SystemPathQueries(GetModuleHandleA(nullptr)), file_(file), shortNames_(shortNames),
          outOfMemory_(outOfMemory) {}
    std::unique_ptr<wchar_t[]> LauncherFile(unsigned long* error) const override {
        if (file_ == nullptr) {
            *error = ERROR_ACCESS_DENIED;
            return nullptr;
        }
        std::unique_ptr<wchar_t[]> copy(new wchar_t[wcslen(file_) + 1]);
        wcscpy(copy.get(), file_);
        return copy;
    }
    std::unique_ptr<wchar_t[]> ShortForm(const wchar_t* path) const override {
        return shortNames_ ? SystemPathQueries::ShortForm(path) : nullptr;
    }
    bool ExactAnsi(const wchar_t* text, QvString* ansi) const override {
        if (outOfMemory_) throw std::bad_alloc();
        return SystemPathQueries::ExactAnsi(text, ansi);
    }

private:
    const wchar_t* file_;
    bool shortNames_;
    bool outOfMemory_;
};

}  // namespace

TEST(SystemPathQueries, ExactOnlyWhenEveryCharacterHasItsOwnByte) {
    ASSERT_EQ(1252u, GetACP()) << "this test needs the ANSI code page 1252 (LANG=en_US.UTF-8)";
    struct Case {
        const wchar_t* text;
        bool exact;
        const char* ansi;
    };
    const Case cases[] = {
        {L"C:\\users\\J\u00f6rg\\Temp\\", true, "C:\\users\\J\xF6rg\\Temp\\"},
        {L"C:\\\u20ac", true, "C:\\\x80"},  // the euro sign has a byte of its own in 1252
        {L"C:\\users\\\u0414\u043c\u0438\u0442\u0440\u0438\u0439\\", false, nullptr},
        {L"C:\\users\\\u738b\u5c0f\u660e\\", false, nullptr},
        {L"C:\\\u0100da\\", false, nullptr},  // A with macron: a best-fit 'A' would name another folder
        {L"C:\\\xD800x\\", false, nullptr},   // half a surrogate pair
    };
    SystemPathQueries system(GetModuleHandleA(nullptr));
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.text)));
        QvString ansi;
        EXPECT_EQ(c.exact, system.ExactAnsi(c.text, &ansi));
        if (c.exact) {
            EXPECT_EQ(c.ansi, Text(ansi));
        }
    }
}

// An elevated run (Administrators enabled) keeps its own user out: the
// user's unelevated processes carry the same SID.
TEST(WorkingFolderSecurity, ProtectedFullAccessForAdministratorsSystemAndAnUnelevatedUserOnly) {
    const char someUser[] = "S-1-5-21-1-2-3-1001";
    EXPECT_EQ("D:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)", Text(WorkingFolderAccessList(someUser, true)));
    EXPECT_EQ("D:P(A;OICI;FA;;;S-1-5-21-1-2-3-1001)(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)",
              Text(WorkingFolderAccessList(someUser, false)));

    TokenAccount token;
    ASSERT_EQ(0u, ReadTokenAccount(&token));
    EXPECT_EQ(TokenUserSid(), Text(token.userSid));
    WorkingFolderSecurity security(token);
    ASSERT_NE(nullptr, security.Attributes()) << "error " << security.Error();
    EXPECT_EQ(0u, security.Error());
    EXPECT_EQ(sizeof(SECURITY_ATTRIBUTES), security.Attributes()->nLength);
    EXPECT_FALSE(security.Attributes()->bInheritHandle);
    char* text = nullptr;
    ASSERT_TRUE(ConvertSecurityDescriptorToStringSecurityDescriptorA(
        security.Attributes()->lpSecurityDescriptor, SDDL_REVISION_1,
        OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &text, nullptr));
    std::string sddl = text;
    LocalFree(text);
    PSID administrators = nullptr;
    ASSERT_TRUE(ConvertStringSidToSidA("BA", &administrators));
    BOOL elevated = FALSE;
    ASSERT_TRUE(CheckTokenMembership(nullptr, administrators, &elevated));
    LocalFree(administrators);
    EXPECT_EQ(elevated != FALSE, IsElevated(token.account));
    std::string user = elevated ? "" : "(A;OICI;FA;;;" + TokenUserSid() + ")";
    EXPECT_EQ("D:P" + user + "(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)", sddl) << (elevated ? "elevated" : "not elevated");
}

// A launcher whose path has no 8-bit form, or whose path cannot be read,
// says so before anything is created and ends with 2.
TEST(MainSequence, LauncherPathWithoutAnyNameStopsTheRunBeforeAnythingIsCreated) {
    const wchar_t cyrillic[] = L"C:\\\u0417\u0430\u0433\u0440\u0443\u0437\u043a\u0438\\setup.exe";
    // With no 16-bit path to go by, the report names the file as the 8-bit functions do.
    char self[MAX_PATH];
    ASSERT_GT(GetModuleFileNameA(nullptr, self, MAX_PATH), 0u);
    QvString unreadable, outOfMemory;
    unreadable.Format(GetFailureReportText(), self, static_cast<int>(ERROR_ACCESS_DENIED));
    outOfMemory.Format(GetFailureReportText(), self, static_cast<int>(ERROR_NOT_ENOUGH_MEMORY));
    struct Case {
        const char* name;
        const wchar_t* file;
        bool shortNames;
        bool outOfMemory;
        std::string report;  // the box's text
    };
    const Case cases[] = {
        {"a Cyrillic folder on a volume without short names", cyrillic, false, false, GetUnnamableFolderText()},
        {"the path cannot be read", nullptr, true, false,
         Text(unreadable) + "\nThe launcher's own path could not be read."},
        {"memory runs out", L"C:\\Downloads\\setup.exe", true, true, Text(outOfMemory)},
    };
    ScratchFolder scratch("lp");
    std::string temp = scratch.Path() + "\\";
    char saved[MAX_PATH] = {};
    DWORD n = GetEnvironmentVariableA("TMP", saved, MAX_PATH);
    ASSERT_TRUE(SetEnvironmentVariableA("TMP", temp.c_str()));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        g_nextStageLaunched = false;
        MessageBoxAnswerer answerer;
        int code = RunLauncher(GetModuleHandleA(nullptr), "", LauncherElsewhere(c.file, c.shortNames, c.outOfMemory));
        std::string text = answerer.Text();
        EXPECT_EQ(kExitPreparationFailed, code);
        EXPECT_EQ(c.report, text);
        EXPECT_FALSE(g_nextStageLaunched);
        EXPECT_TRUE(IsEmptyFolder(scratch.Path()));
    }
    SetEnvironmentVariableA("TMP", n > 0 && n < MAX_PATH ? saved : nullptr);
}

// The platform's answers, but the folders a run works in lie on a drive
// that does not exist: no free space there.
class FullDriveMachine final : public SystemPathQueries {
public:
    FullDriveMachine() : SystemPathQueries(GetModuleHandleA(nullptr)) {}
    std::unique_ptr<wchar_t[]> TempFolder() const override { return Copy(L"Q:\\tv\\"); }
    std::unique_ptr<wchar_t[]> WindowsFolder(unsigned long*) const override { return Copy(L"Q:\\Windows"); }
    bool IsFolder(const wchar_t*) const override { return true; }

private:
    static std::unique_ptr<wchar_t[]> Copy(const wchar_t* text) {
        std::unique_ptr<wchar_t[]> copy(new wchar_t[wcslen(text) + 1]);
        wcscpy(copy.get(), text);
        return copy;
    }
};

// Memory that runs out anywhere on the way to the no-space message (its
// own text included): the run ends with the message (1) or with the
// out-of-memory report (2), and a quiet run's log holds which; it never
// ends without a word.
TEST(MainSequence, MemoryRunningOutOnTheWayToTheNoSpaceMessageIsReported) {
    ScratchFolder scratch("nm");
    std::string log = scratch / "run.log";
    std::string tail = "/quiet /log=" + log;
    char self[MAX_PATH];
    ASSERT_GT(GetModuleFileNameA(nullptr, self, MAX_PATH), 0u);
    QvString outOfMemory;
    outOfMemory.Format(GetFailureReportText(), self, static_cast<int>(ERROR_NOT_ENOUGH_MEMORY));
    std::string firstLine = Text(outOfMemory).substr(0, Text(outOfMemory).find('\n'));
    QvString noSpace = NoSpaceMessage("Q:", 0);
    std::string noSpaceFirst = Text(noSpace).substr(0, Text(noSpace).find('\n'));
    int reported = 0, messages = 0;
    int code = -1;
    int runs = alloc_counter::FailEachAllocationInTurn(
        [&] {
            code = -1;
            code = RunLauncher(GetModuleHandleA(nullptr), tail.c_str(), FullDriveMachine());
        },
        [&](int n) {
            SCOPED_TRACE(n);
            std::vector<std::string> lines = LogTexts(ScratchFolder::ReadAll(log));
            ASSERT_FALSE(lines.empty());
            EXPECT_EQ("exit code " + std::to_string(code), lines.back()) << "no exit code logged, or none returned";
            if (code == kExitNoSpace) {
                ++messages;
                EXPECT_FALSE(LogLineStartingWith(lines, noSpaceFirst).empty());
            } else {
                ++reported;
                EXPECT_EQ(kExitPreparationFailed, code);
                EXPECT_FALSE(LogLineStartingWith(lines, firstLine).empty());
            }
            DeleteFileA(log.c_str());
        },
        200);
    EXPECT_LT(runs, 200) << "the run never got through without a failure";
    EXPECT_GT(reported, 0) << "no allocation on the way was made to fail";
    EXPECT_GE(messages, 1) << "not even the run without a failure reached the message";
}
