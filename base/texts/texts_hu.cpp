#include "base/texts/text_tables.h"

namespace base {

const LanguageTable kHungarianTexts = {
    UiLanguage::Hungarian,
    {
        /*  0 */ L"Telepítés",
        /*  1 */ L"Egyéni",
        /*  2 */ L"Elfogadom",
        /*  3 */ L"a felhasználói szerződést",
        /*  4 */ L"Parancsikon létrehozása az asztalon",
        /*  5 */ L"Parancsikon létrehozása a Start menüben",
        /*  6 */ L"Automatikus indítás a rendszerrel",
        /*  7 */ L"Részvétel a",
        /*  8 */ L"felhasználói élményt javító programban",
        /*  9 */ L"__PRODUCT_NAME__ indítása",
        /* 10 */ L"Biztosan kilép a(z) __PRODUCT_NAME__ telepítéséből?",
        /* 11 */ L"OK",
        /* 12 */ L"Mégse",
        /* 13 */
        L"A telepítés nem folytatható, mert a(z) __PRODUCT_NAME__ már fut. "
        L"Zárja be, majd próbálja újra, vagy kényszerítse a bezárását.",
        /* 14 */ L"Újra",
        /* 15 */ L"Bezárás",
        /* 16 */ L"Gyorsindító ikon létrehozása",
        /* 17 */ L"Válasszon egy mappát az alábbi listából, majd kattintson az OK gombra.",
        /* 18 */ L"Újdonságok",
        /* 19 */ L"Igen",
        /* 20 */ L"Nem",
        /* 21 */ L"Telepítés...",
        /* 22 */ L"Biztosan el szeretné távolítani?",
        /* 23 */ L"Eltávolítás",
        /* 24 */ L"Személyes beállításaim megtartása.",
        /* 25 */ L"Eltávolítás...",
        /* 26 */ L"Az eltávolítás befejeződött! Köszönjük a támogatását!",
        /* 27 */ L"Befejezés",
        /* 28 */ L"A Windows XP már nem támogatott.",
        /* 29 */ L"A Windows Vista már nem támogatott.",
        /* 30 */ L"A telepítési útvonal érvénytelen.",
        /* 31 */ L"A kiválasztott meghajtón nincs elég szabad hely.",
        /* 32 */
        L"Hoppá! A(z) __PRODUCT_NAME__ ezen verziója csak 64 bites operációs rendszeren működik. "
        L"Töltse le és telepítse a 32 bites verziót.",
        /* 33 */ L"A(z) __PRODUCT_NAME__ jelenleg csak 64 bites Windows rendszeren működik.",
        /* 34 */ L"Eltávolítás",
        /* 35 */ L"Alkalmazás eltávolítása",
        /* 36 */ L"Alkalmazás",
        /* 37 */ L"Online",
        /* 38 */ L"Kezdőlap",
        /* 39 */ L"Az új verzió telepítéséhez újra kell indítania a számítógépet. Biztosan folytatja?",
        /* 40 */ L"Újraindítás",
        /* 41 */ L"A letöltés sikertelen. Próbálja újra, vagy töltse le az offline telepítőt innen:",
        /* 42 */ L"Az online telepítő elavult. Töltse le a legújabb verziót innen:",
        /* 43 */ L"Letöltés...",
        /* 44 */ L"Adatok ellenőrzése, kérem, várjon...",
        /* 45 */ L"Letöltési információk lekérése...",
        /* 46 */ L"__PRODUCT_NAME__ online",
        /* 47 */ L"__PRODUCT_NAME__ eltávolítása",
        /* 48 */ L"Indítás",
        /* 49 */ L"A telepítés XXX másodperc múlva automatikusan elindul.",
        /* 50 */
        L"A mappában olyan fájlok vannak, amelyek nem a(z) __PRODUCT_NAME__ részei. "
        L"Válasszon üres mappát vagy egy korábbi telepítés mappáját.",
        /* 51 */ L"Rendszermappa vagy saját mappa nem lehet a telepítési mappa. Válasszon külön mappát.",
        /* 52 */ L"A telepítési mappába nem lehet írni. Válasszon másik mappát.",
        /* 53 */ L"Nincs elég szabad hely a letöltéshez. Szabadítson fel helyet, és próbálja újra.",
        /* 54 */
        L"Nincs elég szabad hely a(z) __PRODUCT_NAME__ telepítéséhez. "
        L"Szabadítson fel helyet, vagy válasszon másik mappát.",
        /* 55 */
        L"A lemez megtelt a telepítés közben. "
        L"Semmi sem változott; szabadítson fel helyet, és próbálja újra.",
        /* 56 */
        L"A(z) __PRODUCT_NAME__ egy másik telepítése fut. "
        L"Várja meg, amíg befejeződik, majd próbálja újra.",
        /* 57 */ L"A telepítés nem sikerült. Semmi sem változott.",
        /* 58 */ L"Semmi sem lett eltávolítva: a(z) __PRODUCT_NAME__ telepítése nem található.",
        /* 59 */ L"Semmi sem lett eltávolítva: __FOLDER__ rendszermappa vagy saját mappa.",
        /* 60 */ L"Semmi sem lett eltávolítva: __FOLDER__ nem tartalmazza a(z) __PRODUCT_NAME__ telepítését.",
        /* 61 */
        L"A(z) __FOLDER__ mappa néhány fájlját nem sikerült eltávolítani. "
        L"Zárja be az azokat használó programokat, majd törölje a mappát.",
        /* 62 */
        L"A Letöltések mappába nem lehet írni. Ellenőrizze, hogy létezik-e, és van-e írási joga, majd próbálja újra.",
        /* 63 */ L"A telepítéshez rendszergazdai jogok kellenek, ezeket nem kapta meg. Semmi sem változott.",
    },
};

}  // namespace base
