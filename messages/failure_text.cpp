#include "failure_text.h"

#include "message_text.h"

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
    return SelectMessageLanguage(g_failureReport,
                                 ResolveMessageLanguage(QueryUserDefaultLanguage, QuerySystemDefaultLanguage));
}
