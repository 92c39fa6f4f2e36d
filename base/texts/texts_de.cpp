#include "base/texts/text_tables.h"

namespace base {

const LanguageTable kGermanTexts = {
    UiLanguage::German,
    {
        /*  0 */ L"Installieren",
        /*  1 */ L"Anpassen",
        /*  2 */ L"Akzeptieren",
        /*  3 */ L"Benutzerlizenzvertrag",
        /*  4 */ L"Desktopverknüpfung erstellen",
        /*  5 */ L"Verknüpfung im Startmenü erstellen",
        /*  6 */ L"Beim Systemstart automatisch ausführen",
        /*  7 */ L"Teilnahme am",
        /*  8 */ L"Programm zur Verbesserung der Benutzerfreundlichkeit",
        /*  9 */ L"__PRODUCT_NAME__ starten",
        /* 10 */ L"Möchten Sie die Installation von __PRODUCT_NAME__ wirklich beenden?",
        /* 11 */ L"OK",
        /* 12 */ L"Abbrechen",
        /* 13 */
        L"Die Installation kann nicht fortgesetzt werden, da __PRODUCT_NAME__ bereits ausgeführt wird. "
        L"Schließen Sie das Programm und versuchen Sie es erneut, oder erzwingen Sie das Beenden.",
        /* 14 */ L"Wiederholen",
        /* 15 */ L"Beenden",
        /* 16 */ L"Symbol in der Schnellstartleiste erstellen",
        /* 17 */ L"Wählen Sie einen Ordner aus der Liste unten aus, und klicken Sie dann auf OK.",
        /* 18 */ L"Neuigkeiten",
        /* 19 */ L"Ja",
        /* 20 */ L"Nein",
        /* 21 */ L"Installation läuft...",
        /* 22 */ L"Möchten Sie wirklich deinstallieren?",
        /* 23 */ L"Deinstallieren",
        /* 24 */ L"Meine persönlichen Einstellungen behalten.",
        /* 25 */ L"Deinstallation läuft...",
        /* 26 */ L"Deinstallation abgeschlossen! Danke für Ihre Unterstützung!",
        /* 27 */ L"Fertigstellen",
        /* 28 */ L"Windows XP wird nicht mehr unterstützt.",
        /* 29 */ L"Windows Vista wird nicht mehr unterstützt.",
        /* 30 */ L"Der Installationspfad ist ungültig.",
        /* 31 */ L"Auf dem ausgewählten Laufwerk ist nicht genügend freier Speicherplatz vorhanden.",
        /* 32 */
        L"Hoppla! Diese Version von __PRODUCT_NAME__ läuft nur auf einem 64-Bit-Betriebssystem. "
        L"Bitte laden Sie die 32-Bit-Version herunter und installieren Sie sie.",
        /* 33 */ L"__PRODUCT_NAME__ läuft derzeit nur unter 64-Bit-Windows.",
        /* 34 */ L"Deinstallieren",
        /* 35 */ L"Anwendung deinstallieren",
        /* 36 */ L"Anwendung",
        /* 37 */ L"Online",
        /* 38 */ L"Homepage",
        /* 39 */
        L"Zur Installation der neuen Version muss der Computer neu gestartet werden. "
        L"Möchten Sie fortfahren?",
        /* 40 */ L"Neu starten",
        /* 41 */
        L"Download fehlgeschlagen. Versuchen Sie es erneut, oder laden Sie das "
        L"Offline-Installationsprogramm hier herunter:",
        /* 42 */
        L"Das Online-Installationsprogramm ist veraltet. Bitte laden Sie die neueste Version "
        L"hier herunter:",
        /* 43 */ L"Herunterladen...",
        /* 44 */ L"Daten werden geprüft, bitte warten...",
        /* 45 */ L"Download-Informationen werden abgerufen...",
        /* 46 */ L"__PRODUCT_NAME__ Online",
        /* 47 */ L"__PRODUCT_NAME__ deinstallieren",
        /* 48 */ L"Starten",
        /* 49 */ L"Die Installation startet automatisch in XXX Sekunden.",
        /* 50 */
        L"Der Ordner enthält Dateien, die nicht zu __PRODUCT_NAME__ gehören. "
        L"Wählen Sie einen leeren Ordner oder den Ordner einer früheren Installation.",
        /* 51 */
        L"Ein Systemordner oder ein persönlicher Ordner kann nicht der Installationsordner sein. "
        L"Wählen Sie einen eigenen Ordner.",
        /* 52 */ L"In den Installationsordner kann nicht geschrieben werden. Wählen Sie einen anderen Ordner.",
        /* 53 */
        L"Für den Download ist nicht genügend freier Speicherplatz vorhanden. "
        L"Geben Sie Speicherplatz frei, und versuchen Sie es erneut.",
        /* 54 */
        L"Für die Installation von __PRODUCT_NAME__ ist nicht genügend freier Speicherplatz "
        L"vorhanden. Geben Sie Speicherplatz frei, oder wählen Sie einen anderen Ordner.",
        /* 55 */
        L"Der Datenträger wurde während der Installation voll. "
        L"Es wurde nichts geändert; geben Sie Speicherplatz frei, und versuchen Sie es erneut.",
        /* 56 */
        L"Eine andere Installation von __PRODUCT_NAME__ läuft. "
        L"Warten Sie, bis sie beendet ist, und versuchen Sie es dann erneut.",
        /* 57 */ L"Die Installation ist fehlgeschlagen. Es wurde nichts geändert.",
        /* 58 */ L"Es wurde nichts entfernt: Keine Installation von __PRODUCT_NAME__ gefunden.",
        /* 59 */ L"Es wurde nichts entfernt: __FOLDER__ ist ein Systemordner oder ein persönlicher Ordner.",
        /* 60 */ L"Es wurde nichts entfernt: __FOLDER__ enthält keine Installation von __PRODUCT_NAME__.",
        /* 61 */
        L"Einige Dateien in __FOLDER__ konnten nicht entfernt werden. "
        L"Schließen Sie die Programme, die sie verwenden, und löschen Sie dann den Ordner.",
        /* 62 */
        L"In den Ordner „Downloads“ kann nicht geschrieben werden. Prüfen Sie, ob er vorhanden und beschreibbar ist, "
        L"und versuchen Sie es erneut.",
        /* 63 */
        L"Für die Installation sind Administratorrechte nötig, und sie wurden nicht erteilt. Es wurde nichts geändert.",
    },
};

}  // namespace base
