// The catalog's records and texts: layout of the table, the exact bytes of
// the texts the launcher shows, and the encoding and format strings of all.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "message_catalog.h"

namespace {

// Windows-1252 letters, spelled out so the expected texts below are written
// independently of how the catalog encodes them.
#define A_GRAVE "\xE0"
#define A_ACUTE "\xE1"
#define E_ACUTE "\xE9"
#define E_CIRC "\xEA"
#define U_UML "\xFC"
#define O_UML "\xF6"

const char* const kLanguageNames[] = {"English", "Italian", "French", "German"};

const char* Column(const MessageEntry& e, int language) {
    const char* const columns[] = {e.english, e.italian, e.french, e.german};
    return columns[language];
}

// The printf conversions of a text in order, each as written ("%d", "%.1f",
// and "%%" for a literal percent sign).
std::vector<std::string> Placeholders(const std::string& text) {
    std::vector<std::string> found;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') continue;
        size_t end = i + 1;
        while (end < text.size() && std::string("-+ #0123456789.*hlLqjzt").find(text[end]) != std::string::npos)
            ++end;
        found.push_back(text.substr(i, end + 1 - i));  // includes the conversion letter
        i = end;
    }
    return found;
}

}  // namespace

TEST(MessageTable, RecordsCarryTheirIndexAndEndWithTheTerminator) {
    for (int k = 0; k < kMessageCount; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(k, g_messageCatalog[k].id);
        for (int language = 0; language < 4; ++language) {
            ASSERT_NE(nullptr, Column(g_messageCatalog[k], language)) << kLanguageNames[language];
            EXPECT_NE('\0', Column(g_messageCatalog[k], language)[0]) << kLanguageNames[language];
        }
    }
    EXPECT_EQ(37, kMessageCount);
    EXPECT_EQ(37, g_messageCatalog[kMessageCount].id);
}

TEST(MessageTable, CaptionInEveryLanguage) {
    const MessageEntry& e = g_messageCatalog[0];
    EXPECT_STREQ("Tessaroven Setup", e.english);
    EXPECT_STREQ("Installazione Tessaroven", e.italian);
    EXPECT_STREQ("Installation de Tessaroven", e.french);
    EXPECT_STREQ("Tessaroven Setup", e.german);
}

TEST(MessageTable, InterruptQuestionInEveryLanguage) {
    const MessageEntry& e = g_messageCatalog[1];
    EXPECT_STREQ("You are about to interrupt the Tessaroven download.\n"
                 "To continue downloading, you just need to restart the setup program.\n"
                 "Files already downloaded won't be downloaded again.\n"
                 "Do you really want to interrupt the download?",
                 e.english);
    EXPECT_STREQ("Sta per interrompere il download di Tessaroven.\n"
                 "Per continuare il download, basta rilanciare il programma d'installazione.\n"
                 "I file gi" A_GRAVE " scaricati non verranno scaricati nuovamente.\n"
                 "Desidera veramente interrompere il download?",
                 e.italian);
    // "déjá" with an acute a is the text as shipped, not a typo to fix.
    EXPECT_STREQ("Vous allez interrompre le t" E_ACUTE "l" E_ACUTE "chargement de Tessaroven.\n"
                 "Pour continuer le t" E_ACUTE "l" E_ACUTE "chargement, vous devez juste relancer le setup.\n"
                 "Les fichiers d" E_ACUTE "j" A_ACUTE " t" E_ACUTE "l" E_ACUTE "charg" E_ACUTE
                 "s n'auront pas besoin de l'" E_CIRC "tre " A_GRAVE " nouveau.\n"
                 "Voulez-vous r" E_ACUTE "ellement interrompre le t" E_ACUTE "l" E_ACUTE "chargement ?",
                 e.french);
    EXPECT_STREQ("Sie sind dabei, den Tessaroven-Download zu unterbrechen.\n"
                 "Um den Download fortzusetzen, m" U_UML "ssen Sie nur das Setup-Program erneut starten.\n"
                 "Die bereits herunter geladenen Datein werden nicht erneut heruntergeladen.\n"
                 "Wollen Sie den Download wirklich unterbrechen?",
                 e.german);
}

TEST(MessageTable, DiskSpaceErrorInEveryLanguage) {
    const MessageEntry& e = g_messageCatalog[5];
    EXPECT_STREQ("Insufficient space on drive %s to run setup!\n"
                 "(%.1f MB required, only %.1f MB available)",
                 e.english);
    EXPECT_STREQ("Spazio insufficiente sul disco %s per lanciare l'installazione!\n"
                 "(richiesto %.1f MB, disponibile solo %.1f MB)",
                 e.italian);
    EXPECT_STREQ("Espace insuffisant pour lancer l'installation sur le disque %s !\n"
                 "(%.1f Mo n" E_ACUTE "cessaires, seulement %.1f Mo de disponible)",
                 e.french);
    EXPECT_STREQ("Nicht gen" U_UML "gend freier Platz auf Laufwerk %s, um Setup laufen zu lassen!\n"
                 "(%.1f MB ben" O_UML "tigt, nur %.1f MB vorhanden)",
                 e.german);
}

TEST(MessageTable, EveryTextIsSingleByteWindows1252WithBareLineFeeds) {
    for (int k = 0; k < kMessageCount; ++k) {
        for (int language = 0; language < 4; ++language) {
            SCOPED_TRACE(std::string("id ") + std::to_string(k) + " " + kLanguageNames[language]);
            const std::string text = Column(g_messageCatalog[k], language);
            for (size_t i = 0; i < text.size(); ++i) {
                const unsigned char c = static_cast<unsigned char>(text[i]);
                // Bytes the code page leaves undefined.
                EXPECT_TRUE(c != 0x81 && c != 0x8D && c != 0x8F && c != 0x90 && c != 0x9D) << "byte " << i;
                // Control characters: only the line feed belongs in a text.
                EXPECT_TRUE(c >= 0x20 || c == '\n') << "byte " << i;
                EXPECT_NE(0x7F, c) << "byte " << i;
                // A lead byte followed by a continuation byte would be a letter
                // left in UTF-8; no text here legitimately contains that pair.
                if ((c == 0xC2 || c == 0xC3) && i + 1 < text.size()) {
                    const unsigned char next = static_cast<unsigned char>(text[i + 1]);
                    EXPECT_FALSE(next >= 0x80 && next <= 0xBF) << "UTF-8 sequence at byte " << i;
                }
            }
        }
    }
}

TEST(MessageTable, FormatStringsHoldExactlyTheirPlaceholders) {
    const std::vector<std::string> none;
    std::vector<std::vector<std::string>> expected(kMessageCount, none);
    expected[2] = {"%d", "%%", "%d", "%d"};
    expected[3] = {"%d", "%d"};
    expected[4] = {"%d", "%d"};
    expected[5] = {"%s", "%.1f", "%.1f"};
    expected[35] = {"%x", "%s"};
    expected[36] = {"%s"};
    for (int k = 0; k < kMessageCount; ++k) {
        for (int language = 0; language < 4; ++language) {
            SCOPED_TRACE(std::string("id ") + std::to_string(k) + " " + kLanguageNames[language]);
            EXPECT_EQ(expected[k], Placeholders(Column(g_messageCatalog[k], language)));
        }
    }
}

TEST(MessageTable, KeepsTheSpacingAsShipped) {
    for (int language = 0; language < 4; ++language) {
        SCOPED_TRACE(kLanguageNames[language]);
        EXPECT_EQ(' ', Column(g_messageCatalog[3], language)[0]);
        EXPECT_EQ(' ', Column(g_messageCatalog[4], language)[0]);
        const std::string trailing = Column(g_messageCatalog[8], language);
        EXPECT_EQ('\n', trailing.back());
        for (int k : {6, 9, 10}) {
            EXPECT_NE(std::string::npos, std::string(Column(g_messageCatalog[k], language)).find(" \n")) << k;
        }
    }
    // Id 8 has the space before its line feeds in all but the French text.
    EXPECT_EQ(std::string::npos, std::string(g_messageCatalog[8].french).find(" \n"));
    for (const char* text : {g_messageCatalog[8].english, g_messageCatalog[8].italian, g_messageCatalog[8].german})
        EXPECT_NE(std::string::npos, std::string(text).find(" \n"));
}
