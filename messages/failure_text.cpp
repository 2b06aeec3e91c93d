#include "failure_text.h"

#include "message_text.h"

namespace {

// entry in the user's default language (the system's when the user has none).
const char* InUserLanguage(const MessageEntry& entry) {
    return SelectMessageLanguage(entry, ResolveMessageLanguage(QueryUserDefaultLanguage, QuerySystemDefaultLanguage));
}

}  // namespace

const MessageEntry g_failureReport = {
    kMessageCount + 1,
    "Setup could not prepare its files and has stopped. Nothing has been installed, "
    "and the files it had unpacked have been removed.\n\nFile: %s\nError code: %d",
    "Il programma di installazione non ha potuto preparare i suoi file e si \xE8 interrotto. "
    "Non \xE8 stato installato nulla e i file gi\xE0 estratti sono stati rimossi.\n\nFile: %s\nCodice di errore: %d",
    "Le programme d'installation n'a pas pu pr\xE9parer ses fichiers et s'est arr\xEAt\xE9. "
    "Rien n'a \xE9t\xE9 install\xE9 et les fichiers d\xE9j\xE0 extraits ont \xE9t\xE9 supprim\xE9s.\n\n"
    "Fichier : %s\nCode d'erreur : %d",
    "Das Setup konnte seine Dateien nicht vorbereiten und wurde abgebrochen. Es wurde nichts "
    "installiert, und die bereits entpackten Dateien wurden entfernt.\n\nDatei: %s\nFehlercode: %d",
};

const char* GetFailureReportText() {
    return InUserLanguage(g_failureReport);
}

const MessageEntry g_damagedLauncherReport = {
    kMessageCount + 2,
    "This setup program is damaged, probably by an incomplete or faulty download: its content does not "
    "match its checksum. Nothing has been installed.\n\nPlease download it again.\n\nFile: %s",
    "Questo programma di installazione \xE8 danneggiato, probabilmente da un download incompleto o difettoso: "
    "il suo contenuto non corrisponde al suo checksum. Non \xE8 stato installato nulla.\n\n"
    "La preghiamo di scaricarlo di nuovo.\n\nFile: %s",
    "Ce programme d'installation est endommag\xE9, probablement par un t\xE9l\xE9"
    "chargement incomplet ou d\xE9"
    "fectueux : son contenu ne correspond pas \xE0 sa somme de contr\xF4le. Rien n'a \xE9t\xE9 install\xE9.\n\n"
    "Veuillez le t\xE9l\xE9"
    "charger \xE0 nouveau.\n\nFichier : %s",
    "Dieses Setup-Programm ist besch\xE4"
    "digt, vermutlich durch einen unvollst\xE4ndigen oder fehlerhaften Download: Sein Inhalt passt nicht "
    "zu seiner Pr\xFC"
    "fsumme. Es wurde nichts installiert.\n\nBitte laden Sie es erneut herunter.\n\nDatei: %s",
};

const char* GetDamagedLauncherText() {
    return InUserLanguage(g_damagedLauncherReport);
}

const MessageEntry g_unnamableFolderReport = {
    kMessageCount + 3,
    "Setup cannot run from this folder: its name contains characters that Setup cannot pass on to the "
    "installation. Nothing has been installed.\n\nPlease move the setup program to a folder with a plain name "
    "(for example C:\\Setup) and start it again.",
    "Il programma di installazione non pu\xF2 essere avviato da questa cartella: il suo nome contiene caratteri "
    "che il programma non pu\xF2 passare all'installazione. Non \xE8 stato installato nulla.\n\n"
    "La preghiamo di spostare il programma di installazione in una cartella con un nome semplice "
    "(ad esempio C:\\Setup) e di avviarlo di nuovo.",
    "Le programme d'installation ne peut pas \xEAtre lanc\xE9 depuis ce dossier : son nom contient des "
    "caract\xE8res que le programme ne peut pas transmettre \xE0 l'installation. Rien n'a \xE9t\xE9 install\xE9.\n\n"
    "Veuillez d\xE9placer le programme d'installation dans un dossier au nom simple (par exemple C:\\Setup) "
    "et le relancer.",
    "Das Setup kann nicht aus diesem Ordner gestartet werden: Sein Name enth\xE4lt Zeichen, die das Setup nicht "
    "an die Installation weitergeben kann. Es wurde nichts installiert.\n\nBitte verschieben Sie das "
    "Setup-Programm in einen Ordner mit einem einfachen Namen (zum Beispiel C:\\Setup) und starten Sie es erneut.",
};

const char* GetUnnamableFolderText() {
    return InUserLanguage(g_unnamableFolderReport);
}

const MessageEntry g_leftoversHeading = {
    kMessageCount + 4,
    "These could not be removed yet; Windows will remove them when it restarts:",
    "Questi elementi non si sono ancora potuti rimuovere; Windows li rimuover\xE0 al prossimo riavvio:",
    "Ces \xE9l\xE9ments n'ont pas encore pu \xEAtre supprim\xE9s ; Windows les supprimera \xE0 son prochain "
    "red\xE9marrage :",
    "Folgendes lie\xDF sich noch nicht entfernen; Windows entfernt es beim n\xE4"
    "chsten Neustart:",
};

const char* GetLeftoversHeading() {
    return InUserLanguage(g_leftoversHeading);
}

const MessageEntry g_leftBehindHeading = {
    kMessageCount + 5,
    "These could not be removed; please delete them yourself:",
    "Questi elementi non si sono potuti rimuovere; la preghiamo di eliminarli manualmente:",
    "Ces \xE9l\xE9ments n'ont pas pu \xEAtre supprim\xE9s ; veuillez les supprimer vous-m\xEAme :",
    "Folgendes lie\xDF sich nicht entfernen; bitte l\xF6schen Sie es selbst:",
};

const char* GetLeftBehindHeading() {
    return InUserLanguage(g_leftBehindHeading);
}
