#include "base/texts/text_tables.h"

namespace base {

const LanguageTable kCzechTexts = {
    UiLanguage::Czech,
    {
        /*  0 */ L"Nainstalovat",
        /*  1 */ L"Vlastní",
        /*  2 */ L"Přijímám",
        /*  3 */ L"licenční smlouvu",
        /*  4 */ L"Vytvořit zástupce na ploše",
        /*  5 */ L"Vytvořit zástupce v nabídce Start",
        /*  6 */ L"Spouštět při startu systému",
        /*  7 */ L"Účast v",
        /*  8 */ L"programu zlepšování uživatelské zkušenosti",
        /*  9 */ L"Spustit __PRODUCT_NAME__",
        /* 10 */ L"Opravdu chcete ukončit instalaci aplikace __PRODUCT_NAME__?",
        /* 11 */ L"OK",
        /* 12 */ L"Zrušit",
        /* 13 */
        L"V instalaci nelze pokračovat, protože aplikace __PRODUCT_NAME__ je již spuštěná. "
        L"Zavřete ji a zkuste to znovu, nebo ji vynuceně ukončete.",
        /* 14 */ L"Zkusit znovu",
        /* 15 */ L"Ukončit",
        /* 16 */ L"Vytvořit ikonu na panelu Snadné spuštění",
        /* 17 */ L"Vyberte složku ze seznamu níže a klikněte na tlačítko OK.",
        /* 18 */ L"Novinky",
        /* 19 */ L"Ano",
        /* 20 */ L"Ne",
        /* 21 */ L"Probíhá instalace...",
        /* 22 */ L"Opravdu chcete provést odinstalaci?",
        /* 23 */ L"Odinstalovat",
        /* 24 */ L"Zachovat mé osobní nastavení.",
        /* 25 */ L"Probíhá odinstalace...",
        /* 26 */ L"Odinstalace je dokončena! Děkujeme za vaši podporu!",
        /* 27 */ L"Dokončit",
        /* 28 */ L"Systém Windows XP již není podporován.",
        /* 29 */ L"Systém Windows Vista již není podporován.",
        /* 30 */ L"Instalační cesta je neplatná.",
        /* 31 */ L"Na vybrané jednotce není dostatek volného místa.",
        /* 32 */
        L"Jejda! Tato verze aplikace __PRODUCT_NAME__ funguje pouze v 64bitovém operačním systému. "
        L"Stáhněte si a nainstalujte 32bitovou verzi.",
        /* 33 */ L"__PRODUCT_NAME__ v současnosti funguje pouze v 64bitovém systému Windows.",
        /* 34 */ L"Odinstalovat",
        /* 35 */ L"Odinstalovat aplikaci",
        /* 36 */ L"Aplikace",
        /* 37 */ L"Online",
        /* 38 */ L"Domovská stránka",
        /* 39 */ L"Pro instalaci nové verze je nutné restartovat počítač. Chcete pokračovat?",
        /* 40 */ L"Restartovat",
        /* 41 */
        L"Stahování se nezdařilo. Zkuste to znovu nebo si stáhněte offline instalační program "
        L"z webu",
        /* 42 */ L"Online instalační program je zastaralý. Stáhněte si nejnovější verzi z webu",
        /* 43 */ L"Stahování...",
        /* 44 */ L"Probíhá kontrola dat, čekejte prosím...",
        /* 45 */ L"Zjišťování informací o stahování...",
        /* 46 */ L"__PRODUCT_NAME__ online",
        /* 47 */ L"Odinstalovat __PRODUCT_NAME__",
        /* 48 */ L"Spustit",
        /* 49 */ L"Instalace se automaticky spustí za XXX s.",
        /* 50 */
        L"Složka obsahuje soubory, které nepatří k __PRODUCT_NAME__. "
        L"Vyberte prázdnou složku nebo složku dřívější instalace.",
        /* 51 */ L"Systémová ani domovská složka nemůže být instalační složkou. Vyberte samostatnou složku.",
        /* 52 */ L"Do instalační složky nelze zapisovat. Vyberte jinou složku.",
        /* 53 */ L"Pro stažení není dost volného místa. Uvolněte místo a zkuste to znovu.",
        /* 54 */
        L"Pro instalaci __PRODUCT_NAME__ není dost volného místa. "
        L"Uvolněte místo nebo vyberte jinou složku.",
        /* 55 */ L"Během instalace se disk zaplnil. Nic nebylo změněno; uvolněte místo a zkuste to znovu.",
        /* 56 */ L"Probíhá jiná instalace __PRODUCT_NAME__. Počkejte na její dokončení a zkuste to znovu.",
        /* 57 */ L"Instalace se nezdařila. Nic nebylo změněno.",
        /* 58 */ L"Nic nebylo odebráno: instalace __PRODUCT_NAME__ nebyla nalezena.",
        /* 59 */ L"Nic nebylo odebráno: __FOLDER__ je systémová nebo domovská složka.",
        /* 60 */ L"Nic nebylo odebráno: __FOLDER__ neobsahuje instalaci __PRODUCT_NAME__.",
        /* 61 */
        L"Některé soubory v __FOLDER__ nelze odebrat. "
        L"Zavřete programy, které je používají, a pak složku odstraňte.",
        /* 62 */
        L"Do složky Stažené soubory nelze zapisovat. Ověřte, že existuje a že do ní můžete zapisovat, a zkuste to "
        L"znovu.",
        /* 63 */ L"Instalace vyžaduje práva správce, která nebyla udělena. Nic nebylo změněno.",
    },
};

}  // namespace base
