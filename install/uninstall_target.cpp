#include "install/uninstall_target.h"

#include "external/product_programs.h"
#include "install/uninstall_registration.h"
#include "install/uninstaller_sidecar.h"
#include "platform/path.h"
#include "platform/text.h"

namespace install {

namespace {

void TakeNamesFromSidecar(UninstallTarget& target) {
  const std::string sidecar = platform::PathJoin(target.installFolder, product::kUninstallerSidecar);
  PackageInfo info = EmptyPackageInfo();
  if (!ReadUninstallerSidecar(sidecar, info)) return;
  target.productKeyName = PackageInfoText(info.productKeyName);
  target.is64Bit = info.is64Bit != 0;
}

}  // namespace

UninstallTarget FindUninstallTarget(const std::string& programPath, const std::string& presetFolder,
                                    const std::string& productKeyName, bool preferX64) {
  UninstallTarget target;
  target.productKeyName = productKeyName;
  target.is64Bit = preferX64;
  if (platform::EqualsIgnoreCase(platform::PathFileName(programPath), product::kUninstaller)) {
    target.installFolder = programPath;
    platform::PathRemoveFileSpec(target.installFolder);
    target.source = "the uninstaller's folder";
  } else if (!presetFolder.empty()) {
    target.installFolder = presetFolder;
    target.source = "--path";
  } else {
    for (const bool x64 : {preferX64, !preferX64}) {
      if (ReadRegisteredInstallLocation(productKeyName + (x64 ? "(x64)" : ""), target.installFolder)) {
        target.is64Bit = x64;
        target.source = "the uninstall entry";
        break;
      }
    }
  }
  if (!target.installFolder.empty()) TakeNamesFromSidecar(target);
  return target;
}

}  // namespace install
