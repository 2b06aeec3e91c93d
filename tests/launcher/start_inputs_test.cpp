// The command tail, the temporary folder and the free-space test.
#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include <string>

#include "message_text.h"
#include "start_inputs.h"

TEST(CommandTail, CutAfterTheProgramNameByTheStartUpRule) {
    struct Case {
        const char* line;
        const char* tail;
    };
    const Case cases[] = {
        {"", ""},
        {"setup.exe", ""},
        {"\"C:\\dl\\setup.exe\"", ""},
        // A quoted name ends at its closing quote, even with an argument right behind it.
        {"\"C:\\dl\\setup.exe\"/S x", "/S x"},
        {"\"C:\\dl folder\\setup.exe\" /S \"x y\"", "/S \"x y\""},
        {"\"a\"b c", "b c"},
        {"\"\" x", "x"},
        {"\"C:\\no end quote", ""},
        // An unquoted name ends at the first character of code 32 or less.
        {"C:\\dl\\setup.exe\t\t/S x", "/S x"},
        {"setup.exe\x01\x1F arg", "arg"},
        {"setup.exe\xA0x y", "y"},  // a byte above 127 is part of the name
        {"setup.exe /S", "/S"},
        // What follows the skipped characters is kept as it is, to the end.
        {"setup.exe   \"quoted tail\"  x\\\"y ", "\"quoted tail\"  x\\\"y "},
        {"setup.exe   ", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const char* tail = CommandTail(c.line);
        EXPECT_STREQ(c.tail, tail);
        // A pointer into the line, not a copy.
        EXPECT_EQ(c.line + strlen(c.line) - strlen(c.tail), tail);
    }
}

TEST(TempFolder, OnlyDriveLetterPathsAreKept) {
    struct Case {
        const char* reported;
        bool usable;
    };
    const Case cases[] = {
        {"C:\\WINDOWS\\TEMP\\", true},
        {"d:\\t\\", true},
        {"C:\\", true},
        {"\\\\server\\share\\temp\\", false},
        {"\\\\?\\D:\\temp\\", false},
        {"D:temp\\", false},
        {"temp\\", false},
        {"C:", false},
        {"", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reported);
        EXPECT_EQ(c.usable, IsUsableTempFolder(c.reported, strlen(c.reported)));
    }
    // What does not fit the platform's path buffer, terminator included, is not usable.
    std::string longest = "E:\\" + std::string(kPlatformPathBuffer - 5, 'x') + "\\";
    EXPECT_TRUE(IsUsableTempFolder(longest.c_str(), longest.size()));
    longest.insert(3, "y");
    EXPECT_FALSE(IsUsableTempFolder(longest.c_str(), longest.size()));
}

TEST(FreeSpace, TenMegabytesExactlyPassAndTheMessageRoundsToOneDecimal) {
    EXPECT_TRUE(EnoughFreeSpace(10485760.0));
    EXPECT_TRUE(EnoughFreeSpace(5e12));
    EXPECT_FALSE(EnoughFreeSpace(10485759.0));
    EXPECT_FALSE(EnoughFreeSpace(0.0));

    struct Case {
        double freeBytes;
        double shownMb;
    };
    // One byte short still reads 10.0 MB available; a failed query reads 0.0.
    const Case cases[] = {{10485759.0, 10.0}, {0.0, 0.0}, {5 * 1048576.0 + 104858, 5.1}};
    for (const Case& c : cases) {
        char expected[512];
        snprintf(expected, sizeof expected, GetMessageText(5), "D:", 10.0, c.shownMb);
        QvString message = NoSpaceMessage("D:", c.freeBytes);
        EXPECT_STREQ(expected, static_cast<const char*>(message));
    }
    if (strncmp(GetMessageText(5), "Insufficient", 12) == 0) {
        EXPECT_STREQ("Insufficient space on drive D: to run setup!\n(10.0 MB required, only 10.0 MB available)",
                     static_cast<const char*>(NoSpaceMessage("D:", 10485759.0)));
    }
    EXPECT_NE(std::string::npos, static_cast<std::string>(NoSpaceMessage("D:", 0.0)).find(" 0.0 M"));
}
