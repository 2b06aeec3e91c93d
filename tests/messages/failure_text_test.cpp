// The launcher's own failure reports, kept beside the catalog.
#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "failure_text.h"
#include "message_catalog.h"

namespace {

struct Report {
    const char* name;
    const MessageEntry* entry;
    const char* conversions;  // the printf conversions, in order, nothing else
    const char* germanPart;   // a piece that shows the column is really German
};

const Report kReports[] = {
    {"failure", &g_failureReport, "%s%d", "Datei: %s\nFehlercode: %d"},
    {"damaged launcher", &g_damagedLauncherReport, "%s", "Datei: %s"},
    // Shown as it is, not formatted: no conversion at all.
    {"unnamable folder", &g_unnamableFolderReport, "", "Ordner mit einem einfachen Namen"},
    {"leftovers", &g_leftoversHeading, "", "Neustart"},
    {"left behind", &g_leftBehindHeading, "", "selbst"},
};

}  // namespace

TEST(FailureReport, FourLanguagesEachTakingItsArgumentsInOrder) {
    for (const Report& report : kReports) {
        SCOPED_TRACE(report.name);
        const char* texts[] = {report.entry->english, report.entry->italian, report.entry->french,
                               report.entry->german};
        for (const char* text : texts) {
            std::string t = text, conversions;
            // Exactly these conversions, and nothing the formatter could misread.
            for (size_t at = t.find('%'); at != std::string::npos; at = t.find('%', at + 2))
                conversions += t.substr(at, 2);
            EXPECT_EQ(report.conversions, conversions) << t;
            for (unsigned char c : t) {
                EXPECT_TRUE(c == '\n' || c >= 0x20) << t;
                EXPECT_TRUE(c != 0x81 && c != 0x8D && c != 0x8F && c != 0x90 && c != 0x9D) << t;
            }
        }
        // The catalog keeps its 37 messages: a report is not one of them.
        EXPECT_GT(report.entry->id, kMessageCount);
        EXPECT_STRNE(report.entry->english, report.entry->german);
        EXPECT_NE(nullptr, strstr(report.entry->german, report.germanPart));
    }
    EXPECT_NE(g_failureReport.id, g_damagedLauncherReport.id);
    EXPECT_NE(g_failureReport.id, g_unnamableFolderReport.id);
    EXPECT_NE(g_damagedLauncherReport.id, g_unnamableFolderReport.id);
    EXPECT_NE(g_damagedLauncherReport.id, g_leftoversHeading.id);
    EXPECT_NE(g_unnamableFolderReport.id, g_leftoversHeading.id);
    // The two leftover headings say different things in every language.
    EXPECT_NE(g_leftoversHeading.id, g_leftBehindHeading.id);
    for (auto column : {&MessageEntry::english, &MessageEntry::italian, &MessageEntry::french, &MessageEntry::german})
        EXPECT_STRNE(g_leftoversHeading.*column, g_leftBehindHeading.*column);
    EXPECT_NE(nullptr, strstr(g_failureReport.french, "Fichier : %s"));
    EXPECT_NE(nullptr, strstr(g_failureReport.italian, "Codice di errore: %d"));
}
