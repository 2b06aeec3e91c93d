// The free-space rule and the no-space message.
#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include <string>

#include "free_space.h"
#include "message_text.h"

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
        snprintf(expected, sizeof expected, GetMessageText(kMessageNoSpace), "D:", 10.0, c.shownMb);
        QvString message = NoSpaceMessage("D:", c.freeBytes);
        EXPECT_STREQ(expected, static_cast<const char*>(message));
    }
    if (strncmp(GetMessageText(kMessageNoSpace), "Insufficient", 12) == 0) {
        EXPECT_STREQ("Insufficient space on drive D: to run setup!\n(10.0 MB required, only 10.0 MB available)",
                     static_cast<const char*>(NoSpaceMessage("D:", 10485759.0)));
    }
    EXPECT_NE(std::string::npos, static_cast<std::string>(NoSpaceMessage("D:", 0.0)).find(" 0.0 M"));
}
