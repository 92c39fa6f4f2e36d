#include "base/texts/text_tables.h"

namespace base {

const LanguageTable kDutchTexts = {
    UiLanguage::Dutch,
    {
        /*  0 */ L"Installeren",
        /*  1 */ L"Aangepast",
        /*  2 */ L"Accepteer",
        /*  3 */ L"de licentieovereenkomst",
        /*  4 */ L"Snelkoppeling op het bureaublad maken",
        /*  5 */ L"Snelkoppeling in het menu Start maken",
        /*  6 */ L"Automatisch starten met het systeem",
        /*  7 */ L"Doe mee aan",
        /*  8 */ L"het verbeteringsprogramma voor gebruikerservaring",
        /*  9 */ L"__PRODUCT_NAME__ starten",
        /* 10 */ L"Weet u zeker dat u de installatie van __PRODUCT_NAME__ wilt afbreken?",
        /* 11 */ L"OK",
        /* 12 */ L"Annuleren",
        /* 13 */
        L"De installatie kan niet doorgaan omdat __PRODUCT_NAME__ al actief is. "
        L"Sluit het programma en probeer het opnieuw, of forceer het afsluiten.",
        /* 14 */ L"Opnieuw",
        /* 15 */ L"Afsluiten",
        /* 16 */ L"Pictogram voor Snel starten maken",
        /* 17 */ L"Selecteer een map in de onderstaande lijst en klik op OK.",
        /* 18 */ L"Wat is er nieuw",
        /* 19 */ L"Ja",
        /* 20 */ L"Nee",
        /* 21 */ L"Bezig met installeren...",
        /* 22 */ L"Weet u zeker dat u wilt verwijderen?",
        /* 23 */ L"Verwijderen",
        /* 24 */ L"Mijn persoonlijke instellingen behouden.",
        /* 25 */ L"Bezig met verwijderen...",
        /* 26 */ L"Verwijderen voltooid! Bedankt voor uw steun!",
        /* 27 */ L"Voltooien",
        /* 28 */ L"Windows XP wordt niet meer ondersteund.",
        /* 29 */ L"Windows Vista wordt niet meer ondersteund.",
        /* 30 */ L"Het installatiepad is ongeldig.",
        /* 31 */ L"Er is onvoldoende vrije ruimte op het geselecteerde station.",
        /* 32 */
        L"Oeps! Deze versie van __PRODUCT_NAME__ werkt alleen op een 64-bits besturingssysteem. "
        L"Download en installeer de 32-bits versie.",
        /* 33 */ L"__PRODUCT_NAME__ werkt momenteel alleen op 64-bits Windows.",
        /* 34 */ L"Verwijderen",
        /* 35 */ L"Toepassing verwijderen",
        /* 36 */ L"Toepassing",
        /* 37 */ L"Online",
        /* 38 */ L"Homepage",
        /* 39 */
        L"U moet de computer opnieuw opstarten om de nieuwe versie te installeren. "
        L"Weet u zeker dat u wilt doorgaan?",
        /* 40 */ L"Herstarten",
        /* 41 */ L"Downloaden mislukt. Probeer het opnieuw of download het offline installatieprogramma van",
        /* 42 */ L"Het online installatieprogramma is verouderd. Download de nieuwste versie van",
        /* 43 */ L"Downloaden...",
        /* 44 */ L"Gegevens controleren, even geduld...",
        /* 45 */ L"Downloadgegevens ophalen...",
        /* 46 */ L"__PRODUCT_NAME__ online",
        /* 47 */ L"__PRODUCT_NAME__ verwijderen",
        /* 48 */ L"Starten",
        /* 49 */ L"De installatie start automatisch over XXX seconden.",
        /* 50 */
        L"De map bevat bestanden die niet bij __PRODUCT_NAME__ horen. "
        L"Kies een lege map of de map van een eerdere installatie.",
        /* 51 */ L"Een systeemmap of een thuismap kan geen installatiemap zijn. Kies een aparte map.",
        /* 52 */ L"Er kan niet naar de installatiemap worden geschreven. Kies een andere map.",
        /* 53 */ L"Er is niet genoeg vrije ruimte voor de download. Maak ruimte vrij en probeer het opnieuw.",
        /* 54 */
        L"Er is niet genoeg vrije ruimte om __PRODUCT_NAME__ te installeren. "
        L"Maak ruimte vrij of kies een andere map.",
        /* 55 */
        L"De schijf is tijdens de installatie volgelopen. "
        L"Er is niets gewijzigd; maak ruimte vrij en probeer het opnieuw.",
        /* 56 */
        L"Er loopt al een andere installatie van __PRODUCT_NAME__. "
        L"Wacht tot deze klaar is en probeer het opnieuw.",
        /* 57 */ L"De installatie is mislukt. Er is niets gewijzigd.",
        /* 58 */ L"Er is niets verwijderd: er is geen installatie van __PRODUCT_NAME__ gevonden.",
        /* 59 */ L"Er is niets verwijderd: __FOLDER__ is een systeemmap of een thuismap.",
        /* 60 */ L"Er is niets verwijderd: __FOLDER__ bevat geen installatie van __PRODUCT_NAME__.",
        /* 61 */
        L"Sommige bestanden in __FOLDER__ konden niet worden verwijderd. "
        L"Sluit de programma's die ze gebruiken en verwijder daarna de map.",
        /* 62 */
        L"Er kan niet in de map Downloads worden geschreven. Controleer of de map bestaat en beschrijfbaar is en "
        L"probeer het opnieuw.",
        /* 63 */ L"Voor de installatie zijn beheerdersrechten nodig, en die zijn niet verleend. Er is niets gewijzigd.",
    },
};

}  // namespace base
