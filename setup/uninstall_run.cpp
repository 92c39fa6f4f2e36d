#include "setup/uninstall_run.h"

#include <cstdio>

#include "base/install_log.h"
#include "base/product_info.h"
#include "base/run_mode.h"
#include "install/uninstall_work.h"
#include "platform/path.h"
#include "platform/text.h"
#include "setup/privileged_uninstall.h"

namespace setup {

install::UninstallTarget FindThisRunsUninstallTarget() {
  const auto profile = base::GetProductInfo();
  install::UninstallTarget target =
      install::FindUninstallTarget(platform::GetModuleFileName(), platform::WideToNarrow(base::GetPresetInstallPath()),
                                   profile->GetDisplayName(), profile->IsX64());
  base::WriteLog("Uninstall target : folder (%s) from %s, entry %s%s.", target.installFolder.c_str(), target.source,
                 target.productKeyName.c_str(), target.is64Bit ? "(x64)" : "");
  return target;
}

UninstallExitCode RunSilentUninstall() {
  const install::UninstallTarget target = FindThisRunsUninstallTarget();
  install::UninstallRequest request;
  request.installFolder = target.installFolder;
  request.productKeyName = target.productKeyName;
  request.is64Bit = target.is64Bit;
  request.keepConfigurations = true;  // an unattended run never throws the user's settings away
  const install::UninstallResult result = UninstallThroughHelper(request, nullptr);
  if (result.outcome != install::UninstallOutcome::kRemoved) {
    std::fprintf(stderr, "corvex-online-setup: %s\n", install::DescribeUninstallFailure(request, result).c_str());
  }
  switch (result.outcome) {
    case install::UninstallOutcome::kRemoved: return UninstallExitCode::kRemoved;
    case install::UninstallOutcome::kRefused: return UninstallExitCode::kRefused;
    case install::UninstallOutcome::kFilesLeft: return UninstallExitCode::kFilesLeft;
  }
  return UninstallExitCode::kRefused;
}

}  // namespace setup
