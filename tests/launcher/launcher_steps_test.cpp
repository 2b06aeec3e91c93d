// Unique names, free space and the clean-up script on the platform.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>

#include "alloc_counter.h"
#include "cleanup_script.h"
#include "failure_text.h"
#include "folder_path.h"
#include "free_space.h"
#include "process_globals.h"
#include "main_sequence.h"
#include "message_text.h"
#include "created_files.h"
#include "scratch_folder.h"
#include "test_thread.h"
#include "unique_name.h"

namespace {
std::string S(const QvString& s) { return std::string(static_cast<const char*>(s), s.GetLength()); }
}  // namespace

// Only meaningful in a process where nothing has drawn a name yet: ctest
// runs it on its own (launcher_unique_seed), and leaves it out of the rest.
TEST(UniqueNamesFreshProcess, SeededOnceAtTheFirstCallEvenWhenZeroIsFree) {
    ASSERT_FALSE(UniqueNamesSeeded()) << "run this test in a process of its own";
    ScratchFolder scratch("us");
    QvString base = EscapePercent((scratch.Path() + "\\").c_str());
    EXPECT_EQ(scratch / "0.bat", S(MakeUniqueName(base + "%d.bat")));
    EXPECT_TRUE(UniqueNamesSeeded());
    // Later calls draw on from the state they find: after the seed 1 the
    // first number is 41, which a second seeding from the clock would lose.
    SeedUniqueNames(1);
    ScratchFolder::WriteAll(scratch / "0.bat", "taken");
    EXPECT_EQ(scratch / "41.bat", S(MakeUniqueName(base + "%d.bat")));
}

TEST(UniqueNames, GeneratorFollowsTheRuntimeSequence) {
    SeedUniqueNames(1);
    EXPECT_EQ(41, NextUniqueNumber());
    EXPECT_EQ(18467, NextUniqueNumber());
    EXPECT_EQ(6334, NextUniqueNumber());
    SeedUniqueNames(0xFFFFFFFFu);
    for (int i = 0; i < 1000; ++i) {
        int n = NextUniqueNumber();
        ASSERT_GE(n, 0);
        ASSERT_LE(n, 32767);
    }
}

TEST(UniqueNames, FirstCandidateIsZeroThenRandomAndPercentSignsAreLiteral) {
    ScratchFolder scratch("un%x");  // a percent sign in the folder itself
    QvString base = EscapePercent((scratch.Path() + "\\").c_str());
    EXPECT_EQ(scratch / "0.bat", S(MakeUniqueName(base + "%d.bat")));
    EXPECT_TRUE(UniqueNamesSeeded());
    EXPECT_FALSE(ScratchFolder::Exists(scratch / "0.bat"));  // nothing is created

    ScratchFolder::WriteAll(scratch / "0.bat", "taken");
    std::string other = S(MakeUniqueName(base + "%d.bat"));
    ASSERT_EQ(0u, other.rfind(scratch.Path() + "\\", 0)) << other;
    std::string number = other.substr(scratch.Path().size() + 1, other.size() - scratch.Path().size() - 5);
    EXPECT_NE("0", number);
    EXPECT_LE(atoi(number.c_str()), 32767);
    EXPECT_EQ(".bat", other.substr(other.size() - 4));
}

TEST(UniqueNames, ReservationsCreateAndNeverShare) {
    ScratchFolder scratch("ur");
    QvString base = EscapePercent((scratch.Path() + "\\").c_str());
    FolderList folders;
    QvString first = ReserveUniqueFolder(base + "TVQSetup%d", &folders, nullptr);
    EXPECT_EQ(scratch / "TVQSetup0", S(first));
    EXPECT_TRUE(ScratchFolder::Exists(S(first)));
    ASSERT_EQ(1u, folders.Count());
    EXPECT_EQ(S(first), S(folders.At(0)));
    // A second launcher at the same moment gets another folder.
    QvString second = ReserveUniqueFolder(base + "TVQSetup%d", &folders, nullptr);
    EXPECT_NE(S(first), S(second));
    EXPECT_EQ(2u, folders.Count());

    QvString script = ReserveUniqueFile(base + "%d.bat", nullptr);
    EXPECT_EQ(scratch / "0.bat", S(script));
    EXPECT_EQ("", ScratchFolder::ReadAll(S(script)));
    EXPECT_NE(S(script), S(ReserveUniqueFile(base + "%d.bat", nullptr)));
    // A file of the folder's name counts as taken too.
    ScratchFolder::WriteAll(scratch / "F0", "x");
    EXPECT_NE(scratch / "F0", S(ReserveUniqueFolder(base + "F%d", nullptr, nullptr)));
}

// Each allocation made to fail in turn: a reserved folder that could not be
// recorded is removed again, since a failed run removes only what it recorded.
TEST(UniqueNames, FolderThatCannotBeRecordedIsNotLeftBehind) {
    ScratchFolder scratch("urm");
    QvString pattern = EscapePercent((scratch.Path() + "\\").c_str()) + "TVQSetup%d";
    std::string zero = scratch / "TVQSetup0";
    std::unique_ptr<FolderList> folders(new FolderList);
    int runs = alloc_counter::FailEachAllocationInTurn(
        [&] { ReserveUniqueFolder(pattern, folders.get(), nullptr); },
        [&](int n) {
            SCOPED_TRACE(n);
            EXPECT_EQ(ScratchFolder::Exists(zero), !folders->IsEmpty());
            RemoveDirectoryA(zero.c_str());
            folders.reset(new FolderList);
        });
    EXPECT_GT(runs, 1);  // the record itself was made to fail
}

TEST(FreeSpace, RealDrivesAndMissingOnes) {
    EXPECT_EQ(0.0, GetDriveFreeSpace("Q:"));
    double c = GetDriveFreeSpace("C:");
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
    QvString work = ReserveUniqueFolder(EscapePercent(temp.c_str()) + "TVQSetup%d", &folders, nullptr) + "\\";
    QvString scriptPath = (temp + "0.bat").c_str();
    {
        CleanupScript script(scriptPath);
        script.WriteFirstText(work);
        script.WriteDelete(work + "a.dll");
        CreateFolderPath(work + "sub", &folders);
        script.WriteDelete(work + "sub\\b.txt");
        script.WriteRemoveFolders(folders);
        script.Finish();
    }
    EXPECT_EQ("cd \\\r\n" + S(work) + "Kestavon %1\r\ndel " + S(work) + "a.dll\r\ndel " + S(work) +
                  "sub\\b.txt\r\nrmdir " + S(work) + "sub\r\nrmdir " + temp + "TVQSetup0\r\ndel " + temp +
                  "0.bat\r\n",
              ScratchFolder::ReadAll(temp + "0.bat"));

    // With Kestavon.exe already in the working folder, the short form.
    ScratchFolder::WriteAll(S(work) + "Kestavon.exe", "MZ");
    {
        CleanupScript script(scriptPath);
        script.WriteFirstText(work);
        script.Close();
    }
    EXPECT_EQ("cd \\\r\n", ScratchFolder::ReadAll(temp + "0.bat"));
}

TEST(CleanupScript, PathsTheOemCodePageCannotHoldUseTheirShortNames) {
    ScratchFolder scratch("csn");
    std::string odd = scratch / "euro\x80";
    CreateDirectoryA(odd.c_str(), nullptr);
    QvString nameable = ScriptNameablePath(odd.c_str());
    char shortName[MAX_PATH] = {};
    GetShortPathNameA(odd.c_str(), shortName, MAX_PATH);
    if (shortName[0] != '\0' && std::string(shortName) != odd) {
        EXPECT_EQ(std::string(shortName), S(nameable));
    } else {
        EXPECT_EQ(odd, S(nameable));  // no short name on this volume: the path as it is
    }
    EXPECT_EQ(scratch / "plain", S(ScriptNameablePath((scratch / "plain").c_str())));
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
            run.OpenScript();
            work = S(run.WorkFolder());
            script = S(run.ScriptPath());
            EXPECT_EQ(script, S(run.CurrentPath()));
            for (const char* name : {"sub\\a.dll", "sub\\deeper\\b.txt"}) {
                QvString target = (work + name).c_str();
                run.StartFile(target);
                EXPECT_EQ(work + name, S(run.CurrentPath()));
                std::string path = work + name;
                CreateFolderPath(path.substr(0, path.rfind('\\')).c_str(), run.Folders());
                ScratchFolder::WriteAll(path, "x");
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
                run.FinishFile(target);
            }
            EXPECT_EQ(script, S(run.CurrentPath()));
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

// The whole main sequence in this process, whose module carries neither
// archives nor the splash template: absent archives are skipped, so the run
// gets as far as the launch, where the next stage is missing. It says so,
// naming the program and the platform's error, removes everything it made
// and ends with 2 (it used to end with 0 and leave it all behind).
TEST(MainSequence, NextStageThatCannotStartFailsTheRunAndLeavesNothing) {
    ScratchFolder scratch("ms");
    std::string temp = scratch.Path() + "\\";
    char saved[MAX_PATH] = {};
    DWORD n = GetEnvironmentVariableA("TMP", saved, MAX_PATH);
    ASSERT_TRUE(SetEnvironmentVariableA("TMP", temp.c_str()));  // GetTempPathA reads TMP first
    std::string before = ScratchFolder::CurrentDirectory();
    int code = -1;
    std::string during;
    TestThread launcher([&] {
        code = RunLauncher(GetModuleHandleA(nullptr), "/tail");
        during = ScratchFolder::CurrentDirectory();
    });
    HWND box = nullptr;
    for (int waited = 0; box == nullptr && waited < 20000; waited += 10) {
        box = FindWindowA("#32770", GetMessageText(0));
        if (box == nullptr) Sleep(10);
    }
    char text[2048] = {};
    if (box != nullptr) {
        GetDlgItemTextA(box, 0xFFFF, text, sizeof text);  // the message box's text
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    }
    launcher.Join();
    SetCurrentDirectoryA(before.c_str());
    SetEnvironmentVariableA("TMP", n > 0 && n < MAX_PATH ? saved : nullptr);

    ASSERT_NE(nullptr, box) << "no failure report";
    char expected[2048];
    snprintf(expected, sizeof expected, GetFailureReportText(), (temp + "TVQSetup0\\Zoratrel.exe").c_str(),
             ERROR_FILE_NOT_FOUND);
    EXPECT_STREQ(expected, text);
    EXPECT_EQ(kExitPreparationFailed, code);
    EXPECT_FALSE(g_nextStageLaunched);
    // Out of the working folder again, so that it could be removed with the rest.
    EXPECT_EQ(scratch.Path(), during);
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((temp + "*").c_str(), &found);
    int entries = 0;
    if (h != INVALID_HANDLE_VALUE) {
        do ++entries;
        while (FindNextFileA(h, &found));
        FindClose(h);
    }
    EXPECT_EQ(2, entries) << "the temporary folder holds more than . and ..";
}
