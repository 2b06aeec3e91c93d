// The command tail the launcher passes on.
#include <gtest/gtest.h>

#include <string.h>

#include "command_tail.h"

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
