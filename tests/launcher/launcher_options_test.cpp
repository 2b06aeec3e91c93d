// The launcher's own options at the start of the command tail, and what
// goes on to the next stage.
#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "launcher_options.h"

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
        EXPECT_STREQ(c.log, options.logPath);
        EXPECT_STREQ(c.rest, options.nextStageTail);
        // A pointer into the tail, not a copy: the next stage gets its bytes.
        EXPECT_EQ(c.tail + strlen(c.tail) - strlen(c.rest), options.nextStageTail);
    }
}

// A log's path longer than the platform opens is still the launcher's
// option (the next stage does not get it), but names no log.
TEST(LauncherOptions, ALogPathTooLongIsTakenButNamesNoLog) {
    std::string fits = "/log=" + std::string(kLogPathChars - 1, 'p') + " /wait x";
    LauncherOptions options = ReadLauncherOptions(fits.c_str());
    EXPECT_EQ(kLogPathChars - 1, strlen(options.logPath));
    EXPECT_TRUE(options.wait);
    EXPECT_STREQ("x", options.nextStageTail);
    // Quotes do not count: they are taken off.
    std::string quoted = "/log=\"" + std::string(kLogPathChars - 1, 'q') + "\" x";
    EXPECT_EQ(kLogPathChars - 1, strlen(ReadLauncherOptions(quoted.c_str()).logPath));
    std::string tooLong = "/log=" + std::string(kLogPathChars, 'p') + " /wait x";
    options = ReadLauncherOptions(tooLong.c_str());
    EXPECT_STREQ("", options.logPath);
    EXPECT_TRUE(options.wait);
    EXPECT_STREQ("x", options.nextStageTail);
}
