// The lookup: which record and which column it picks, and when it asks for
// the language; then GetMessageText on the platform's own queries.
#include <gtest/gtest.h>

#include <cstdio>
#include <initializer_list>
#include <string>

#include "message_catalog.h"
#include "message_text.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

// Language queries that report set values and count how often they are asked.
unsigned short g_user;
unsigned short g_system;
int g_userCalls;
int g_systemCalls;

unsigned short FakeUser() {
    ++g_userCalls;
    return g_user;
}

unsigned short FakeSystem() {
    ++g_systemCalls;
    return g_system;
}

class MessageLookup : public ::testing::Test {
protected:
    void SetUp() override { Languages(0, 0); }

    static void Languages(unsigned short user, unsigned short system) {
        g_user = user;
        g_system = system;
        g_userCalls = 0;
        g_systemCalls = 0;
    }

    static std::string Lookup(int id) { return LookupMessageText(id, FakeUser, FakeSystem); }
};

}  // namespace

TEST_F(MessageLookup, IdsOutsideTheCatalogGiveTheFixedTextWithoutAskingTheLanguage) {
    Languages(0x407, 0x40C);
    for (int id : {-1, 37, 38, 1000, -2147483647 - 1, 2147483647}) {
        SCOPED_TRACE(id);
        const char* text = LookupMessageText(id, FakeUser, FakeSystem);
        ASSERT_NE(nullptr, text);
        EXPECT_STREQ("unknown msg text", text);
    }
    EXPECT_EQ(0, g_userCalls);
    EXPECT_EQ(0, g_systemCalls);
}

TEST_F(MessageLookup, EveryIdFindsItsOwnRecordInEveryLanguage) {
    struct Case {
        unsigned short language;
        const char* MessageEntry::*column;
    };
    const Case cases[] = {{0x409, &MessageEntry::english}, {0x410, &MessageEntry::italian},
                          {0x40C, &MessageEntry::french}, {0x407, &MessageEntry::german}};
    for (const Case& c : cases) {
        Languages(c.language, 0);
        for (int k = 0; k < kMessageCount; ++k) {
            // The very pointer from the table: texts are handed out, not copied.
            EXPECT_EQ(g_messageCatalog[k].*c.column, LookupMessageText(k, FakeUser, FakeSystem))
                << "id " << k << " language " << std::hex << c.language;
        }
    }
}

TEST_F(MessageLookup, PrimaryLanguageSelectsTheColumnWhateverTheSublanguage) {
    const std::string german = g_messageCatalog[1].german;
    const std::string french = g_messageCatalog[1].french;
    const std::string italian = g_messageCatalog[1].italian;
    const std::string english = g_messageCatalog[1].english;
    const struct {
        unsigned short language;
        const std::string& expected;
    } cases[] = {
        {0x0407, german},   {0x0807, german},   {0x0C07, german},  {0xFC07, german},  // high bits ignored
        {0x040C, french},   {0x0C0C, french},   {0x0410, italian}, {0x0810, italian},
        {0x0409, english},  {0x0809, english},  {0x0C0A, english}, {0x0413, english},
        {0x0411, english},  {0x0207, english},  {0x0107, english},  // bits 8 and 9 belong to the primary language
        {0x007F, english},  // the invariant language
    };
    for (const auto& c : cases) {
        Languages(c.language, 0x407);
        EXPECT_EQ(c.expected, Lookup(1)) << std::hex << c.language;
        EXPECT_EQ(0, g_systemCalls) << "a set user language must not ask the system";
    }
}

TEST_F(MessageLookup, CaptionDiffersOnlyWhereTheLanguageHasItsOwnWording) {
    Languages(0x407, 0);
    EXPECT_EQ("Tessaroven Setup", Lookup(0));
    Languages(0x40C, 0);
    EXPECT_EQ("Installation de Tessaroven", Lookup(0));
    Languages(0x410, 0);
    EXPECT_EQ("Installazione Tessaroven", Lookup(0));
}

TEST_F(MessageLookup, UserLanguageZeroFallsBackToTheSystemLanguage) {
    Languages(0, 0x40C);
    EXPECT_EQ("Installation de Tessaroven", Lookup(0));
    EXPECT_EQ(1, g_userCalls);
    EXPECT_EQ(1, g_systemCalls);

    // Sublanguage bits alone are not "no language": 0x0400 is a set user language.
    Languages(0x0400, 0x40C);
    EXPECT_EQ("Tessaroven Setup", Lookup(0));
    EXPECT_EQ(0, g_systemCalls);

    // Neither has a language: primary language 0, English.
    Languages(0, 0);
    EXPECT_EQ(g_messageCatalog[5].english, Lookup(5));
    EXPECT_EQ(1, g_systemCalls);
}

TEST_F(MessageLookup, AsksAnewAtEveryLookup) {
    Languages(0x410, 0);
    EXPECT_EQ("Installazione Tessaroven", Lookup(0));
    g_user = 0x40C;  // the user changes the setting between two lookups
    EXPECT_EQ("Installation de Tessaroven", Lookup(0));
    g_user = 0;
    g_system = 0x410;
    EXPECT_EQ("Installazione Tessaroven", Lookup(0));
    EXPECT_EQ(3, g_userCalls);
    EXPECT_EQ(1, g_systemCalls);
}

#ifdef _WIN32

TEST(MessageText, FollowsThePlatformLanguage) {
    // Whatever the platform reports (LANG under Wine), GetMessageText must
    // pick the column that language selects.
    EXPECT_EQ(GetUserDefaultLangID(), QueryUserDefaultLanguage());
    EXPECT_EQ(GetSystemDefaultLangID(), QuerySystemDefaultLanguage());
    LANGID language = GetUserDefaultLangID();
    if (language == 0) language = GetSystemDefaultLangID();
    std::printf("user language %#06x, system language %#06x: %s / %.40s\n", GetUserDefaultLangID(),
                GetSystemDefaultLangID(), GetMessageText(kMessageCaption), GetMessageText(kMessageAbandonQuestion));
    for (int id : {0, 1, 5}) EXPECT_EQ(SelectMessageLanguage(g_messageCatalog[id], language), GetMessageText(id));
    EXPECT_STREQ("unknown msg text", GetMessageText(37));
    EXPECT_STREQ("unknown msg text", GetMessageText(-1));
}

#else

TEST(MessageText, FollowsTheStandInLanguages) {
    SetStandInLanguages(0x0807, 0x40C);
    EXPECT_EQ(g_messageCatalog[kMessageAbandonQuestion].german, GetMessageText(kMessageAbandonQuestion));
    SetStandInLanguages(0, 0x40C);
    EXPECT_STREQ("Installation de Tessaroven", GetMessageText(kMessageCaption));
    SetStandInLanguages(0x0C0A, 0x407);
    EXPECT_EQ(g_messageCatalog[kMessageNoSpace].english, GetMessageText(kMessageNoSpace));
    EXPECT_STREQ("unknown msg text", GetMessageText(37));
    SetStandInLanguages(0, 0);
    EXPECT_EQ(g_messageCatalog[kMessageAbandonQuestion].english, GetMessageText(kMessageAbandonQuestion));
}

#endif
