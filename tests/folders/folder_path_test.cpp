// Folder creation along a path, the list of created folders and the
// current drive and directory around it.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "alloc_counter.h"
#include "folder_path.h"
#include "recorded_paths.h"
#include "scratch_folder.h"

TEST(CreateFolderPath, CreatesOutsideInAndRecordsNewestFirst) {
    ScratchFolder scratch("cfp");
    std::string before = ScratchFolder::CurrentDirectory();
    FolderList list;
    std::string work = scratch / "TVQSetup0";
    EXPECT_EQ(0, CreateFolderPath((work + "\\sub").c_str(), &list));
    EXPECT_EQ((std::vector<std::string>{work + "\\sub", work}), Recorded(list));
    EXPECT_EQ(before, ScratchFolder::CurrentDirectory());

    EXPECT_EQ(0, CreateFolderPath((work + "\\other").c_str(), &list));
    EXPECT_EQ((std::vector<std::string>{work + "\\other", work + "\\sub", work}), Recorded(list));

    // Existing folders and existing files: 0, nothing recorded, nothing moved.
    EXPECT_EQ(0, CreateFolderPath(work.c_str(), &list));
    ScratchFolder::WriteAll(work + "\\file", "f");
    EXPECT_EQ(0, CreateFolderPath((work + "\\file").c_str(), &list));
    EXPECT_EQ(3u, Recorded(list).size());
    EXPECT_EQ(before, ScratchFolder::CurrentDirectory());

    // A null list records nothing but still creates.
    EXPECT_EQ(0, CreateFolderPath((work + "\\quiet\\deeper").c_str(), nullptr));
    EXPECT_TRUE(ScratchFolder::Exists(work + "\\quiet\\deeper"));
    EXPECT_EQ(3u, Recorded(list).size());
}

TEST(CreateFolderPath, DriveLettersRootAndRelativePaths) {
    ScratchFolder scratch("cfd");
    std::string before = ScratchFolder::CurrentDirectory();
    FolderList list;
    std::string lower = scratch.Path();
    lower[0] = static_cast<char>(tolower(lower[0]));
    EXPECT_EQ(0, CreateFolderPath((lower + "\\low").c_str(), &list));
    EXPECT_TRUE(ScratchFolder::Exists(scratch / "low"));
    std::vector<std::string> recorded = Recorded(list);
    ASSERT_EQ(1u, recorded.size());
    EXPECT_EQ(0, _stricmp(recorded[0].c_str(), (scratch / "low").c_str()));

    // Without a drive: relative to the current directory, or from the root of the current drive.
    SetCurrentDirectoryA(scratch.Path().c_str());
    EXPECT_EQ(0, CreateFolderPath("rel\\inner", &list));
    EXPECT_TRUE(ScratchFolder::Exists(scratch / "rel\\inner"));
    std::string rooted = scratch.Path().substr(2) + "\\rooted";  // "\...\rooted"
    EXPECT_EQ(0, CreateFolderPath(rooted.c_str(), &list));
    EXPECT_TRUE(ScratchFolder::Exists(scratch / "rooted"));
    EXPECT_EQ(scratch.Path(), ScratchFolder::CurrentDirectory());
    SetCurrentDirectoryA(before.c_str());
}

// A command prompt remembers a current folder per drive (=C:, inherited);
// one removed since must not keep a path from that drive's root from being
// made. The drive's own current folder is left as it was found.
TEST(CreateFolderPath, AGoneCurrentFolderOfTheDriveIsNoObstacle) {
    ScratchFolder scratch("cfg");
    std::string before = ScratchFolder::CurrentDirectory();
    std::string gone = scratch / "gone";
    ASSERT_TRUE(CreateDirectoryA(gone.c_str(), nullptr));
    ASSERT_TRUE(RemoveDirectoryA(gone.c_str()));
    char variable[4] = {'=', scratch.Path()[0], ':', '\0'};
    char saved[MAX_PATH] = {};
    DWORD n = GetEnvironmentVariableA(variable, saved, MAX_PATH);
    // Another drive current, so that the drive letter means its remembered folder.
    ASSERT_TRUE(SetCurrentDirectoryA("Z:\\")) << "the tests run with a drive Z:";
    ASSERT_TRUE(SetEnvironmentVariableA(variable, gone.c_str()));
    FolderList list;
    EXPECT_EQ(0, CreateFolderPath((scratch / "made\\inner").c_str(), &list));
    EXPECT_EQ((std::vector<std::string>{scratch / "made\\inner", scratch / "made"}), Recorded(list));
    EXPECT_EQ("Z:\\", ScratchFolder::CurrentDirectory());
    SetEnvironmentVariableA(variable, n > 0 && n < MAX_PATH ? saved : nullptr);
    SetCurrentDirectoryA(before.c_str());
}

TEST(CreateFolderPath, FailuresKeepWhatWasCreatedAndRestoreTheDirectory) {
    ScratchFolder scratch("cff");
    std::string before = ScratchFolder::CurrentDirectory();
    FolderList list;
    ScratchFolder::WriteAll(scratch / "blocker", "x");
    // A file in the way of a folder: the folder before it stays created and recorded.
    EXPECT_EQ(0, CreateFolderPath((scratch / "made\\inner").c_str(), &list));
    EXPECT_EQ(1, CreateFolderPath((scratch / "blocker\\below").c_str(), &list));
    EXPECT_EQ(1, CreateFolderPath((scratch / "made\\\\double").c_str(), &list));
    EXPECT_EQ(scratch / "made", Recorded(list).back());
    EXPECT_EQ(1, CreateFolderPath("xC:\\nowhere", &list));      // colon not second
    EXPECT_EQ(1, CreateFolderPath("Q:\\no\\such\\drive", &list));  // no such drive
    EXPECT_EQ(1, CreateFolderPath("1:\\digit", &list));
    EXPECT_EQ(before, ScratchFolder::CurrentDirectory());
}

// Each allocation of a call made to fail in turn: a folder that could not be
// recorded is removed again, so that every folder left on disk is in the
// list (which a failed run removes), and the directory is restored.
TEST(CreateFolderPath, NoMemoryToRecordAFolderLeavesNoneUnrecorded) {
    ScratchFolder scratch("cfm");
    std::string before = ScratchFolder::CurrentDirectory();
    std::string work = scratch / "TVQSetup0";
    std::string target = work + "\\sub";
    std::unique_ptr<FolderList> list(new FolderList);
    int runs = alloc_counter::FailEachAllocationInTurn(
        [&] { CreateFolderPath(target.c_str(), list.get()); },
        [&](int n) {
            SCOPED_TRACE(n);
            EXPECT_EQ(before, ScratchFolder::CurrentDirectory());
            std::vector<std::string> recorded = Recorded(*list);
            std::vector<std::string> onDisk;
            for (const std::string& folder : {target, work})
                if (ScratchFolder::Exists(folder)) onDisk.push_back(folder);
            EXPECT_EQ(onDisk, recorded);
            for (const std::string& folder : recorded) RemoveDirectoryA(folder.c_str());
            list.reset(new FolderList);
        });
    EXPECT_GT(runs, 2);  // both folders' records were made to fail
}
