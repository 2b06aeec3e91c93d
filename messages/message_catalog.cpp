// The catalog's texts and the lookup over them.
#include "message_catalog.h"

namespace {

// Primary language identifiers (low 10 bits of a LANGID) that have a column.
constexpr unsigned kPrimaryLanguageMask = 0x3FF;
constexpr unsigned kLangGerman = 0x07;
constexpr unsigned kLangFrench = 0x0C;
constexpr unsigned kLangItalian = 0x10;

}  // namespace

const char* const kUnknownMessageText = "unknown msg text";

// Columns: id, English, Italian, French, German. Accented letters are
// Windows-1252 bytes; a hex escape is closed off with "" before a following
// hex digit so it does not swallow it.
const MessageEntry g_messageCatalog[kMessageCount + 1] = {
    {0,
     "Tessaroven Setup",
     "Installazione Tessaroven",
     "Installation de Tessaroven",
     "Tessaroven Setup"},
    {1,
     "You are about to interrupt the Tessaroven download.\n"
     "To continue downloading, you just need to restart the setup program.\n"
     "Files already downloaded won't be downloaded again.\n"
     "Do you really want to interrupt the download?",
     "Sta per interrompere il download di Tessaroven.\n"
     "Per continuare il download, basta rilanciare il programma d'installazione.\n"
     "I file gi\xE0 scaricati non verranno scaricati nuovamente.\n"
     "Desidera veramente interrompere il download?",
     "Vous allez interrompre le t\xE9l\xE9" "chargement de Tessaroven.\n"
     "Pour continuer le t\xE9l\xE9" "chargement, vous devez juste relancer le setup.\n"
     "Les fichiers d\xE9j\xE1 t\xE9l\xE9" "charg\xE9s n'auront pas besoin de l'\xEAtre \xE0 "
     "nouveau.\n"
     "Voulez-vous r\xE9" "ellement interrompre le t\xE9l\xE9" "chargement ?",
     "Sie sind dabei, den Tessaroven-Download zu unterbrechen.\n"
     "Um den Download fortzusetzen, m\xFCssen Sie nur das Setup-Program erneut starten.\n"
     "Die bereits herunter geladenen Datein werden nicht erneut heruntergeladen.\n"
     "Wollen Sie den Download wirklich unterbrechen?"},
    {2,
     "Download %d%% done (%d/%d KB)",
     "Download %d%% fatto (%d/%d KB)",
     "%d%% t\xE9l\xE9" "charg\xE9s (%d/%d Ko)",
     "Download %d%% fertig (%d/%d KB)"},
    {3,
     " %d KB/s, %d min remaining",
     " %d KB/s, %d min rimanenti",
     " %d Ko/s, %d min restantes",
     " %d KB/s, noch %d min"},
    {4,
     " %d KB/s, %d s remaining",
     " %d KB/s, %d s rimanenti",
     " %d Ko/s, %d s restantes",
     " %d KB/s, noch %d s"},
    {5,
     "Insufficient space on drive %s to run setup!\n"
     "(%.1f MB required, only %.1f MB available)",
     "Spazio insufficiente sul disco %s per lanciare l'installazione!\n"
     "(richiesto %.1f MB, disponibile solo %.1f MB)",
     "Espace insuffisant pour lancer l'installation sur le disque %s !\n"
     "(%.1f Mo n\xE9" "cessaires, seulement %.1f Mo de disponible)",
     "Nicht gen\xFCgend freier Platz auf Laufwerk %s, um Setup laufen zu lassen!\n"
     "(%.1f MB ben\xF6tigt, nur %.1f MB vorhanden)"},
    {6,
     "All necessary installation files are available. \n"
     "Would you like to check for more recent ones?",
     "Tutti i file necessari per l'installazione sono disponibili. \n"
     "Desidera cercare file pi\xF9 recenti?",
     "Tous les fichiers n\xE9" "cessaires \xE0 l'installation sont disponibles. \n"
     "Voulez-vous v\xE9rifier s'il en existe de plus r\xE9" "cents ?",
     "Alle notwendigen Installations-Dateien sind vorhanden. \n"
     "M\xF6" "chten Sie auf der Tessaroven Website nach neueren Dateien suchen?"},
    {7,
     "Internet Explorer (version 4.0 or higher) is required but not installed.\n"
     "The Tessaroven website features links to download the current Internet "
     "Explorer version. Do you want to visit the Tessaroven Website?",
     "Internet Explorer (versione 4.0 in su) viene richiesto ma non \xE8 installato.\n"
     "Sul sito internet di Tessaroven trova i link per scaricare la versione "
     "corrente di Internet Explorer. Vuole visitare il Sito internet di Tessaroven?",
     "Internet Explorer (version 4.0 ou sup\xE9rieure) est n\xE9" "cessaire mais pas "
     "install\xE9" "e.\n"
     "Le site Web de Tessaroven \xE9tablit un lien pour t\xE9l\xE9" "charger la version "
     "actuelle d'Internet Explorer. Voulez-vous visiter le site Web de Tessaroven ?",
     "Internet Explorer (Version 4.0 oder h\xF6her) wird ben\xF6tigt, ist aber nicht installiert.\n"
     "Die Tessaroven-Webseite enth\xE4lt Links, um die aktuelle Version des Internet "
     "Explorers herunterzuladen.Wollen Sie auf die Tessaroven-Webseite gehen?"},
    {8,
     "Tessaroven Setup requires an active Internet connection to access the download site.\n"
     "Please check your Internet connection, firewall and proxy settings. \n",
     "Il programma d'installazione di Tessaroven non riesce ad accedere al sito per il download. \n"
     "Controlli la connessione internet, firewall, e impostazioni proxy. \n",
     "Le Setup de Tessaroven n\xE9" "cessite une connexion Internet active pour acc\xE9" "der "
     "au site de t\xE9l\xE9" "chargement.\n"
     "Contr\xF4lez les param\xE8tres de votre connexion Internet, pare-feu ou proxy.\n",
     "Tessaroven Setup ben\xF6tigt eine Internetverbindung, um auf die Download-Site zuzugreifen.\n"
     "Bitte \xFC" "berpr\xFC" "fen Sie auch die Internet-, Firewall- und Proxy-Konfiguration. \n"},
    {9,
     "Tessaroven received an error message while trying to access the download site. \n"
     "Do you want to see this message?",
     "Accadendo al sito per il download Tessaroven ha ricevuto un messaggio d'errore. \n"
     "Desidera vedere questo messaggio?",
     "Tessaroven a re\xE7u un message d'erreur en essayant d'acc\xE9" "der au site de "
     "t\xE9l\xE9" "chargement. \n"
     "Voulez-vous voir ce message ?",
     "Tessaroven erhielt beim Versuch, auf die Download-Site zuzugreifen, eine Fehlermeldung. \n"
     "Wollen Sie diese Meldung sehen?"},
    {10,
     "It is possible to download Tessaroven as a single file from our website. \n"
     "Do you want to visit the Tessaroven website?",
     "Pu\xF2 scaricare Tessaroven come file unico dal nostro sito web. \n"
     "Desidera visitare il sito web di Tessaroven?",
     "Il est possible de t\xE9l\xE9" "charger Tessaroven en un seul fichier \xE0 partir de "
     "notre site Web. \n"
     "Voulez-vous visiter le site Web de Tessaroven ?",
     "Tessaroven kann in einem St\xFC" "ck heruntergeladen werden. \n"
     "M\xF6" "chten Sie Tessaroven Website besuchen?"},
    {11,
     "MAPI error\n"
     "One or more unspecified errors occurred. No message was sent.",
     "Errore MAPI\n"
     "Uno o pi\xF9 errori non specificati. Nessun messaggio \xE8 stato spedito.",
     "MAPI erreur\n"
     "Une ou plusieurs erreurs non sp\xE9" "cifi\xE9" "es sont survenues. Aucun message n'a "
     "\xE9t\xE9 envoy\xE9.",
     "MAPI Fehler\n"
     "Ein oder mehrere nicht spezifizierte Fehler sind aufgetreten. Es wurde "
     "keine Nachricht gesendet."},
    {12,
     "MAPI error\n"
     "There was no default logon and the user failed to log on successfully when "
     "the logon dialog box was displayed. No message was sent.",
     "Errore MAPI\n"
     "Non c'\xE9 stato un default logon, e l'utilizzatore non \xE8 riuscito a fare il "
     "log on quando la finestra di dialogo era attiva. Nessun messaggio \xE8 stato spedito.",
     "MAPI erreur\n"
     "Aucune identification par d\xE9" "faut, et l'identification de l'utilisateur a "
     "\xE9" "chou\xE9 quand la bo\xEEte de dialogue d'identification a \xE9t\xE9 affich\xE9" "e. Aucun "
     "message n'a \xE9t\xE9 envoy\xE9.",
     "MAPI Fehler\n"
     "Es gab keinen standard-Logon, und der Anwender konnte sich nicht "
     "erfolgreich anmelden, als die Anmelde-Dialogbox angezeigt wurde. Es wurde "
     "keine Nachricht gesendet."},
    {13,
     "MAPI error\n"
     "Your disk is full. No message was sent.",
     "Errore MAPI\n"
     "Il suo disco \xE8 pieno. Nessun messaggio \xE8 stato spedito.",
     "MAPI erreur\n"
     "Votre disque est plein. Aucun message n'a \xE9t\xE9 envoy\xE9.",
     "MAPI Fehler\n"
     "Ihre Festplatte ist voll. Es wurde keine Nachricht gesendet."},
    {14,
     "MAPI error\n"
     "Out of memory. No message was sent.",
     "MAPI error\n"
     "memoria insufficiente. Nessun messaggio \xE8 stato spedito.",
     "MAPI erreur\n"
     "M\xE9moire insuffisante. Aucun message n'a \xE9t\xE9 envoy\xE9.",
     "MAPI Fehler\n"
     "Nicht gen\xFCgend Arbeitsspeicher. Es wurde keine Nachricht gesendet."},
    {15,
     "MAPI error\n"
     "Access denied. No message was sent.",
     "Errore MAPI\n"
     "Accesso negato. Nessun messaggio \xE8 stato spedito.",
     "MAPI erreur\n"
     "Acc\xE8s refus\xE9. Aucun message n'a \xE9t\xE9 envoy\xE9.",
     "MAPI Fehler\n"
     "Zugriff verweigert. Es wurde keine Nachricht gesendet."},
    {16,
     "MAPI error\n"
     "Too many sessions. No message was sent.",
     "Errore MAPI\n"
     "Troppe sessioni. Nessun messaggio \xE8 stato spedito.",
     "MAPI erreur\n"
     "Trop de sessions. Aucun message n'a \xE9t\xE9 envoy\xE9.",
     "MAPI Fehler\n"
     "Zu viele Anmeldungen. Es wurde keine Nachricht gesendet."},
    {17,
     "MAPI error\n"
     "There were too many images. Try to split up the images into several emails. "
     "No message was sent.",
     "Errore MAPI\n"
     "Troppe immagini. Provare a dividerle in diversi E-Mail. Nessun messaggio \xE8 stato spedito.",
     "MAPI erreur\n"
     "Trop d'images. Essayez de r\xE9partir les images dans plusieurs e-mails. Aucun "
     "message n'a \xE9t\xE9 envoy\xE9.",
     "MAPI Fehler\n"
     "Es waren zu viele Bilder. Versuchen Sie, die Bilder in mehrere E-Mails "
     "aufzuteilen. Es wurde keine Nachricht gesendet."},
    {18,
     "MAPI error\n"
     "There were too many recipients. No message was sent.",
     "Errore MAPI\n"
     "Troppi destinatari. Nessun messaggio \xE8 stato spedito.",
     "MAPI erreur\n"
     "Trop de destinataires. Aucun message n'a \xE9t\xE9 envoy\xE9.",
     "MAPI Fehler\n"
     "Es wurden zu viele Empf\xE4nger angegeben. Es wurde keine Nachricht gesendet."},
    {19,
     "MAPI error\n"
     "Attachment not found. No message was sent.",
     "Errori MAPI\n"
     "Allegato non trovato. Nessun messaggio \xE8 stato spedito.",
     "MAPI erreur\n"
     "Pi\xE8" "ce jointe non trouv\xE9" "e. Aucun message n'a \xE9t\xE9 envoy\xE9.",
     "MAPI Fehler\n"
     "Anhang nicht gefunden. Es wurde keine Nachricht gesendet."},
    {20,
     "MAPI error\n"
     "The specified attachment could not be opened. No message was sent.",
     "Errore MAPI\n"
     "L'allegato specificato non poteva essere aperto. Nessun messaggio \xE8 stato spedito.",
     "MAPI erreur\n"
     "La pi\xE8" "ce jointe indiqu\xE9" "e ne peut pas \xEAtre ouverte. Aucun message n'a \xE9t\xE9 "
     "envoy\xE9.",
     "MAPI Fehler\n"
     "Der Anhang konnte nicht ge\xF6" "ffnet werden. Es wurde keine Nachricht gesendet."},
    {21,
     "MAPI error\n"
     "The specified attachment could not be written to. No message was sent.",
     "Errore MAPI error\n"
     "l'allegato specificato non poteva essere trasmesso. Nessun messaggio \xE8 stato spedito.",
     "MAPI erreur\n"
     "La pi\xE8" "ce jointe indiqu\xE9" "e ne peut pas \xEAtre transmise. Aucun message n'a \xE9t\xE9 "
     "envoy\xE9.",
     "MAPI Fehler\n"
     "Der Dateianhang konnte nicht geschrieben werden. Es wurde keine Nachricht gesendet."},
    {22,
     "MAPI error\n"
     "A recipient did not appear in the address list. No message was sent.",
     "Errore MAPI\n"
     "Un destinatario non presente nella lista dei indirizzi. Nessun messaggio \xE8 stato spedito.",
     "MAPI erreur\n"
     "Un destinataire n'appara\xEEt pas dans la liste d'adresse. Aucun message n'a "
     "\xE9t\xE9 envoy\xE9.",
     "MAPI Fehler\n"
     "Ein Empf\xE4nger erschien nicht in der Adressliste. Es wurde keine Nachricht gesendet."},
    {23,
     "MAPI error\n"
     "The type of a recipient was not To:, Cc:, or Bcc:. No message was sent.",
     "Errore MAPI\n"
     "Il tipo di destinatario non era A:, Cc:, o Bcc:. Nessun messaggio \xE8 stato spedito.",
     "MAPI erreur\n"
     "Le type de destinataire n'est pas To:, Cc: ou Bcc:. Aucun message n'a \xE9t\xE9 envoy\xE9.",
     "MAPI Fehler\n"
     "Der Typ eines Empf\xE4ngers war weder To: noch Cc: noch Bcc:. Es wurde keine "
     "Nachricht gesendet."},
    {24,
     "MAPI error\n"
     "No messages. No message was sent.",
     "Errore MAPI\n"
     " Nessun messaggio. Nessun messaggio \xE8 stato spedito.",
     "MAPI erreur\n"
     "Pas de message. Aucun message n'a \xE9t\xE9 envoy\xE9.",
     "MAPI Fehler\n"
     "Keine Nachrichten. Es wurde keine Nachricht gesendet."},
    {25,
     "MAPI error\n"
     "Invalid message. No message was sent.",
     "Errore MAPI\n"
     "Messaggio non valido. Nessun messaggio \xE8 stato spedito.",
     "MAPI erreur\n"
     "Message invalide. Aucun message n'a \xE9t\xE9 envoy\xE9.",
     "MAPI Fehler\n"
     "Ung\xFCltige Nachricht. Es wurde keine Nachricht gesendet."},
    {26,
     "MAPI error\n"
     "The text in the message was too large. No message was sent.",
     "Errore MAPI\n"
     "Testo del messaggio troppo grande. Nessun messaggio \xE8 stato spedito.",
     "MAPI erreur\n"
     "Le texte du message \xE9tait trop grand. Aucun message n'a \xE9t\xE9 envoy\xE9.",
     "MAPI Fehler\n"
     "Der Text in der Nachricht war zu gro\xDF. Es wurde keine Nachricht gesendet."},
    {27,
     "MAPI error\n"
     "Invalid session. No message was sent.",
     "Errore MAPI\n"
     "Sessione non valida. Nessun messaggio \xE8 stato spedito.",
     "MAPI erreur\n"
     "Session invalide. Aucun message n'a \xE9t\xE9 envoy\xE9.",
     "MAPI Fehler\n"
     "Ung\xFCltige Anmeldung. Es wurde keine Nachricht gesendet."},
    {28,
     "MAPI error\n"
     "Type not supported. No message was sent.",
     "Errore MAPI\n"
     "Tipo non supportato. Nessun messaggio \xE8 stato spedito.",
     "MAPI erreur\n"
     "Type non support\xE9. Aucun message n'a \xE9t\xE9 envoy\xE9.",
     "MAPI Fehler\n"
     "Typ nicht unterst\xFCtzt. Es wurde keine Nachricht gesendet."},
    {29,
     "MAPI error\n"
     "A recipient matched more than one of the recipient descriptor structures "
     "and no dialog was to be displayed. No message was sent.",
     "Errore MAPI\n"
     "Un destinatario ha combinato pi\xFA di una struttura descrittiva di "
     "destinazione e nessun dialogo \xE8 stato attivato. Nessun messaggio \xE8 stato spedito.",
     "MAPI erreur\n"
     "Un destinataire correspondait \xE0 plus d'une des structures de description de "
     "destinataire et aucun dialogue n'a \xE9t\xE9 affich\xE9. Aucun message n'a \xE9t\xE9 "
     "envoy\xE9.",
     "MAPI Fehler\n"
     "Ein Empf\xE4nger passte auf mehr als eine Empf\xE4ngerstruktur und kein Dialog "
     "sollte angezeigt werden. Es wurde keine Nachricht gesendet."},
    {30,
     "MAPI error\n"
     "Message in use. No message was sent.",
     "Errore MAPI\n"
     "Messaggio in uso. Nessun messaggio \xE8 stato spedito.",
     "MAPI erreur\n"
     "Message en cours d'utilisation. Aucun message n'a \xE9t\xE9 envoy\xE9.",
     "MAPI Fehler\n"
     "Nachricht in Benutzung. Es wurde keine Nachricht gesendet."},
    {31,
     "MAPI error\n"
     "Network failure. No message was sent.",
     "Errore MAPI\n"
     "Fallimento rete. Nessun messaggio \xE8 stato spedito.",
     "MAPI erreur\n"
     "Erreur r\xE9seau. Aucun message n'a \xE9t\xE9 envoy\xE9.",
     "MAPI Fehler\n"
     "Netzwerkfehler. Es wurde keine Nachricht gesendet."},
    {32,
     "MAPI error\n"
     "Invalid edit fields. No message was sent.",
     "Errore MAPI\n"
     "Campi editabili invalidi. Nessun messaggio \xE8 stato spedito.",
     "MAPI erreur\n"
     "Champs d'\xE9" "dition invalides. Aucun message n'a \xE9t\xE9 envoy\xE9.",
     "MAPI Fehler\n"
     "Ung\xFCltige Eingabefelder. Es wurde keine Nachricht gesendet."},
    {33,
     "MAPI error\n"
     "One or more recipients were invalid or did not resolve to any address.",
     "Errore MAPI error\n"
     "Uno o pi\xFA dei destinatari non sono stati riconosciuti o gli indirizzi sono invalidi.",
     "MAPI erreur\n"
     "Un ou plusieurs destinataires \xE9taient invalides ou aucune adresse n'a \xE9t\xE9 r\xE9solue.",
     "MAPI Fehler\n"
     "Ein oder mehrere Empf\xE4nger waren ung\xFCltig oder lie\xDF" "en sich nicht auf eine "
     "Adresse aufl\xF6sen."},
    {34,
     "MAPI error\n"
     "Not supported. No message was sent.",
     "Errore MAPI\n"
     "Non supportato. Nessun messaggio \xE8 stato spedito.",
     "MAPI erreur\n"
     "Non support\xE9. Aucun message n'a \xE9t\xE9 envoy\xE9.",
     "MAPI Fehler\n"
     "Nicht unterst\xFCtzt. Es wurde keine Nachricht gesendet."},
    {35,
     "MAPI Error:%x\n"
     "%s",
     "Errore MAPI:%x\n"
     "%s",
     "Erreur MAPI :%x\n"
     "%s",
     "MAPI-Fehler:%x\n"
     "%s"},
    {36,
     "Tessaroven could not generate an email because MAPI is not configured or "
     "installed on your system.\n"
     "Please send us the file %s by other means.",
     "Tessaroven non \xE8 riuscito a generare un E-Mail perch\xE9 MAPI non \xE8 stato "
     "configurato o installato sul suo sistema.\n"
     "La pregiamo di mandarci il file %s in modo diverso.",
     "Tessaroven n'a pu g\xE9n\xE9rer un e-mail parce que MAPI n'est pas configur\xE9 ou "
     "install\xE9 sur votre syst\xE8me.\n"
     "Envoyez-nous le fichier %s par d'autres moyens SVP.",
     "Tessaroven konnte keine E-Mail erstellen, weil MAPI auf Ihrem System nicht eingerichtet ist.\n"
     "Bitte senden Sie uns die Datei %s \xFC" "ber andere Wege."},
    // The terminator's texts are never read by the lookup; they hold the
    // fallback text so that anything that does read them still gets a string.
    {kMessageCount, "unknown msg text", "unknown msg text", "unknown msg text", "unknown msg text"},
};

const char* SelectMessageLanguage(const MessageEntry& entry, unsigned short languageId) {
    switch (languageId & kPrimaryLanguageMask) {
        case kLangGerman:
            return entry.german;
        case kLangFrench:
            return entry.french;
        case kLangItalian:
            return entry.italian;
        default:
            return entry.english;
    }
}

const char* LookupMessageText(int id, LanguageQuery userLanguage, LanguageQuery systemLanguage) {
    // The walk stops at the terminator before it compares ids, so neither a
    // request for the terminator's own id nor one beyond it reads past the
    // catalog's texts.
    const MessageEntry* entry = g_messageCatalog;
    for (;; ++entry) {
        if (entry->id == kMessageCount) return kUnknownMessageText;
        if (entry->id == id) break;
    }
    // Asked on every lookup, not cached: the user may change the setting
    // while the launcher runs.
    return SelectMessageLanguage(*entry, ResolveMessageLanguage(userLanguage, systemLanguage));
}

unsigned short ResolveMessageLanguage(LanguageQuery userLanguage, LanguageQuery systemLanguage) {
    unsigned short language = userLanguage();
    return language != 0 ? language : systemLanguage();
}
