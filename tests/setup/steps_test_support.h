// Shared set-up of the setup-step tests: a sandbox root with its own install log and
// a package info block like the one the dialog holds.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "base/install_log.h"
#include "base/run_mode.h"
#include "base/texts/ui_texts.h"
#include "external/vendor_config.h"
#include "install/package_info.h"
#include "platform/text.h"
#include "sandbox.h"
#include "setup/install_options.h"

namespace steps_test {

inline install::PackageInfo MakeInfo(bool is64) {
  install::PackageInfo info = install::EmptyPackageInfo();
  install::SetPackageInfoText(info.productKeyName, "Corvex 11");
  install::SetPackageInfoText(info.displayName, "Corvex 11");
  install::SetPackageInfoText(info.version, "11.0.9.2");
  info.is64Bit = is64 ? 1 : 0;
  return info;
}

class StepsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    base::GetLog()->Init(platform::NarrowToWide(logPath));
    base::SetRunMode(base::RunMode{});
    setup::g_updateOldVersion = false;
    base::SetLanguage(L"Corvex 11", 0x0409, HostNameOf(GetVendorConfig().webSite));
  }

  std::string Log() const { return testing_support::Sandbox::ReadFile(logPath); }
  bool Logged(const std::string& line) const { return Log().find(line) != std::string::npos; }
  std::string Path(const std::string& relative) const { return sandbox.root() + "/" + relative; }

  testing_support::Sandbox sandbox;
  std::string logPath = sandbox.root() + "/install.log";
  install::PackageInfo info = MakeInfo(true);
};

}  // namespace steps_test
