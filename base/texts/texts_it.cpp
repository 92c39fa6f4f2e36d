#include "base/texts/text_tables.h"

namespace base {

const LanguageTable kItalianTexts = {
    UiLanguage::Italian,
    {
        /*  0 */ L"Installa",
        /*  1 */ L"Personalizza",
        /*  2 */ L"Accetto",
        /*  3 */ L"il contratto di licenza d'uso",
        /*  4 */ L"Crea un collegamento sul desktop",
        /*  5 */ L"Crea un collegamento nel menu Start",
        /*  6 */ L"Avvia automaticamente all'avvio del sistema",
        /*  7 */ L"Partecipa al",
        /*  8 */ L"programma di miglioramento dell'esperienza utente",
        /*  9 */ L"Avvia __PRODUCT_NAME__",
        /* 10 */ L"Vuoi davvero uscire dall'installazione di __PRODUCT_NAME__?",
        /* 11 */ L"OK",
        /* 12 */ L"Annulla",
        /* 13 */
        L"Impossibile proseguire con l'installazione perché __PRODUCT_NAME__ è già in esecuzione. "
        L"Chiudilo e riprova oppure forzane la chiusura.",
        /* 14 */ L"Riprova",
        /* 15 */ L"Forza chiusura",
        /* 16 */ L"Crea un'icona di avvio veloce",
        /* 17 */ L"Seleziona una cartella dall'elenco seguente, quindi fai clic su OK.",
        /* 18 */ L"Novità",
        /* 19 */ L"Sì",
        /* 20 */ L"No",
        /* 21 */ L"Installazione in corso...",
        /* 22 */ L"Vuoi davvero disinstallare?",
        /* 23 */ L"Disinstalla",
        /* 24 */ L"Mantieni le mie impostazioni personali.",
        /* 25 */ L"Disinstallazione in corso...",
        /* 26 */ L"Disinstallazione completata! Grazie per il tuo supporto!",
        /* 27 */ L"Fine",
        /* 28 */ L"Windows XP non è più supportato.",
        /* 29 */ L"Windows Vista non è più supportato.",
        /* 30 */ L"Il percorso di installazione non è valido.",
        /* 31 */ L"Spazio libero insufficiente sull'unità selezionata.",
        /* 32 */
        L"Ops! Questa versione di __PRODUCT_NAME__ funziona solo su sistemi operativi a 64 bit. "
        L"Scarica e installa la versione a 32 bit.",
        /* 33 */ L"Al momento __PRODUCT_NAME__ funziona solo su Windows a 64 bit.",
        /* 34 */ L"Disinstalla",
        /* 35 */ L"Disinstalla applicazione",
        /* 36 */ L"Applicazione",
        /* 37 */ L"Online",
        /* 38 */ L"Home page",
        /* 39 */ L"Per installare la nuova versione è necessario riavviare il computer. Vuoi continuare?",
        /* 40 */ L"Riavvia ora",
        /* 41 */ L"Download non riuscito. Riprova oppure scarica il programma di installazione offline da",
        /* 42 */ L"Il programma di installazione online non è aggiornato. Scarica la versione più recente da",
        /* 43 */ L"Download...",
        /* 44 */ L"Verifica dei dati in corso, attendere...",
        /* 45 */ L"Raccolta delle informazioni di download...",
        /* 46 */ L"__PRODUCT_NAME__ online",
        /* 47 */ L"Disinstalla __PRODUCT_NAME__",
        /* 48 */ L"Avvia",
        /* 49 */ L"L'installazione inizierà automaticamente tra XXX secondi.",
        /* 50 */
        L"La cartella contiene file che non fanno parte di __PRODUCT_NAME__. "
        L"Scegli una cartella vuota o quella di un'installazione precedente.",
        /* 51 */
        L"Una cartella di sistema o la cartella home non può essere la cartella di installazione. "
        L"Scegli una cartella dedicata.",
        /* 52 */ L"Impossibile scrivere nella cartella di installazione. Scegli un'altra cartella.",
        /* 53 */ L"Spazio libero insufficiente per il download. Libera spazio e riprova.",
        /* 54 */
        L"Spazio libero insufficiente per installare __PRODUCT_NAME__. "
        L"Libera spazio o scegli un'altra cartella.",
        /* 55 */
        L"Il disco si è riempito durante l'installazione. "
        L"Non è stato modificato nulla; libera spazio e riprova.",
        /* 56 */ L"È in corso un'altra installazione di __PRODUCT_NAME__. Attendi che termini, quindi riprova.",
        /* 57 */ L"Installazione non riuscita. Non è stato modificato nulla.",
        /* 58 */ L"Non è stato rimosso nulla: nessuna installazione di __PRODUCT_NAME__ trovata.",
        /* 59 */ L"Non è stato rimosso nulla: __FOLDER__ è una cartella di sistema o la cartella home.",
        /* 60 */ L"Non è stato rimosso nulla: __FOLDER__ non contiene un'installazione di __PRODUCT_NAME__.",
        /* 61 */
        L"Non è stato possibile rimuovere alcuni file in __FOLDER__. "
        L"Chiudi i programmi che li usano, quindi elimina la cartella.",
        /* 62 */
        L"Impossibile scrivere nella cartella Download. Verificare che esista e che sia scrivibile, quindi riprovare.",
        /* 63 */
        L"L’installazione richiede i diritti di amministratore, che non sono stati concessi. Non è stato modificato "
        L"nulla.",
    },
};

}  // namespace base
