#include "base/texts/text_tables.h"

namespace base {

// Norwegian Bokmål.
const LanguageTable kNorwegianTexts = {
    UiLanguage::Norwegian,
    {
        /*  0 */ L"Installer",
        /*  1 */ L"Tilpass",
        /*  2 */ L"Godta",
        /*  3 */ L"lisensavtalen",
        /*  4 */ L"Opprett snarvei på skrivebordet",
        /*  5 */ L"Opprett snarvei i Start-menyen",
        /*  6 */ L"Kjør automatisk ved oppstart",
        /*  7 */ L"Bli med i",
        /*  8 */ L"programmet for bedre brukeropplevelse",
        /*  9 */ L"Start __PRODUCT_NAME__",
        /* 10 */ L"Er du sikker på at du vil avslutte installasjonen av __PRODUCT_NAME__?",
        /* 11 */ L"OK",
        /* 12 */ L"Avbryt",
        /* 13 */
        L"Installasjonen kan ikke fortsette fordi __PRODUCT_NAME__ allerede kjører. "
        L"Lukk programmet og prøv igjen, eller tving det til å lukkes.",
        /* 14 */ L"Prøv igjen",
        /* 15 */ L"Tving lukking",
        /* 16 */ L"Opprett et ikon for hurtigstart",
        /* 17 */ L"Velg en mappe fra listen nedenfor, og klikk deretter OK.",
        /* 18 */ L"Nyheter",
        /* 19 */ L"Ja",
        /* 20 */ L"Nei",
        /* 21 */ L"Installerer...",
        /* 22 */ L"Er du sikker på at du vil avinstallere?",
        /* 23 */ L"Avinstaller",
        /* 24 */ L"Behold mine personlige innstillinger.",
        /* 25 */ L"Avinstallerer...",
        /* 26 */ L"Avinstallasjonen er fullført! Takk for støtten!",
        /* 27 */ L"Fullfør",
        /* 28 */ L"Windows XP støttes ikke lenger.",
        /* 29 */ L"Windows Vista støttes ikke lenger.",
        /* 30 */ L"Installasjonsbanen er ugyldig.",
        /* 31 */ L"Det er ikke nok ledig plass på den valgte stasjonen.",
        /* 32 */
        L"Beklager! Denne versjonen av __PRODUCT_NAME__ fungerer bare på 64-biters operativsystem. "
        L"Last ned og installer 32-bitersversjonen.",
        /* 33 */ L"__PRODUCT_NAME__ fungerer foreløpig bare på 64-biters Windows.",
        /* 34 */ L"Avinstaller",
        /* 35 */ L"Avinstaller programmet",
        /* 36 */ L"Program",
        /* 37 */ L"På nett",
        /* 38 */ L"Hjemmeside",
        /* 39 */ L"Du må starte datamaskinen på nytt for å installere den nye versjonen. Vil du fortsette?",
        /* 40 */ L"Start på nytt",
        /* 41 */ L"Nedlastingen mislyktes. Prøv igjen, eller last ned offline-installasjonsprogrammet fra",
        /* 42 */ L"Det nettbaserte installasjonsprogrammet er utdatert. Last ned den nyeste versjonen fra",
        /* 43 */ L"Laster ned...",
        /* 44 */ L"Kontrollerer data, vent litt...",
        /* 45 */ L"Henter nedlastingsinformasjon...",
        /* 46 */ L"__PRODUCT_NAME__ på nett",
        /* 47 */ L"Avinstaller __PRODUCT_NAME__",
        /* 48 */ L"Start",
        /* 49 */ L"Installasjonen starter automatisk om XXX sekunder.",
        /* 50 */
        L"Mappen inneholder filer som ikke hører til __PRODUCT_NAME__. "
        L"Velg en tom mappe eller mappen til en tidligere installasjon.",
        /* 51 */ L"En systemmappe eller en hjemmemappe kan ikke være installasjonsmappen. Velg en egen mappe.",
        /* 52 */ L"Det går ikke å skrive til installasjonsmappen. Velg en annen mappe.",
        /* 53 */ L"Det er ikke nok ledig plass til nedlastingen. Frigjør plass og prøv igjen.",
        /* 54 */
        L"Det er ikke nok ledig plass til å installere __PRODUCT_NAME__. "
        L"Frigjør plass eller velg en annen mappe.",
        /* 55 */ L"Disken ble full under installasjonen. Ingenting ble endret; frigjør plass og prøv igjen.",
        /* 56 */ L"En annen installasjon av __PRODUCT_NAME__ kjører. Vent til den er ferdig, og prøv igjen.",
        /* 57 */ L"Installasjonen mislyktes. Ingenting ble endret.",
        /* 58 */ L"Ingenting ble fjernet: fant ingen installasjon av __PRODUCT_NAME__.",
        /* 59 */ L"Ingenting ble fjernet: __FOLDER__ er en systemmappe eller en hjemmemappe.",
        /* 60 */ L"Ingenting ble fjernet: __FOLDER__ inneholder ingen installasjon av __PRODUCT_NAME__.",
        /* 61 */
        L"Noen filer i __FOLDER__ kunne ikke fjernes. "
        L"Lukk programmene som bruker dem, og slett deretter mappen.",
        /* 62 */
        L"Kan ikke skrive til mappen Nedlastinger. Kontroller at den finnes og at du kan skrive der, og prøv igjen.",
        /* 63 */ L"Installasjonen krever administratorrettigheter, og de ble ikke gitt. Ingenting ble endret.",
    },
};

}  // namespace base
