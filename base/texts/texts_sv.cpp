#include "base/texts/text_tables.h"

namespace base {

const LanguageTable kSwedishTexts = {
    UiLanguage::Swedish,
    {
        /*  0 */ L"Installera",
        /*  1 */ L"Anpassa",
        /*  2 */ L"Godkänn",
        /*  3 */ L"licensavtalet",
        /*  4 */ L"Skapa en genväg på skrivbordet",
        /*  5 */ L"Skapa en genväg på Start-menyn",
        /*  6 */ L"Starta automatiskt vid systemstart",
        /*  7 */ L"Delta i",
        /*  8 */ L"programmet för bättre användarupplevelse",
        /*  9 */ L"Starta __PRODUCT_NAME__",
        /* 10 */ L"Vill du verkligen avbryta installationen av __PRODUCT_NAME__?",
        /* 11 */ L"OK",
        /* 12 */ L"Avbryt",
        /* 13 */
        L"Installationen kan inte fortsätta eftersom __PRODUCT_NAME__ redan körs. "
        L"Stäng programmet och försök igen, eller tvinga det att stängas.",
        /* 14 */ L"Försök igen",
        /* 15 */ L"Avsluta",
        /* 16 */ L"Skapa en ikon i Snabbstartfältet",
        /* 17 */ L"Välj en mapp i listan nedan och klicka sedan på OK.",
        /* 18 */ L"Nyheter",
        /* 19 */ L"Ja",
        /* 20 */ L"Nej",
        /* 21 */ L"Installerar...",
        /* 22 */ L"Vill du verkligen avinstallera?",
        /* 23 */ L"Avinstallera",
        /* 24 */ L"Behåll mina personliga inställningar.",
        /* 25 */ L"Avinstallerar...",
        /* 26 */ L"Avinstallationen är klar! Tack för ditt stöd!",
        /* 27 */ L"Slutför",
        /* 28 */ L"Windows XP stöds inte längre.",
        /* 29 */ L"Windows Vista stöds inte längre.",
        /* 30 */ L"Installationssökvägen är ogiltig.",
        /* 31 */ L"Det finns inte tillräckligt med ledigt utrymme på den valda enheten.",
        /* 32 */
        L"Hoppsan! Den här versionen av __PRODUCT_NAME__ fungerar bara på 64-bitars operativsystem. "
        L"Hämta och installera 32-bitarsversionen.",
        /* 33 */ L"__PRODUCT_NAME__ fungerar för närvarande bara på 64-bitars Windows.",
        /* 34 */ L"Avinstallera",
        /* 35 */ L"Avinstallera programmet",
        /* 36 */ L"Program",
        /* 37 */ L"Online",
        /* 38 */ L"Webbplats",
        /* 39 */ L"Du måste starta om datorn för att installera den nya versionen. Vill du fortsätta?",
        /* 40 */ L"Starta om nu",
        /* 41 */ L"Hämtningen misslyckades. Försök igen eller hämta offlineinstallationsprogrammet från",
        /* 42 */ L"Onlineinstallationsprogrammet är inaktuellt. Hämta den senaste versionen från",
        /* 43 */ L"Hämtar...",
        /* 44 */ L"Kontrollerar data, vänta...",
        /* 45 */ L"Samlar in hämtningsinformation...",
        /* 46 */ L"__PRODUCT_NAME__ online",
        /* 47 */ L"Avinstallera __PRODUCT_NAME__",
        /* 48 */ L"Starta",
        /* 49 */ L"Installationen startar automatiskt om XXX sekunder.",
        /* 50 */
        L"Mappen innehåller filer som inte hör till __PRODUCT_NAME__. "
        L"Välj en tom mapp eller mappen för en tidigare installation.",
        /* 51 */ L"En systemmapp eller en hemmapp kan inte vara installationsmapp. Välj en egen mapp.",
        /* 52 */ L"Det går inte att skriva till installationsmappen. Välj en annan mapp.",
        /* 53 */
        L"Det finns inte tillräckligt med ledigt utrymme för nedladdningen. "
        L"Frigör utrymme och försök igen.",
        /* 54 */
        L"Det finns inte tillräckligt med ledigt utrymme för att installera __PRODUCT_NAME__. "
        L"Frigör utrymme eller välj en annan mapp.",
        /* 55 */ L"Disken blev full under installationen. Inget ändrades; frigör utrymme och försök igen.",
        /* 56 */
        L"En annan installation av __PRODUCT_NAME__ pågår. "
        L"Vänta tills den är klar och försök sedan igen.",
        /* 57 */ L"Installationen misslyckades. Inget ändrades.",
        /* 58 */ L"Inget togs bort: ingen installation av __PRODUCT_NAME__ hittades.",
        /* 59 */ L"Inget togs bort: __FOLDER__ är en systemmapp eller en hemmapp.",
        /* 60 */ L"Inget togs bort: __FOLDER__ innehåller ingen installation av __PRODUCT_NAME__.",
        /* 61 */
        L"Vissa filer i __FOLDER__ kunde inte tas bort. "
        L"Stäng programmen som använder dem och ta sedan bort mappen.",
        /* 62 */
        L"Det går inte att skriva till mappen Hämtade filer. Kontrollera att den finns och att du får skriva där och "
        L"försök igen.",
        /* 63 */ L"Installationen kräver administratörsbehörighet, och den beviljades inte. Ingenting har ändrats.",
    },
};

}  // namespace base
