#include "setup/install_options.h"

#include <cerrno>
#include <cstdint>

#include "base/install_log.h"
#include "base/texts/ui_texts.h"
#include "external/vendor_config.h"
#include "external/vendor_services.h"
#include "install/package_reader.h"
#include "install/product_processes.h"
#include "install/uninstall_registration.h"
#include "platform/gui/native_controls.h"
#include "platform/path.h"
#include "platform/text.h"

using base::WriteLog;
using install::PackageInfo;
using install::PackageInfoText;

namespace setup {

std::atomic<bool> g_updateOldVersion{false};

std::string GetPreviousInstallFolder(const PackageInfo& info) {
  std::string folder;
  if (install::GetLastInstallPathInRegidit(install::UninstallEntryName(info), folder) && !folder.empty()) {
    WriteLog("Find install path: (%s)\n", folder.c_str());
    g_updateOldVersion = true;
    return folder;
  }
  WriteLog("Don't find install path for old version.\n");
  return {};
}

DWORD ReadInstallOptions(const PackageInfo& info) {
  DWORD options = kDefaultInstallOptions;
  install::ReadSetupCfgFlag(info, options);
  return options;
}

bool WantsDesktopShortcuts(DWORD installOptions) { return (installOptions & kOptionDesktopShortcuts) != 0; }

bool WantsJoinProgramme(DWORD installOptions) { return (installOptions & kOptionJoinProgramme) != 0; }

DWORD MakeInstallOptions(bool desktopTicked, bool programmeTicked) {
  return (desktopTicked ? kOptionDesktopShortcuts : 0) | (programmeTicked ? kOptionJoinProgramme : 0);
}

std::wstring ChooseInitialInstallFolder(const PackageInfo& info, const std::wstring& presetFolder) {
  const std::string previous = GetPreviousInstallFolder(info);
  if (!presetFolder.empty()) return presetFolder;
  if (!previous.empty() && platform::PathFileExists(previous)) return platform::NarrowToWide(previous);
  std::wstring folder;
  install::GetDefaultInstallFolder(folder, platform::NarrowToWide(PackageInfoText(info.productKeyName)), false,
                                   info.is64Bit);
  return folder;
}

std::wstring AppendProductFolderWhenMissing(const std::wstring& chosen, const PackageInfo& info) {
  const std::wstring keyName = platform::NarrowToWide(PackageInfoText(info.productKeyName));
  if (chosen.find(keyName) != std::wstring::npos) return chosen;
  return platform::PathJoin(chosen, keyName);
}

bool BrowseForInstallFolder(std::wstring& installPathW, const PackageInfo& info) {
  WriteLog("OnBtnBrower() path = %s", platform::WideToNarrow(installPathW).c_str());
  std::wstring chosen = installPathW;
  if (!platform::gui::BrowseForFolder(nullptr, base::GetText(17), chosen)) {
    WriteLog("OnBtnBrower()NULL == idl, error = %p", reinterpret_cast<void*>(static_cast<std::uintptr_t>(errno)));
    return false;
  }
  installPathW = AppendProductFolderWhenMissing(chosen, info);
  return true;
}

std::string LicensePageUrl(const PackageInfo& info) {
  return GetVendorConfig().webSite + vendor::kLicensePage + PackageInfoText(info.version);
}

std::string ExperienceProgrammePageUrl(const PackageInfo& info) {
  return GetVendorConfig().webSite + vendor::kExperienceProgrammePage + PackageInfoText(info.version);
}

void OpenLicensePage(const PackageInfo& info) { install::OpenWebPage(LicensePageUrl(info)); }

void OpenExperienceProgrammePage(const PackageInfo& info) { install::OpenWebPage(ExperienceProgrammePageUrl(info)); }

}  // namespace setup
