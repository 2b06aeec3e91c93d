// The launcher's own options at the start of the command tail, and what
// goes on to the next stage.
#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "launcher_options.h"
#include "qv_text.h"

TEST(LauncherOptions, TakenFromTheStartOfTheTailOnly) {
    struct Case {
        const char* tail;
        bool wait;
        bool quiet;
        const char* log;   // the log's path as taken, "" for none
        const char* rest;  // what the next stage gets
    };
    const Case cases[] = {
        {"", false, false, "", ""},
        // A tail without options goes on as it came, byte for byte.
        {"/S \"x y\" ", false, false, "", "/S \"x y\" "},
        {"/wait", true, false, "", ""},
        {"/wait /S", true, false, "", "/S"},
        // Any case; blanks of codes 1 to 32 after an option go with it.
        {"/WAIT\t\x01 /Quiet  /S  x ", true, true, "", "/S  x "},
        {"/quiet /wait /log=C:\\logs\\setup.log --lang=de", true, true, "C:\\logs\\setup.log", "--lang=de"},
        {"/LOG=setup.log", false, false, "setup.log", ""},
        // Quotes enclose blanks in a word, and are taken off the path.
        {"/log=\"C:\\My Logs\\setup.log\" /wait x", true, false, "C:\\My Logs\\setup.log", "x"},
        {"/log=C:\\My\" \"Logs\\a.log x", false, false, "C:\\My Logs\\a.log", "x"},
        // The last of two logs counts.
        {"/log=a.log /log=b.log", false, false, "b.log", ""},
        // Only begins like an option: the next stage's, and the end of the options.
        {"/waitx /quiet", false, false, "", "/waitx /quiet"},
        {"/wait/quiet", false, false, "", "/wait/quiet"},
        {"/quiet /log= /wait", false, true, "", "/log= /wait"},
        {"/quiet /log=\"\" x", false, true, "", "/log=\"\" x"},
        {"-wait", false, false, "", "-wait"},
        {"wait", false, false, "", "wait"},
        // An option after another word is not the launcher's.
        {"/S /wait", false, false, "", "/S /wait"},
        {"\"/wait\"", false, false, "", "\"/wait\""},
        // A quote never closed runs to the end.
        {"/log=\"C:\\a b", false, false, "C:\\a b", ""},
        {"/wait \"unclosed tail", true, false, "", "\"unclosed tail"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tail);
        LauncherOptions options = ReadLauncherOptions(c.tail);
        EXPECT_EQ(c.wait, options.wait);
        EXPECT_EQ(c.quiet, options.quiet);
        EXPECT_EQ(c.log, Text(options.logPath));
        EXPECT_STREQ(c.rest, options.nextStageTail);
        // A pointer into the tail, not a copy: the next stage gets its bytes.
        EXPECT_EQ(c.tail + strlen(c.tail) - strlen(c.rest), options.nextStageTail);
    }
}
