// The bytes of the clean-up script's lines.
#include <gtest/gtest.h>

#include <string>

#include "cleanup_script.h"
#include "qv_text.h"

TEST(ScriptText, PlainPathsGiveTheSevenLineExampleByteForByte) {
    std::string script = Text(ScriptFirstText("C:\\TEMP\\TVQSetup0\\", false)) +
                         Text(ScriptDeleteLine("C:\\TEMP\\TVQSetup0\\a.dll")) +
                         Text(ScriptDeleteLine("C:\\TEMP\\TVQSetup0\\sub\\b.txt")) +
                         Text(ScriptRemoveFolderLine("C:\\TEMP\\TVQSetup0\\sub")) +
                         Text(ScriptRemoveFolderLine("C:\\TEMP\\TVQSetup0")) + Text(ScriptDeleteLine("C:\\TEMP\\0.bat"));
    EXPECT_EQ(
        "cd \\\r\n"
        "C:\\TEMP\\TVQSetup0\\Kestavon %1\r\n"
        "del C:\\TEMP\\TVQSetup0\\a.dll\r\n"
        "del C:\\TEMP\\TVQSetup0\\sub\\b.txt\r\n"
        "rmdir C:\\TEMP\\TVQSetup0\\sub\r\n"
        "rmdir C:\\TEMP\\TVQSetup0\r\n"
        "del C:\\TEMP\\0.bat\r\n",
        script);
    EXPECT_EQ("cd \\\r\n", Text(ScriptFirstText("C:\\TEMP\\TVQSetup0\\", true)));
}

TEST(ScriptText, PathsTheInterpreterWouldSplitAreQuotedAndPercentSignsDoubled) {
    EXPECT_EQ("del \"C:\\Users\\Anna Maria\\Temp\\x.dll\"\r\n", Text(ScriptDeleteLine("C:\\Users\\Anna Maria\\Temp\\x.dll")));
    EXPECT_EQ("del \"C:\\A&B\\x\"\r\n", Text(ScriptDeleteLine("C:\\A&B\\x")));
    EXPECT_EQ("rmdir \"C:\\Temp (2)\\TVQSetup0\"\r\n", Text(ScriptRemoveFolderLine("C:\\Temp (2)\\TVQSetup0")));
    // A percent sign alone needs no quotes, only doubling; with a blank it needs both.
    EXPECT_EQ("del C:\\100%%\\x\r\n", Text(ScriptDeleteLine("C:\\100%\\x")));
    EXPECT_EQ("cd \\\r\n\"C:\\a %%b\\TVQSetup0\\Kestavon\" %1\r\n", Text(ScriptFirstText("C:\\a %b\\TVQSetup0\\", false)));
    for (const char* odd : {"C:\\x^y", "C:\\x=y", "C:\\x;y", "C:\\x,y", "C:\\x!y", "C:\\x'y", "C:\\x+y"}) {
        std::string line = Text(ScriptDeleteLine(odd));
        EXPECT_EQ("del \"" + std::string(odd) + "\"\r\n", line);
    }
}

TEST(ScriptText, NonAsciiLettersAreWrittenInTheOemCodePage) {
    // Windows-1252 o-umlaut (0xF6) is 0x94 for the command interpreter; e-acute 0xE9 is 0x82.
    EXPECT_EQ("del C:\\Users\\J\x94rg\\Temp\\x\r\n", Text(ScriptDeleteLine("C:\\Users\\J\xF6rg\\Temp\\x")));
    EXPECT_EQ("rmdir \"C:\\Ren\x82 L\\y\"\r\n", Text(ScriptRemoveFolderLine("C:\\Ren\xE9 L\\y")));
    EXPECT_TRUE(SurvivesOemCodePage("C:\\J\xF6rg"));
    EXPECT_TRUE(SurvivesOemCodePage("C:\\plain"));
    // The euro sign has no place in the OEM code page.
    EXPECT_FALSE(SurvivesOemCodePage("C:\\\x80uro"));
}

TEST(ScriptText, LinesHoldNoZeroByteAndEndInCarriageReturnLineFeed) {
    for (const QvString& line : {ScriptDeleteLine("C:\\a b\\c"), ScriptRemoveFolderLine("D:\\x"),
                                 ScriptFirstText("E:\\w\\", false)}) {
        std::string s = Text(line);
        EXPECT_EQ(std::string::npos, s.find('\0'));
        ASSERT_GE(s.size(), 2u);
        EXPECT_EQ("\r\n", s.substr(s.size() - 2));
    }
}
