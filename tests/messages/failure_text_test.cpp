// The launcher's own failure report, kept beside the catalog.
#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "failure_text.h"
#include "message_catalog.h"

TEST(FailureReport, FourLanguagesEachTakingThePathThenTheCode) {
    const char* texts[] = {g_failureReport.english, g_failureReport.italian, g_failureReport.french,
                           g_failureReport.german};
    for (const char* text : texts) {
        std::string t = text;
        size_t path = t.find("%s"), code = t.find("%d");
        ASSERT_NE(std::string::npos, path) << t;
        ASSERT_NE(std::string::npos, code) << t;
        EXPECT_LT(path, code) << t;
        // Exactly these two conversions, and nothing the formatter could misread.
        size_t percents = 0;
        for (char c : t) percents += c == '%';
        EXPECT_EQ(2u, percents) << t;
        for (unsigned char c : t) {
            EXPECT_TRUE(c == '\n' || c >= 0x20) << t;
            EXPECT_TRUE(c != 0x81 && c != 0x8D && c != 0x8F && c != 0x90 && c != 0x9D) << t;
        }
    }
    // The catalog keeps its 37 messages: the report is not one of them.
    EXPECT_GT(g_failureReport.id, kMessageCount);
    EXPECT_STRNE(g_failureReport.english, g_failureReport.german);
    EXPECT_NE(nullptr, strstr(g_failureReport.german, "Datei: %s"));
    EXPECT_NE(nullptr, strstr(g_failureReport.french, "Fichier : %s"));
    EXPECT_NE(nullptr, strstr(g_failureReport.italian, "Codice di errore: %d"));
}
