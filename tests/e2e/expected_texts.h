// The launcher's messages as the user must read them, in each language
// the end-to-end tests run in: written out here, independent of the
// catalog the launcher takes them from.
#ifndef TESSAROVEN_E2E_EXPECTED_TEXTS_H
#define TESSAROVEN_E2E_EXPECTED_TEXTS_H

#include <windows.h>

#include "e2e_support.h"

// One language's texts, in Windows-1252.
struct LanguageTexts {
    const char* code;
    LANGID language;
    const char* caption;
    const char* noSpace;  // drive, required MB, available MB
    const char* failure;  // file, error code
    const char* damaged;  // the launcher's path
    // Heads the lines of what a failed run could not remove and handed to
    // Windows to remove when it restarts.
    const char* leftovers;
    const char* question;  // asked when the user closes the splash
    // Heads the lines of what a failed run could not remove and Windows
    // would not take either: the user must remove them.
    const char* leftBehind;
};

inline const char kEnglishNoSpace[] =
    "Insufficient space on drive %s to run setup!\n(%.1f MB required, only %.1f MB available)";
inline const char kEnglishFailure[] =
    "Setup could not prepare its files and has stopped. Nothing has been installed, and the files it had "
    "unpacked have been removed.\n\nFile: %s\nError code: %d";
inline const char kEnglishDamaged[] =
    "This setup program is damaged, probably by an incomplete or faulty download: its content does not match its "
    "checksum. Nothing has been installed.\n\nPlease download it again.\n\nFile: %s";

inline const char kEnglishLeftovers[] = "These could not be removed yet; Windows will remove them when it restarts:";
inline const char kEnglishLeftBehind[] = "These could not be removed; please delete them yourself:";
inline const char kEnglishQuestion[] =
    "You are about to interrupt the Tessaroven download.\nTo continue downloading, you just need to restart the setup "
    "program.\nFiles already downloaded won't be downloaded again.\nDo you really want to interrupt the download?";

inline const LanguageTexts kLanguages[] = {
    {"en", 0x0409, "Tessaroven Setup", kEnglishNoSpace, kEnglishFailure, kEnglishDamaged, kEnglishLeftovers,
     kEnglishQuestion, kEnglishLeftBehind},
    // No Spanish texts: Spanish users read English.
    {"es", 0x0C0A, "Tessaroven Setup", kEnglishNoSpace, kEnglishFailure, kEnglishDamaged, kEnglishLeftovers,
     kEnglishQuestion, kEnglishLeftBehind},
    {"de", 0x0407, "Tessaroven Setup",
     "Nicht gen\xFCgend freier Platz auf Laufwerk %s, um Setup laufen zu lassen!\n"
     "(%.1f MB ben\xF6tigt, nur %.1f MB vorhanden)",
     "Das Setup konnte seine Dateien nicht vorbereiten und wurde abgebrochen. Es wurde nichts installiert, und "
     "die bereits entpackten Dateien wurden entfernt.\n\nDatei: %s\nFehlercode: %d",
     "Dieses Setup-Programm ist besch\xE4"
     "digt, vermutlich durch einen unvollst\xE4ndigen oder fehlerhaften Download: Sein Inhalt passt nicht zu seiner "
     "Pr\xFC"
     "fsumme. Es wurde nichts installiert.\n\nBitte laden Sie es erneut herunter.\n\nDatei: %s",
     "Folgendes lie\xDF sich noch nicht entfernen; Windows entfernt es beim n\xE4"
     "chsten Neustart:",
     "Sie sind dabei, den Tessaroven-Download zu unterbrechen.\nUm den Download fortzusetzen, m\xFCssen Sie nur das "
     "Setup-Program erneut starten.\nDie bereits herunter geladenen Datein werden nicht erneut heruntergeladen.\n"
     "Wollen Sie den Download wirklich unterbrechen?",
     "Folgendes lie\xDF sich nicht entfernen; bitte l\xF6schen Sie es selbst:"},
    {"fr", 0x040C, "Installation de Tessaroven",
     "Espace insuffisant pour lancer l'installation sur le disque %s !\n"
     "(%.1f Mo n\xE9"
     "cessaires, seulement %.1f Mo de disponible)",
     "Le programme d'installation n'a pas pu pr\xE9parer ses fichiers et s'est arr\xEAt\xE9. Rien n'a \xE9t\xE9 "
     "install\xE9 et les fichiers d\xE9j\xE0 extraits ont \xE9t\xE9 supprim\xE9s.\n\nFichier : %s\nCode d'erreur : %d",
     "Ce programme d'installation est endommag\xE9, probablement par un t\xE9l\xE9"
     "chargement incomplet ou d\xE9"
     "fectueux : son contenu ne correspond pas \xE0 sa somme de contr\xF4le. Rien n'a \xE9t\xE9 install\xE9.\n\n"
     "Veuillez le t\xE9l\xE9"
     "charger \xE0 nouveau.\n\nFichier : %s",
     "Ces \xE9l\xE9ments n'ont pas encore pu \xEAtre supprim\xE9s ; Windows les supprimera \xE0 son prochain "
     "red\xE9marrage :",
     "Vous allez interrompre le t\xE9l\xE9"
     "chargement de Tessaroven.\nPour continuer le t\xE9l\xE9"
     "chargement, vous devez juste relancer le setup.\nLes fichiers d\xE9j\xE1 t\xE9l\xE9"
     "charg\xE9s n'auront pas besoin de l'\xEAtre \xE0 nouveau.\nVoulez-vous r\xE9"
     "ellement interrompre le t\xE9l\xE9"
     "chargement ?",
     "Ces \xE9l\xE9ments n'ont pas pu \xEAtre supprim\xE9s ; veuillez les supprimer vous-m\xEAme :"},
    {"it", 0x0410, "Installazione Tessaroven",
     "Spazio insufficiente sul disco %s per lanciare l'installazione!\n"
     "(richiesto %.1f MB, disponibile solo %.1f MB)",
     "Il programma di installazione non ha potuto preparare i suoi file e si \xE8 interrotto. Non \xE8 stato "
     "installato nulla e i file gi\xE0 estratti sono stati rimossi.\n\nFile: %s\nCodice di errore: %d",
     "Questo programma di installazione \xE8 danneggiato, probabilmente da un download incompleto o difettoso: il suo "
     "contenuto non corrisponde al suo checksum. Non \xE8 stato installato nulla.\n\nLa preghiamo di scaricarlo di "
     "nuovo.\n\nFile: %s",
     "Questi elementi non si sono ancora potuti rimuovere; Windows li rimuover\xE0 al prossimo riavvio:",
     "Sta per interrompere il download di Tessaroven.\nPer continuare il download, basta rilanciare il programma "
     "d'installazione.\nI file gi\xE0 scaricati non verranno scaricati nuovamente.\nDesidera veramente interrompere "
     "il download?",
     "Questi elementi non si sono potuti rimuovere; la preghiamo di eliminarli manualmente:"},
};

// The texts of the language this run was started in (--language), or null.
inline const LanguageTexts* ExpectedTexts() {
    for (const LanguageTexts& texts : kLanguages)
        if (Settings().language == texts.code) return &texts;
    return nullptr;
}

#endif
