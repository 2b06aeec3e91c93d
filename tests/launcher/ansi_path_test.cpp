// Which 8-bit paths the launcher works in and hands on (the temporary
// folder, the launcher's own path), on machines described by hand: a code page of single bytes 1 to 255 (Latin-1, as far
// as these paths go the same as Windows-1252), short names where the table
// gives them.
#include <gtest/gtest.h>

#include <string.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "ansi_path.h"
#include "qv_text.h"
#include "temp_folder.h"

namespace {

const unsigned long kAccessDenied = 5;

std::unique_ptr<wchar_t[]> Copy(const std::wstring& text) {
    std::unique_ptr<wchar_t[]> copy(new wchar_t[text.size() + 1]);
    memcpy(copy.get(), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    return copy;
}

class HandMadeMachine final : public PathQueries {
public:
    const wchar_t* temp = nullptr;      // null: the query fails
    const wchar_t* launcher = nullptr;  // null: unreadable, access denied
    const wchar_t* windows = L"C:\\Windows";  // null: unreadable, access denied
    std::map<std::wstring, std::wstring> shortForms;
    std::set<std::wstring> folders;     // the folders that exist

    std::unique_ptr<wchar_t[]> TempFolder() const override { return temp ? Copy(temp) : nullptr; }
    std::unique_ptr<wchar_t[]> LauncherFile(unsigned long* error) const override {
        if (launcher) return Copy(launcher);
        *error = kAccessDenied;
        return nullptr;
    }
    bool ExactAnsi(const wchar_t* text, QvString* ansi) const override {
        std::string bytes;
        for (; *text != L'\0'; ++text) {
            if (*text > 0xFF) return false;
            bytes += static_cast<char>(*text);
        }
        *ansi = bytes.c_str();
        return true;
    }
    std::unique_ptr<wchar_t[]> ShortForm(const wchar_t* path) const override {
        auto found = shortForms.find(path);
        return found == shortForms.end() ? nullptr : Copy(found->second);
    }
    std::unique_ptr<wchar_t[]> WindowsFolder(unsigned long* error) const override {
        if (windows) return Copy(windows);
        *error = kAccessDenied;
        return nullptr;
    }
    bool IsFolder(const wchar_t* path) const override { return folders.count(path) != 0; }
};

const wchar_t kCyrillicTemp[] = L"C:\\users\\\u0414\u043c\u0438\u0442\u0440\u0438\u0439\\Temp\\";
const wchar_t kCjkTemp[] = L"C:\\users\\\u738b\u5c0f\u660e\\Temp\\";
const wchar_t kUmlautTemp[] = L"C:\\users\\J\u00f6rg\\Temp\\";
// Four letters make a valid 8.3 name: its short form is the name itself.
const wchar_t kShortCyrillicTemp[] = L"C:\\users\\\u0414\u0438\u043c\u0430\\Temp\\";
const std::wstring kLongTemp = L"D:\\" + std::wstring(300, L'x') + L"\\";

}  // namespace

TEST(AnsiPath, TemporaryFolderIsTheFirstExactUsableForm) {
    struct Case {
        const char* name;
        const wchar_t* reported;
        const wchar_t* shortForm;  // null: none
        const char* used;
    };
    const Case cases[] = {
        {"plain", L"C:\\Temp\\", L"C:\\Temp\\", "C:\\Temp\\"},
        {"o-umlaut keeps its bytes although a short form exists", kUmlautTemp, L"C:\\users\\JRG~1\\Temp\\",
         "C:\\users\\J\xF6rg\\Temp\\"},
        {"Cyrillic", kCyrillicTemp, L"C:\\users\\8B2A~1\\Temp\\", "C:\\users\\8B2A~1\\Temp\\"},
        {"CJK", kCjkTemp, L"C:\\users\\F3C1~1\\Temp\\", "C:\\users\\F3C1~1\\Temp\\"},
        {"short form still foreign", kShortCyrillicTemp, kShortCyrillicTemp, "C:\\"},
        {"no short names on the volume", kCyrillicTemp, nullptr, "C:\\"},
        {"failed query", nullptr, nullptr, "C:\\"},
        {"network path", L"\\\\server\\share\\temp\\", L"\\\\server\\share\\temp\\", "C:\\"},
        {"over-long, short form fits", kLongTemp.c_str(), L"D:\\XXXXXX~1\\", "D:\\XXXXXX~1\\"},
        {"over-long, no short form", kLongTemp.c_str(), nullptr, "C:\\"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HandMadeMachine machine;
        machine.temp = c.reported;
        if (c.reported && c.shortForm) machine.shortForms[c.reported] = c.shortForm;
        EXPECT_EQ(c.used, Text(ChooseTempFolder(machine, RunAccount::User).folder));
    }
}

// Only a path of the form letter, colon, backslash within MAX_PATH
// (terminator included) is used; anything else gives the drive's root.
TEST(AnsiPath, TemporaryFolderOfTheDriveLetterFormWithinMaxPath) {
    std::string longest = "E:\\" + std::string(255, 'x') + "\\";  // 259 characters
    struct Case {
        std::string reported;
        bool usable;
    };
    const Case cases[] = {
        {"D:\\WINDOWS\\TEMP\\", true}, {"d:\\t\\", true},     {"D:\\", true},
        {"\\\\server\\share\\temp\\", false}, {"\\\\?\\D:\\temp\\", false}, {"D:temp\\", false},
        {"temp\\", false},              {"D:", false},              {"", false},
        {longest, true},                {"E:\\y" + longest.substr(3), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reported);
        std::wstring wide(c.reported.begin(), c.reported.end());
        HandMadeMachine machine;
        machine.temp = wide.c_str();
        EXPECT_EQ(c.usable ? c.reported : "C:\\", Text(ChooseTempFolder(machine, RunAccount::User).folder));
    }
}

// An elevated run works in the machine's temporary folder whatever TEMP
// says, SYSTEM in SystemTemp where there is one; when that folder cannot be
// used the run fails, naming it, and never falls back to the user's.
TEST(TempFolder, ElevatedRunsWorkInTheMachineFolderAndNowhereElse) {
    const unsigned long kPathNotFound = 3, kBadPathName = 161;
    const std::wstring cyrillicWindows = L"C:\\\u041e\u043a\u043d\u0430";
    struct Case {
        const char* name;
        RunAccount account;
        const wchar_t* windows;                // null: unreadable
        std::vector<std::wstring> folders;     // existing
        std::map<std::wstring, std::wstring> shortForms;
        bool usable;
        const char* folder;
        unsigned long error;
    };
    const Case cases[] = {
        {"user keeps TEMP", RunAccount::User, L"C:\\Windows", {L"C:\\Windows\\Temp\\"}, {}, true,
         "D:\\Users\\jo\\Temp\\", 0},
        {"administrator", RunAccount::Administrator, L"C:\\Windows",
         {L"C:\\Windows\\Temp\\", L"C:\\Windows\\SystemTemp\\"}, {}, true, "C:\\Windows\\Temp\\", 0},
        {"SYSTEM with SystemTemp", RunAccount::System, L"C:\\Windows",
         {L"C:\\Windows\\Temp\\", L"C:\\Windows\\SystemTemp\\"}, {}, true, "C:\\Windows\\SystemTemp\\", 0},
        {"SYSTEM without SystemTemp", RunAccount::System, L"C:\\Windows", {L"C:\\Windows\\Temp\\"}, {}, true,
         "C:\\Windows\\Temp\\", 0},
        {"Windows in a drive's root", RunAccount::Administrator, L"E:\\", {L"E:\\Temp\\"}, {}, true, "E:\\Temp\\", 0},
        {"no Temp", RunAccount::Administrator, L"C:\\Windows", {}, {}, false, "C:\\Windows\\Temp\\",
         kPathNotFound},
        {"SYSTEM, neither folder", RunAccount::System, L"C:\\Windows", {}, {}, false, "C:\\Windows\\Temp\\",
         kPathNotFound},
        {"Windows folder unreadable", RunAccount::System, nullptr, {}, {}, false, "", kAccessDenied},
        {"foreign name with a short form", RunAccount::Administrator, cyrillicWindows.c_str(),
         {cyrillicWindows + L"\\Temp\\"}, {{cyrillicWindows + L"\\Temp\\", L"C:\\OKNA~1\\Temp\\"}}, true,
         "C:\\OKNA~1\\Temp\\", 0},
        {"foreign name without one", RunAccount::Administrator, cyrillicWindows.c_str(),
         {cyrillicWindows + L"\\Temp\\"}, {}, false, "C:\\????\\Temp\\", kBadPathName},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HandMadeMachine machine;
        machine.temp = L"D:\\Users\\jo\\Temp\\";
        machine.windows = c.windows;
        machine.folders.insert(c.folders.begin(), c.folders.end());
        machine.shortForms = c.shortForms;
        TempFolderChoice choice = ChooseTempFolder(machine, c.account);
        EXPECT_EQ(c.usable, choice.usable);
        EXPECT_EQ(c.folder, Text(choice.folder));
        EXPECT_EQ(c.error, choice.error);
    }
}

// SYSTEM by its SID whatever the membership; the rest by the membership.
TEST(RunAccount, KindFromTheTokensUserAndAdministratorsMembership) {
    EXPECT_EQ(RunAccount::System, AccountOfToken("S-1-5-18", true));
    EXPECT_EQ(RunAccount::System, AccountOfToken("S-1-5-18", false));
    EXPECT_EQ(RunAccount::Administrator, AccountOfToken("S-1-5-21-1-2-3-500", true));
    EXPECT_EQ(RunAccount::User, AccountOfToken("S-1-5-21-1-2-3-1001", false));
    // A SID that only begins like SYSTEM's is somebody else's.
    EXPECT_EQ(RunAccount::User, AccountOfToken("S-1-5-18-1", false));
    EXPECT_TRUE(IsElevated(RunAccount::System));
    EXPECT_TRUE(IsElevated(RunAccount::Administrator));
    EXPECT_FALSE(IsElevated(RunAccount::User));
}

TEST(AnsiPath, LauncherPathIsExactOrShortOrNamedAsUnusable) {
    const std::wstring cyrillic = L"C:\\\u0417\u0430\u0433\u0440\u0443\u0437\u043a\u0438\\setup.exe";
    const std::wstring shortCyrillic = L"C:\\\u0414\u0438\u043c\u0430\\setup.exe";
    struct Case {
        const char* name;
        const wchar_t* file;
        const wchar_t* shortForm;
        LauncherPathState state;
        const char* ansi;
        unsigned long error;
    };
    const Case cases[] = {
        {"o-umlaut", L"D:\\Downloads\\J\u00f6rg\\setup.exe", L"D:\\DOWNLO~1\\JRG~1\\setup.exe",
         LauncherPathState::Named, "D:\\Downloads\\J\xF6rg\\setup.exe", 0},
        {"Cyrillic folder", cyrillic.c_str(), L"C:\\6D1F~1\\setup.exe", LauncherPathState::Named,
         "C:\\6D1F~1\\setup.exe", 0},
        {"no short names", cyrillic.c_str(), nullptr, LauncherPathState::Unnamable, "", 0},
        {"short form still foreign", shortCyrillic.c_str(), shortCyrillic.c_str(), LauncherPathState::Unnamable,
         "", 0},
        {"unreadable", nullptr, nullptr, LauncherPathState::Unreadable, "", kAccessDenied},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HandMadeMachine machine;
        machine.launcher = c.file;
        if (c.file && c.shortForm) machine.shortForms[c.file] = c.shortForm;
        LauncherPath path = NameLauncherPath(machine);
        EXPECT_EQ(c.state, path.state);
        EXPECT_EQ(c.ansi, Text(path.ansi));
        EXPECT_EQ(c.error, path.error);
    }
}
