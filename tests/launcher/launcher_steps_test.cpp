// Unique names, free space and the clean-up script on the platform.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>

#include "alloc_counter.h"
#include "cleanup_script.h"
#include "created_files.h"
#include "failure_text.h"
#include "folder_hold.h"
#include "folder_path.h"
#include "free_space.h"
#include "main_sequence.h"
#include "message_text.h"
#include "process_globals.h"
#include "qv_text.h"
#include "recorded_paths.h"
#include "run_account.h"
#include "scratch_folder.h"
#include "system_clock.h"
#include "test_thread.h"
#include "unique_name.h"

namespace {

// The C run-time's generator, whose numbers the unique names try.
struct RuntimeRand {
    uint32_t state;
    int Next() {
        state = state * 214013u + 2531011u;
        return static_cast<int>((state >> 16) & 0x7FFF);
    }
};

// The number of a name folder\<number>.bat.
int BatNumber(const std::string& folder, const std::string& name) {
    EXPECT_EQ(0u, name.rfind(folder + "\\", 0)) << name;
    EXPECT_EQ(".bat", name.substr(name.size() - 4)) << name;
    return atoi(name.substr(folder.size() + 1, name.size() - folder.size() - 5).c_str());
}

}  // namespace

// Only meaningful in a process where nothing has drawn a name yet: ctest
// runs it on its own (launcher_unique_seed), and leaves it out of the rest.
// The first name seeds the generator from the clock, also when its first
// candidate is free; the numbers of later names follow on from that seed.
TEST(UniqueNamesFreshProcess, SeededOnceFromTheClockAtTheFirstName) {
    RuntimeRand anchor{1};  // the reference itself: the C run-time's numbers after srand(1)
    ASSERT_EQ(41, anchor.Next());
    ASSERT_EQ(18467, anchor.Next());
    ASSERT_EQ(6334, anchor.Next());

    ScratchFolder scratch("us");
    QvString pattern = (scratch.Path() + "\\%d.bat").c_str();
    uint32_t before = SystemMilliseconds();
    EXPECT_EQ(scratch / "0.bat", Text(MakeUniqueName(pattern)));
    uint32_t after = SystemMilliseconds();
    Sleep(100);  // a seed taken later would give other numbers
    ScratchFolder::WriteAll(scratch / "0.bat", "taken");
    std::string second = Text(MakeUniqueName(pattern));
    ScratchFolder::WriteAll(second, "taken");
    std::string third = Text(MakeUniqueName(pattern));
    int first = BatNumber(scratch.Path(), second), next = BatNumber(scratch.Path(), third);
    bool seeded = false;
    for (uint32_t seed = before; !seeded && seed - before <= after - before; ++seed) {
        RuntimeRand generator{seed};
        seeded = generator.Next() == first && generator.Next() == next;
    }
    EXPECT_TRUE(seeded) << first << ", " << next << " from no seed of " << before << ".." << after;
}

TEST(UniqueNames, FirstCandidateIsZeroThenRandomAndNothingIsCreated) {
    ScratchFolder scratch("un");
    QvString pattern = (scratch.Path() + "\\%d.bat").c_str();
    EXPECT_EQ(scratch / "0.bat", Text(MakeUniqueName(pattern)));
    EXPECT_FALSE(ScratchFolder::Exists(scratch / "0.bat"));

    ScratchFolder::WriteAll(scratch / "0.bat", "taken");
    for (int i = 0; i < 20; ++i) {
        int number = BatNumber(scratch.Path(), Text(MakeUniqueName(pattern)));
        EXPECT_GT(number, 0);
        EXPECT_LE(number, 32767);
    }
}

TEST(UniqueNames, ReservationsCreateAndNeverShare) {
    ScratchFolder scratch("ur");
    QvString base = (scratch.Path() + "\\").c_str();
    FolderList folders;
    FolderHold firstHold, secondHold;
    QvString first = ReserveUniqueFolder(base + "TVQSetup%d", &folders, nullptr, &firstHold);
    EXPECT_EQ(scratch / "TVQSetup0", Text(first));
    EXPECT_TRUE(ScratchFolder::Exists(Text(first)));
    EXPECT_TRUE(firstHold.Held());
    EXPECT_EQ(std::vector<std::string>{Text(first)}, Recorded(folders));
    // A second launcher at the same moment gets another folder.
    QvString second = ReserveUniqueFolder(base + "TVQSetup%d", &folders, nullptr, &secondHold);
    EXPECT_NE(Text(first), Text(second));
    EXPECT_EQ((std::vector<std::string>{Text(second), Text(first)}), Recorded(folders));

    HANDLE file = nullptr;
    QvString script = ReserveUniqueFile(base + "%d.bat", nullptr, &file);
    EXPECT_EQ(scratch / "0.bat", Text(script));
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    // The script is written through the handle that created it, which
    // nobody else can open meanwhile.
    EXPECT_EQ(INVALID_HANDLE_VALUE, CreateFileA(Text(script).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), GetLastError());
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(file, "cd \\\r\n", 6, &written, nullptr));
    CloseHandle(file);
    EXPECT_EQ("cd \\\r\n", ScratchFolder::ReadAll(Text(script)));
    HANDLE other = nullptr;
    EXPECT_NE(Text(script), Text(ReserveUniqueFile(base + "%d.bat", nullptr, &other)));
    CloseHandle(other);
    // A file of the folder's name counts as taken too.
    ScratchFolder::WriteAll(scratch / "F0", "x");
    FolderHold thirdHold;
    EXPECT_NE(scratch / "F0", Text(ReserveUniqueFolder(base + "F%d", nullptr, nullptr, &thirdHold)));
}

// The working folder is held from its creation on: nobody can move it
// aside, rename it or remove it and put another in its place, while its
// content can be made as usual; once let go it can be moved and removed.
TEST(UniqueNames, AHeldFolderCannotBeSwappedUntilLetGo) {
    ScratchFolder scratch("uh");
    QvString base = (scratch.Path() + "\\").c_str();
    FolderHold hold;
    std::string folder = Text(ReserveUniqueFolder(base + "TVQSetup%d", nullptr, nullptr, &hold));
    std::string aside = scratch / "aside";
    ASSERT_EQ(scratch / "TVQSetup0", folder);
    struct Attempt {
        const char* name;
        std::function<BOOL()> call;
    };
    const Attempt attempts[] = {
        {"move aside", [&] { return MoveFileExA(folder.c_str(), aside.c_str(), 0); }},
        {"rename in place", [&] { return MoveFileA(folder.c_str(), (scratch / "TVQSETUP0").c_str()); }},
        {"remove", [&] { return RemoveDirectoryA(folder.c_str()); }},
    };
    for (const Attempt& attempt : attempts) {
        SCOPED_TRACE(attempt.name);
        EXPECT_FALSE(attempt.call());
        EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), GetLastError());
        EXPECT_TRUE(ScratchFolder::Exists(folder));
    }
    // Its content is made as usual, and it can become the current folder.
    EXPECT_TRUE(CreateDirectoryA((folder + "\\sub").c_str(), nullptr));
    EXPECT_TRUE(ScratchFolder::WriteAll(folder + "\\sub\\a.dll", "x"));
    std::string before = ScratchFolder::CurrentDirectory();
    EXPECT_TRUE(SetCurrentDirectoryA(folder.c_str()));
    SetCurrentDirectoryA(before.c_str());

    hold.Release();
    EXPECT_FALSE(hold.Held());
    EXPECT_TRUE(MoveFileExA(folder.c_str(), aside.c_str(), 0)) << GetLastError();
    EXPECT_EQ("x", ScratchFolder::ReadAll(aside + "\\sub\\a.dll"));
}

// Each allocation made to fail in turn: a reserved folder that could not be
// recorded is removed again, since a failed run removes only what it recorded.
TEST(UniqueNames, FolderThatCannotBeRecordedIsNotLeftBehind) {
    ScratchFolder scratch("urm");
    QvString pattern = (scratch.Path() + "\\TVQSetup%d").c_str();
    std::string zero = scratch / "TVQSetup0";
    std::unique_ptr<FolderList> folders(new FolderList);
    int runs = alloc_counter::FailEachAllocationInTurn(
        [&] {
            FolderHold hold;
            ReserveUniqueFolder(pattern, folders.get(), nullptr, &hold);
        },
        [&](int n) {
            SCOPED_TRACE(n);
            EXPECT_EQ(ScratchFolder::Exists(zero), !folders->IsEmpty());
            RemoveDirectoryA(zero.c_str());
            folders.reset(new FolderList);
        });
    EXPECT_GT(runs, 1);  // the record itself was made to fail
}

TEST(FreeSpace, RealDrivesAndMissingOnes) {
    EXPECT_EQ(0.0, GetDriveFreeSpace("Q:\\"));
    double c = GetDriveFreeSpace("C:\\");
    EXPECT_GT(c, 0.0);
    ULARGE_INTEGER available, total;
    ASSERT_TRUE(GetDiskFreeSpaceExA("C:", &available, &total, nullptr));
    // The same count the platform reports, not cut to 32 bits (allow for other writers).
    EXPECT_NEAR(static_cast<double>(available.QuadPart), c, 64.0 * 1048576.0);
}

TEST(CleanupScript, WritesTheRunsRecordAndFinishesWithItself) {
    ScratchFolder scratch("cs");
    std::string temp = scratch.Path() + "\\";
    FolderList folders;
    FolderHold hold;
    QvString work = ReserveUniqueFolder((temp + "TVQSetup%d").c_str(), &folders, nullptr, &hold) + "\\";
    QvString scriptPath = (temp + "0.bat").c_str();
    auto create = [&](const QvString& path) {
        return CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    {
        CleanupScript script(scriptPath, create(scriptPath));
        script.WriteFirstText(work);
        script.WriteDelete(work + "a.dll");
        CreateFolderPath(work + "sub", &folders);
        script.WriteDelete(work + "sub\\b.txt");
        script.WriteRemoveFolders(folders);
        script.Finish();
    }
    EXPECT_EQ("cd \\\r\n" + Text(work) + "Kestavon %1\r\ndel " + Text(work) + "a.dll\r\ndel " + Text(work) +
                  "sub\\b.txt\r\nrmdir " + Text(work) + "sub\r\nrmdir " + temp + "TVQSetup0\r\ndel " + temp +
                  "0.bat\r\n",
              ScratchFolder::ReadAll(temp + "0.bat"));

    // With Kestavon.exe already in the working folder, the short form.
    ScratchFolder::WriteAll(Text(work) + "Kestavon.exe", "MZ");
    {
        CleanupScript script(scriptPath, create(scriptPath));
        script.WriteFirstText(work);
        script.Close();
    }
    EXPECT_EQ("cd \\\r\n", ScratchFolder::ReadAll(temp + "0.bat"));
}

TEST(CleanupScript, PathsTheOemCodePageCannotHoldAreNamedByTheirShortNames) {
    ScratchFolder scratch("csn");
    std::string odd = scratch / "euro\x80";
    CreateDirectoryA(odd.c_str(), nullptr);
    char shortName[MAX_PATH] = {};
    GetShortPathNameA(odd.c_str(), shortName, MAX_PATH);
    // Without a short name on this volume, the path as it is.
    std::string named = shortName[0] != '\0' ? shortName : odd;
    std::string plain = scratch / "plain";
    std::string path = scratch / "s.bat";
    {
        CleanupScript script(path.c_str(), CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                                       FILE_ATTRIBUTE_NORMAL, nullptr));
        script.WriteDelete(odd.c_str());
        script.WriteDelete(plain.c_str());
        script.Close();
    }
    EXPECT_EQ(Text(ScriptDeleteLine(named.c_str())) + Text(ScriptDeleteLine(plain.c_str())),
              ScratchFolder::ReadAll(path));
}

// A percent sign in the temporary folder stands for itself in the names.
TEST(CreatedFiles, NamesKeepPercentSignsOfTheTemporaryFolder) {
    ScratchFolder scratch("p%x");
    std::string temp = scratch.Path() + "\\";
    CreatedFiles run(temp.c_str());
    run.ReserveNames(nullptr);
    EXPECT_EQ(temp + "0.bat", Text(run.ScriptPath()));
    EXPECT_EQ(temp + "TVQSetup0\\", Text(run.WorkFolder()));
    EXPECT_TRUE(ScratchFolder::Exists(temp + "TVQSetup0"));
}

// The owner of what a run creates: given up, it removes the script, the
// files (a read-only one and one left half-done too) and the folders; once
// committed, it leaves the finished script and everything it lists.
TEST(CreatedFiles, RemovesEverythingUnlessCommitted) {
    ScratchFolder scratch("rf");
    std::string temp = scratch.Path() + "\\";
    for (bool commit : {false, true}) {
        SCOPED_TRACE(commit ? "committed" : "given up");
        std::string work, script;
        {
            CreatedFiles run(temp.c_str());
            run.ReserveNames(nullptr);
            run.StartScript();
            work = Text(run.WorkFolder());
            script = Text(run.ScriptPath());
            EXPECT_EQ(script, Text(run.CurrentPath()));
            for (const char* name : {"sub\\a.dll", "sub\\deeper\\b.txt"}) {
                QvString target = (work + name).c_str();
                run.StartFile(target);
                EXPECT_EQ(work + name, Text(run.CurrentPath()));
                std::string path = work + name;
                CreateFolderPath(path.substr(0, path.rfind('\\')).c_str(), run.Folders());
                ScratchFolder::WriteAll(path, "x");
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
                run.FinishFile(target);
            }
            EXPECT_EQ(script, Text(run.CurrentPath()));
            if (commit) {
                run.FinishScript();
                run.Commit();
            } else {
                run.StartFile((work + "half.bin").c_str());
                ScratchFolder::WriteAll(work + "half.bin", "partial");
            }
        }
        if (!commit) {
            for (const std::string& gone : {work + "half.bin", work + "sub\\deeper\\b.txt", work + "sub\\deeper",
                                            work + "sub\\a.dll", work + "sub", work, script})
                EXPECT_FALSE(ScratchFolder::Exists(gone)) << gone;
            continue;
        }
        std::string folder = work.substr(0, work.size() - 1);
        EXPECT_EQ("cd \\\r\n" + work + "Kestavon %1\r\ndel " + work + "sub\\a.dll\r\ndel " + work +
                      "sub\\deeper\\b.txt\r\nrmdir " + work + "sub\\deeper\r\nrmdir " + work + "sub\r\nrmdir " +
                      folder + "\r\ndel " + script + "\r\n",
                  ScratchFolder::ReadAll(script));
        EXPECT_TRUE(ScratchFolder::Exists(work + "sub\\deeper\\b.txt"));
    }
}

// The names in folder (ending in a backslash), sorted.
std::vector<std::string> Entries(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((folder + "*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return names;
    do names.push_back(found.cFileName);
    while (FindNextFileA(h, &found));
    FindClose(h);
    std::sort(names.begin(), names.end());
    return names;
}

// The folder a run of this process works in: the machine's temporary
// folder when the process is elevated (as every process under Wine is),
// else the one TMP names.
std::string RunFolderOfThisProcess(const std::string& tmp) {
    TokenAccount token;
    if (ReadTokenAccount(&token) != 0 || !IsElevated(token.account)) return tmp;
    char windows[MAX_PATH] = {};
    UINT n = GetSystemWindowsDirectoryA(windows, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::string(windows) + "\\Temp\\" : tmp;
}

// The whole main sequence in this process, whose module carries neither
// archives nor the splash template: absent archives are skipped, so the run
// gets as far as the launch, where the next stage is missing. It says so,
// naming the program and the platform's error, removes everything it made
// and ends with 2 (it used to end with 0 and leave it all behind).
TEST(MainSequence, NextStageThatCannotStartFailsTheRunAndLeavesNothing) {
    ScratchFolder scratch("ms");
    std::string tmp = scratch.Path() + "\\";
    std::string temp = RunFolderOfThisProcess(tmp);
    std::vector<std::string> before = Entries(temp);
    char saved[MAX_PATH] = {};
    DWORD n = GetEnvironmentVariableA("TMP", saved, MAX_PATH);
    ASSERT_TRUE(SetEnvironmentVariableA("TMP", tmp.c_str()));  // GetTempPathA reads TMP first
    std::string current = ScratchFolder::CurrentDirectory();
    int code = -1;
    std::string during;
    TestThread launcher([&] {
        code = RunLauncher(GetModuleHandleA(nullptr), "/tail");
        during = ScratchFolder::CurrentDirectory();
    });
    HWND box = nullptr;
    for (int waited = 0; box == nullptr && waited < 20000; waited += 10) {
        box = FindWindowA("#32770", GetMessageText(kMessageCaption));
        if (box == nullptr) Sleep(10);
    }
    char text[2048] = {};
    if (box != nullptr) {
        GetDlgItemTextA(box, 0xFFFF, text, sizeof text);  // the message box's text
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    }
    launcher.Join();
    SetCurrentDirectoryA(current.c_str());
    SetEnvironmentVariableA("TMP", n > 0 && n < MAX_PATH ? saved : nullptr);

    ASSERT_NE(nullptr, box) << "no failure report";
    // The working folder's number depends on what the folder holds already.
    std::string report = text;
    size_t work = report.find(temp + "TVQSetup");
    ASSERT_NE(std::string::npos, work) << report << " (the run was to work in " << temp << ")";
    size_t program = report.find("\\Zoratrel.exe", work);
    ASSERT_NE(std::string::npos, program) << report;
    char expected[2048];
    snprintf(expected, sizeof expected, GetFailureReportText(),
             report.substr(work, program + 13 - work).c_str(), ERROR_FILE_NOT_FOUND);
    EXPECT_STREQ(expected, text);
    EXPECT_EQ(kExitPreparationFailed, code);
    EXPECT_FALSE(g_nextStageLaunched);
    // Out of the working folder again, so that it could be removed with the rest.
    EXPECT_EQ(temp.substr(0, temp.size() - 1), during);
    EXPECT_EQ(before, Entries(temp));
}
