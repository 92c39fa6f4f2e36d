#include "base/texts/text_tables.h"

namespace base {

const LanguageTable kPolishTexts = {
    UiLanguage::Polish,
    {
        /*  0 */ L"Zainstaluj",
        /*  1 */ L"Dostosuj",
        /*  2 */ L"Akceptuję",
        /*  3 */ L"umowę licencyjną użytkownika",
        /*  4 */ L"Utwórz skrót na pulpicie",
        /*  5 */ L"Utwórz skrót w menu Start",
        /*  6 */ L"Uruchamiaj przy starcie systemu",
        /*  7 */ L"Dołącz",
        /*  8 */ L"do programu poprawy komfortu użytkowania",
        /*  9 */ L"Uruchom __PRODUCT_NAME__",
        /* 10 */ L"Czy na pewno chcesz przerwać instalację programu __PRODUCT_NAME__?",
        /* 11 */ L"OK",
        /* 12 */ L"Anuluj",
        /* 13 */
        L"Nie można kontynuować instalacji, ponieważ program __PRODUCT_NAME__ jest już uruchomiony. "
        L"Zamknij go i spróbuj ponownie lub wymuś zamknięcie.",
        /* 14 */ L"Ponów",
        /* 15 */ L"Zamknij",
        /* 16 */ L"Utwórz ikonę szybkiego uruchamiania",
        /* 17 */ L"Wybierz folder z poniższej listy, a następnie kliknij przycisk OK.",
        /* 18 */ L"Co nowego",
        /* 19 */ L"Tak",
        /* 20 */ L"Nie",
        /* 21 */ L"Instalowanie...",
        /* 22 */ L"Czy na pewno chcesz odinstalować?",
        /* 23 */ L"Odinstaluj",
        /* 24 */ L"Zachowaj moje ustawienia osobiste.",
        /* 25 */ L"Odinstalowywanie...",
        /* 26 */ L"Dezinstalacja zakończona! Dziękujemy za wsparcie!",
        /* 27 */ L"Zakończ",
        /* 28 */ L"System Windows XP nie jest już obsługiwany.",
        /* 29 */ L"System Windows Vista nie jest już obsługiwany.",
        /* 30 */ L"Ścieżka instalacji jest nieprawidłowa.",
        /* 31 */ L"Na wybranym dysku jest za mało wolnego miejsca.",
        /* 32 */
        L"Ups! Ta wersja programu __PRODUCT_NAME__ działa tylko w 64-bitowym systemie operacyjnym. "
        L"Pobierz i zainstaluj wersję 32-bitową.",
        /* 33 */ L"Program __PRODUCT_NAME__ działa obecnie wyłącznie w 64-bitowym systemie Windows.",
        /* 34 */ L"Odinstaluj",
        /* 35 */ L"Odinstaluj aplikację",
        /* 36 */ L"Aplikacja",
        /* 37 */ L"Online",
        /* 38 */ L"Strona główna",
        /* 39 */
        L"Aby zainstalować nową wersję, musisz ponownie uruchomić komputer. "
        L"Czy na pewno chcesz kontynuować?",
        /* 40 */ L"Restartuj",
        /* 41 */ L"Pobieranie nie powiodło się. Spróbuj ponownie lub pobierz instalator offline ze strony",
        /* 42 */ L"Instalator online jest nieaktualny. Pobierz najnowszą wersję ze strony",
        /* 43 */ L"Pobieranie...",
        /* 44 */ L"Sprawdzanie danych, proszę czekać...",
        /* 45 */ L"Zbieranie informacji o pobieraniu...",
        /* 46 */ L"__PRODUCT_NAME__ online",
        /* 47 */ L"Odinstaluj __PRODUCT_NAME__",
        /* 48 */ L"Uruchom",
        /* 49 */ L"Instalacja rozpocznie się automatycznie za XXX s.",
        /* 50 */
        L"Folder zawiera pliki, które nie należą do __PRODUCT_NAME__. "
        L"Wybierz pusty folder lub folder wcześniejszej instalacji.",
        /* 51 */ L"Folder systemowy ani folder domowy nie może być folderem instalacji. Wybierz osobny folder.",
        /* 52 */ L"Nie można zapisywać w folderze instalacji. Wybierz inny folder.",
        /* 53 */ L"Za mało wolnego miejsca na pobranie. Zwolnij miejsce i spróbuj ponownie.",
        /* 54 */
        L"Za mało wolnego miejsca na instalację __PRODUCT_NAME__. "
        L"Zwolnij miejsce lub wybierz inny folder.",
        /* 55 */
        L"Podczas instalacji dysk się zapełnił. "
        L"Nic nie zostało zmienione; zwolnij miejsce i spróbuj ponownie.",
        /* 56 */ L"Trwa inna instalacja __PRODUCT_NAME__. Poczekaj na jej zakończenie i spróbuj ponownie.",
        /* 57 */ L"Instalacja nie powiodła się. Nic nie zostało zmienione.",
        /* 58 */ L"Nic nie zostało usunięte: nie znaleziono instalacji __PRODUCT_NAME__.",
        /* 59 */ L"Nic nie zostało usunięte: __FOLDER__ to folder systemowy lub folder domowy.",
        /* 60 */ L"Nic nie zostało usunięte: __FOLDER__ nie zawiera instalacji __PRODUCT_NAME__.",
        /* 61 */
        L"Nie udało się usunąć niektórych plików w __FOLDER__. "
        L"Zamknij programy, które ich używają, a następnie usuń folder.",
        /* 62 */
        L"Nie można zapisywać w folderze Pobrane. Sprawdź, czy istnieje i czy masz do niego prawo zapisu, a następnie "
        L"spróbuj ponownie.",
        /* 63 */ L"Instalacja wymaga uprawnień administratora, których nie przyznano. Nic nie zostało zmienione.",
    },
};

}  // namespace base
