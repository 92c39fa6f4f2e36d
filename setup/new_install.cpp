#include "setup/new_install.h"

#include <string>

#include "base/install_log.h"
#include "base/my_reg_key.h"
#include "external/product_programs.h"
#include "external/vendor_config.h"
#include "platform/known_folders.h"
#include "platform/path.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "setup/install_options.h"

using base::WriteLog;

namespace setup {

namespace {

constexpr char kSoftwarePrefix[] = "SOFTWARE\\";
constexpr char kWow6432NodePrefix[] = "SOFTWARE\\WOW6432Node\\";

// The same key as a 32-bit program on a 64-bit system sees it.
std::string Wow6432NodeKeyOf(const std::string& key) {
  const std::string prefix = kSoftwarePrefix;
  if (key.compare(0, prefix.size(), prefix) == 0) return kWow6432NodePrefix + key.substr(prefix.size());
  return kWow6432NodePrefix + key;
}

// The key is opened with create-or-open, as every registry read of the installer does.
bool HoldsText(const std::string& key, const std::string& valueName) {
  if (key.empty()) return false;
  base::CMyRegKey record;
  if (record.Create(HKEY_LOCAL_MACHINE, key) != ERROR_SUCCESS) return false;
  std::string text;
  return record.QueryString(valueName, text) == ERROR_SUCCESS && !text.empty();
}

}  // namespace

bool ProductHasRunForUser() {
  const std::wstring appData = platform::GetKnownFolder(platform::KnownFolder::RoamingAppData);
  if (appData.empty()) return false;
  return platform::PathIsDirectory(platform::PathJoin(appData, platform::NarrowToWide(product::kRanBeforeFolder)));
}

int IsNewInstall(bool bHasOldVersion, const install::PackageInfo& info) {
  WriteLog("Begin IsNewInstall : bHasOldVersion (%d)\n", bHasOldVersion ? 1 : 0);
  bool old = bHasOldVersion;
  if (!old) {
    const std::string previous = GetPreviousInstallFolder(info);
    old = !previous.empty() && platform::PathFileExists(previous);
  }
  if (old) {
    WriteLog("IsNewInstall : bHasOldVersion(%d).\n", bHasOldVersion ? 1 : 0);
    return 0;
  }

  int result = 1;
  const VendorConfig& config = GetVendorConfig();
  if (HoldsText(config.userRecordKey, config.userRecordValue)) {
    result = 0;
    WriteLog("IsNewInstall : Username false\n");
  }
  if (!config.userRecordKey.empty() && HoldsText(Wow6432NodeKeyOf(config.userRecordKey), config.userRecordValue)) {
    result = 0;
    WriteLog("IsNewInstall : WOW6432Node Username false\n");
  }
  if (ProductHasRunForUser()) {
    WriteLog("IsNewInstall : vex_config.xml false\n");
    return 0;
  }
  return result;
}

}  // namespace setup
