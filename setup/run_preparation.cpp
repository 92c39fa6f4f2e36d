#include "setup/run_preparation.h"

#include "base/file_helpers.h"

using install::SetPackageInfoText;

namespace setup {

namespace {

constexpr int kVersionResource32 = 503;
constexpr int kVersionResource64 = 504;

}  // namespace

install::PackageInfo PackageInfoFromProfile(const base::IProductInfo& profile) {
  install::PackageInfo info = install::EmptyPackageInfo();
  info.is64Bit = profile.IsX64() ? 1 : 0;
  SetPackageInfoText(info.shortName, profile.GetProductName());
  SetPackageInfoText(info.productKeyName, profile.GetDisplayName());
  SetPackageInfoText(info.displayName, profile.GetFullDisplayName());
  SetPackageInfoText(info.version, profile.GetVersion());
  SetPackageInfoText(info.publisher, profile.GetPublisher());
  return info;
}

bool LoadVersionTextResource(bool is64, std::string& out) {
  std::string text;
  if (!base::LoadResourceText(is64 ? kVersionResource64 : kVersionResource32, L"txt", text)) return false;
  if (text.size() > 5 && text[0] == '1') out = text;
  return true;
}

}  // namespace setup
