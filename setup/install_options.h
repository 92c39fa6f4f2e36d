// Where the options page starts: the previous installation's folder and options as
// the registry records them, the default folder, the browse rule and the two pages
// the page links to.
#pragma once

#include <atomic>
#include <string>

#include "install/package_info.h"
#include "platform/win_types.h"

namespace setup {

// Set when the previous-install lookup found a folder. Written at dialog start (UI
// thread) and again by the install worker; read by the finish step.
extern std::atomic<bool> g_updateOldVersion;

// Bits of `installOptions`.
inline constexpr DWORD kOptionDesktopShortcuts = 1;
inline constexpr DWORD kOptionJoinProgramme = 2;
// Before any previous installation is known: everything wanted.
inline constexpr DWORD kDefaultInstallOptions = 0xFFFFFFFF;

// "InstallLocation" of this package's uninstall entry (the product key name, with
// "(x64)" for a 64-bit package). Found: logs "Find install path: (...)", sets
// g_updateOldVersion and returns it. Otherwise logs "Don't find install path for old
// version." and returns empty text.
std::string GetPreviousInstallFolder(const install::PackageInfo& info);

// "cfg_flag" of the entry, kDefaultInstallOptions when it is missing; logs the
// "Read Setup Cfg Flag" line.
DWORD ReadInstallOptions(const install::PackageInfo& info);
bool WantsDesktopShortcuts(DWORD installOptions);
bool WantsJoinProgramme(DWORD installOptions);
// `installOptions` rebuilt from the two option boxes when the installation starts.
DWORD MakeInstallOptions(bool desktopTicked, bool programmeTicked);

// The first `installPathW`: `presetFolder` (--path) when given; else the previous
// install folder when it still exists; else the package's default folder (not
// created). The previous-install lookup runs in every case.
std::wstring ChooseInitialInstallFolder(const install::PackageInfo& info, const std::wstring& presetFolder);

// The browse rule: a chosen folder whose path does not contain the product key name
// (case-sensitive) gets it appended as a last folder.
std::wstring AppendProductFolderWhenMissing(const std::wstring& chosen, const install::PackageInfo& info);

// The browse command without the folder box: logs, runs the folder picker starting
// at `installPathW` (title UI text 17) and, when a folder was chosen, stores it after
// the browse rule in `installPathW` and answers true (the caller refills the box).
// UI thread.
bool BrowseForInstallFolder(std::wstring& installPathW, const install::PackageInfo& info);

// The licence and improvement-programme pages of the vendor web site for this
// package's version, and their opening in the desktop user's browser (results ignored).
std::string LicensePageUrl(const install::PackageInfo& info);
std::string ExperienceProgrammePageUrl(const install::PackageInfo& info);
void OpenLicensePage(const install::PackageInfo& info);
void OpenExperienceProgrammePage(const install::PackageInfo& info);

}  // namespace setup
