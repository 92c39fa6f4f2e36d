#include "setup/install_params.h"

#include <cstdio>
#include <random>

#include "download/md5_digest.h"
#include "external/product_programs.h"
#include "platform/guid.h"
#include "platform/path.h"
#include "platform/text.h"

namespace setup {

namespace {

// As many random bytes as the digest has ever been made of.
constexpr std::size_t kIdSourceBytes = 1024;

// The file name without its folder and extension, lower-cased.
std::wstring InstallerFileStem(const std::wstring& path) {
  std::wstring name = platform::PathFileName(path);
  const auto dot = name.rfind(L'.');
  if (dot != std::wstring::npos && dot > 0) name.erase(dot);
  return platform::AsciiLower(name);
}

}  // namespace

std::string MakeInstallId() {
  unsigned char source[kIdSourceBytes];
  if (!platform::ReadRandomBytes(source, sizeof source)) {
    std::random_device device;
    for (unsigned char& byte : source) byte = static_cast<unsigned char>(device());
  }
  return platform::AsciiLower(download::Md5Hex(source, sizeof source));
}

std::wstring BuildInstallParams(const InstallParamsInput& input) {
  std::wstring params = platform::NarrowToWide(product::kInstallParam);
  if (input.joinTicked) params += platform::NarrowToWide(product::kAddPlanParam);
  if (!input.installId.empty()) {
    params += platform::NarrowToWide(product::kInstallIdParam) + platform::NarrowToWide(input.installId);
  }
  if (input.newInstall) {
    params += platform::NarrowToWide(product::kNewParam);
    if (input.miniMode) params += platform::NarrowToWide(product::kMiniShowParam);
  }
  const std::wstring stem = InstallerFileStem(input.installerPath);
  for (const char* word : product::kOptionWords) {
    const std::wstring wide = platform::NarrowToWide(word);
    if (stem.find(wide) != std::wstring::npos) {
      params += L" /option:" + wide;
      break;
    }
  }
  if (input.downloadSeconds > 0) {
    char time[32];
    std::snprintf(time, sizeof time, product::kTimeParamFormat, static_cast<int>(input.downloadSeconds));
    params += platform::NarrowToWide(time);
  }
  return params;
}

}  // namespace setup
