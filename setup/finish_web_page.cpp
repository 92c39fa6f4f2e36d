#include "setup/finish_web_page.h"

#include "base/install_log.h"
#include "base/run_mode.h"
#include "external/product_programs.h"
#include "external/vendor_config.h"
#include "external/vendor_services.h"
#include "install/product_processes.h"
#include "install/uninstall_registration.h"
#include "setup/install_options.h"
#include "setup/new_install.h"

using base::WriteLog;

namespace setup {

namespace {

// What decides the page, gathered once.
struct FinishPageFacts {
  bool newFlag = false;
  bool hasOldVersion = false;
  bool updateOldVersion = false;
  bool earlierProductFound = false;  // "Corvex 10" (or its x64 entry) is registered
  bool ranBefore = false;            // the product has run for this user
};

bool EarlierProductRegistered() {
  std::string folder;
  const std::string name = product::kEarlierProductKeyName;
  return install::GetLastInstallPathInRegidit(name, folder) ||
         install::GetLastInstallPathInRegidit(name + "(x64)", folder);
}

// The first matching row of the decision table, with its log lines.
FinishPage ChooseFinishPage(const FinishPageFacts& facts) {
  if (facts.newFlag) {
    WriteLog("ShowFinishWebPage : bNewFlag.\n");
    if (!facts.earlierProductFound) return FinishPage::kNewInstall;
    WriteLog("ShowFinishWebPage : bNewFlag GetLastInstallPathInRegidit find 10 true : update.\n");
    return FinishPage::kUpdate;
  }
  if (facts.hasOldVersion || facts.updateOldVersion || !facts.earlierProductFound) return FinishPage::kNone;
  if (facts.ranBefore) {
    WriteLog("ShowFinishWebPage : find 11 vex_config.xml true\n");
    return FinishPage::kNone;
  }
  WriteLog("ShowFinishWebPage : bNewFlag false find 11 false find 10 true.\n");
  return FinishPage::kUpdate;
}

}  // namespace

std::string FinishWebPageUrl(FinishPage page, const install::PackageInfo& info, const std::string& installId,
                             bool miniMode) {
  if (page == FinishPage::kNone) return {};
  std::string url = GetVendorConfig().webSite;
  url += page == FinishPage::kUpdate ? vendor::kThankYouUpdatePage : vendor::kThankYouNewPage;
  url += install::PackageInfoText(info.version);
  url += info.is64Bit ? "&platform=x64&ad=corvex11_client_x64_thankyou" : "&ad=corvex11_client_x86_thankyou";
  if (!installId.empty()) url += "&c=" + installId;
  if (miniMode) url += "&minimode=1";
  return url;
}

WebPageOpener DesktopBrowser() {
  return [](const std::string& url) { return install::OpenWebPage(url); };
}

int ShowFinishWebPage(int bNewFlag, bool bHasOldVersion, bool miniMode, const install::PackageInfo& info,
                      const std::string& installId, const WebPageOpener& open) {
  if (base::IsSilentMode()) {
    WriteLog("Install Silent : Don't need show page.");
    return 0;
  }
  FinishPageFacts facts;
  facts.newFlag = bNewFlag != 0;
  facts.hasOldVersion = bHasOldVersion;
  facts.updateOldVersion = g_updateOldVersion;
  WriteLog("ShowFinishWebPage bHasOldVersion(%d), bNewFlag(%d), g_updateOldVersion(%d)", bHasOldVersion ? 1 : 0,
           bNewFlag, facts.updateOldVersion ? 1 : 0);
  WriteLog("New flag : %s, OldVersion : %s", facts.newFlag ? "New New New" : "friend",
           facts.updateOldVersion ? "TRUE" : "FALSE");
  facts.earlierProductFound = EarlierProductRegistered();
  facts.ranBefore = ProductHasRunForUser();

  const FinishPage page = ChooseFinishPage(facts);
  // Only the first-install rows carry the mini-mode mark.
  const std::string url = FinishWebPageUrl(page, info, installId, miniMode && facts.newFlag);
  if (!url.empty() && open) open(url);
  return bNewFlag;
}

}  // namespace setup
