#include "base/texts/text_tables.h"

namespace base {

// The reference wording; every other table translates these ids.
const LanguageTable kEnglishTexts = {
    UiLanguage::English,
    {
        /*  0 */ L"Click to Install",
        /*  1 */ L"Custom",
        /*  2 */ L"Accept",
        /*  3 */ L"User License Agreement",
        /*  4 */ L"Create a desktop shortcut",
        /*  5 */ L"Create a Start Menu shortcut",
        /*  6 */ L"Auto-run on System Startup",
        /*  7 */ L"Join",
        /*  8 */ L"User Experience Improvement Program",
        /*  9 */ L"Start __PRODUCT_NAME__",
        /* 10 */ L"Are you sure you want to quit __PRODUCT_NAME__ installation?",
        /* 11 */ L"OK",
        /* 12 */ L"Cancel",
        /* 13 */
        L"Cannot proceed with the installation as __PRODUCT_NAME__ is already running. "
        L"Please close it to try again or force close.",
        /* 14 */ L"Try Again",
        /* 15 */ L"Force Close",
        /* 16 */ L"Create a Quick Launch icon",
        /* 17 */ L"Select a folder from the list below, and then click OK.",
        /* 18 */ L"What's new",
        /* 19 */ L"Yes",
        /* 20 */ L"No",
        /* 21 */ L"Installing...",
        /* 22 */ L"Are you sure you want to uninstall?",
        /* 23 */ L"Uninstall",
        /* 24 */ L"Keep my personal configurations.",
        /* 25 */ L"Uninstalling...",
        /* 26 */ L"Uninstallation complete! Thanks for your support!",
        /* 27 */ L"Finish",
        /* 28 */ L"Windows XP is not suppoeted anymore.",
        /* 29 */ L"Windows Vista is not supported anymore.",
        /* 30 */ L"The installation path is invalid.",
        /* 31 */ L"There is not enough free space on the selected drive.",
        /* 32 */
        L"Oops! This version of __PRODUCT_NAME__ only works on 64-bit operating system. "
        L"Please download and install the 32-bit version.",
        /* 33 */ L"__PRODUCT_NAME__ currently works on 64-bit Windows OS only.",
        /* 34 */ L"Uninstall",
        /* 35 */ L"Uninstall Application",
        /* 36 */ L"Application",
        /* 37 */ L"Online",
        /* 38 */ L"Homepage",
        /* 39 */ L"You must restart your computer to install the new version. Are you sure to proceed?",
        /* 40 */ L"Restart Now",
        /* 41 */ L"Download failed, please retry or download the offline installer from",
        /* 42 */ L"The Online Installer is out of date, please download the latest version at",
        /* 43 */ L"Downloading...",
        /* 44 */ L"Checking data, please wait...",
        /* 45 */ L"Gathering download information...",
        /* 46 */ L"__PRODUCT_NAME__ Online",
        /* 47 */ L"Uninstall __PRODUCT_NAME__",
        /* 48 */ L"Launch",
        /* 49 */ L"Installation will start automatically in XXX seconds.",
        /* 50 */
        L"The folder holds files that are not part of __PRODUCT_NAME__. "
        L"Choose an empty folder or the folder of an earlier installation.",
        /* 51 */
        L"A system folder or a home folder cannot be the installation folder. "
        L"Choose a folder of its own.",
        /* 52 */ L"The installation folder cannot be written to. Choose another folder.",
        /* 53 */ L"There is not enough free space for the download. Free some space and try again.",
        /* 54 */
        L"There is not enough free space to install __PRODUCT_NAME__. "
        L"Free some space or choose another folder.",
        /* 55 */
        L"The disk filled up during the installation. "
        L"Nothing was changed; free some space and try again.",
        /* 56 */ L"Another installation of __PRODUCT_NAME__ is running. Wait for it to end, then try again.",
        /* 57 */ L"The installation failed. Nothing was changed.",
        /* 58 */ L"Nothing was removed: no installation of __PRODUCT_NAME__ was found.",
        /* 59 */ L"Nothing was removed: __FOLDER__ is a system folder or a home folder.",
        /* 60 */ L"Nothing was removed: __FOLDER__ holds no installation of __PRODUCT_NAME__.",
        /* 61 */
        L"Some files in __FOLDER__ could not be removed. "
        L"Close the programs that use them, then delete the folder.",
        /* 62 */
        L"The Downloads folder cannot be written to. Check that it exists and that you may write there, then try "
        L"again.",
        /* 63 */ L"Administrator rights are needed to install, and they were not granted. Nothing was changed.",
    },
};

}  // namespace base
