#include "setup/package_location.h"

#include "base/file_helpers.h"
#include "platform/known_folders.h"
#include "platform/path.h"
#include "platform/text.h"

namespace setup {

namespace {
constexpr size_t kVersionSuffixLength = 8;
constexpr size_t kMaxPath = 260;
}  // namespace

std::wstring PackageFileName(const std::string& baseName, const std::string& versionText) {
  std::string name = baseName;
  if (versionText.size() > kVersionSuffixLength) name += "(" + versionText.substr(0, kVersionSuffixLength) + ")";
  return platform::NarrowToWide(name + ".exe");
}

std::wstring PackageDownloadPath(const std::string& baseName, const std::string& versionText) {
  const std::wstring downloads = platform::GetKnownFolder(platform::KnownFolder::Downloads);
  if (downloads.empty()) return {};
  std::wstring folder = downloads;
  if (folder.back() != L'/') folder += L'/';
  folder += kDownloadSubFolder;
  folder += L'/';
  const std::wstring path = folder + PackageFileName(baseName, versionText);
  if (path.size() >= kMaxPath) return {};
  const bool downloadsExisted = platform::PathFileExists(downloads);
  base::CreateFolderChain(folder);
  if (!downloadsExisted) platform::GiveToDesktopUser(platform::WideToNarrow(downloads));
  platform::GiveToDesktopUser(platform::WideToNarrow(folder));
  return path;
}

}  // namespace setup
