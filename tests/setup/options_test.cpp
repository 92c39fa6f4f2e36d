// Where the options page starts and what the browse button makes of a choice.
#include <gtest/gtest.h>

#include <filesystem>

#include "install/uninstall_registration.h"
#include "platform/gui/headless.h"
#include "platform/path.h"
#include "setup/install_checks.h"
#include "setup/install_options.h"
#include "steps_test_support.h"

using namespace install;
using namespace setup;

namespace {

using steps_test::StepsTest;
namespace headless = platform::gui::headless;

class OptionsTest : public StepsTest {
 protected:
  std::wstring DefaultFolder() const { return platform::NarrowToWide(Path("opt/Corvex 11")); }
  // A previous installation as the uninstall entry of a 64-bit package records it.
  void RegisterPrevious(const std::string& folder, DWORD cfgFlag) {
    SetUninstallString("Corvex 11(x64)", "InstallLocation", folder);
    SetUninstallDword("Corvex 11(x64)", "cfg_flag", cfgFlag);
  }
};

TEST_F(OptionsTest, FreshMachineTicksBothBoxesAndInstallCreatesTheDefaultFolder) {
  const DWORD options = ReadInstallOptions(info);
  EXPECT_TRUE(WantsDesktopShortcuts(options));
  EXPECT_TRUE(WantsJoinProgramme(options));
  EXPECT_TRUE(Logged("Read Setup Cfg Flag : -1, root(Corvex 11(x64)), key(cfg_flag).\n"));

  std::wstring installPath = ChooseInitialInstallFolder(info, L"");
  EXPECT_EQ(installPath, DefaultFolder());
  EXPECT_TRUE(Logged("Don't find install path for old version.\n"));
  EXPECT_FALSE(g_updateOldVersion);
  EXPECT_FALSE(platform::PathFileExists(installPath));  // made only when install is pressed

  const InstallCheckOutcome outcome = EvaluateInstallConditions(info, installPath, installPath);
  EXPECT_EQ(outcome.result, InstallCheck::kPassed);
  EXPECT_TRUE(outcome.folderUnchanged);
  EXPECT_TRUE(platform::PathIsDirectory(installPath));
  EXPECT_EQ(MakeInstallOptions(true, true), 3u);
}

TEST_F(OptionsTest, PreviousInstallGivesItsFolderAndOptions) {
  const std::string previous = Path("apps/Corvex 11");
  ASSERT_TRUE(std::filesystem::create_directories(previous));
  RegisterPrevious(previous, 2);

  const DWORD options = ReadInstallOptions(info);
  EXPECT_FALSE(WantsDesktopShortcuts(options));
  EXPECT_TRUE(WantsJoinProgramme(options));
  EXPECT_EQ(ChooseInitialInstallFolder(info, L""), platform::NarrowToWide(previous));
  EXPECT_TRUE(Logged("Find install path: (" + previous + ")\n"));
  EXPECT_TRUE(g_updateOldVersion);
  // --path wins over the registry, and the lookup still runs.
  g_updateOldVersion = false;
  EXPECT_EQ(ChooseInitialInstallFolder(info, L"/srv/preset"), L"/srv/preset");
  EXPECT_TRUE(g_updateOldVersion);
}

TEST_F(OptionsTest, VanishedPreviousFolderFallsBackToTheDefault) {
  RegisterPrevious(Path("apps/removed/Corvex 11"), 1);
  EXPECT_EQ(ChooseInitialInstallFolder(info, L""), DefaultFolder());
  // The registry still names an installation: the finish step treats it as an update.
  EXPECT_TRUE(g_updateOldVersion);
  // A 32-bit package reads its own entry, which holds nothing.
  EXPECT_EQ(ReadInstallOptions(steps_test::MakeInfo(false)), kDefaultInstallOptions);
}

TEST_F(OptionsTest, BrowseAppendsTheProductFolderOnlyWhenItIsMissing) {
  EXPECT_EQ(AppendProductFolderWhenMissing(L"/srv/apps", info), L"/srv/apps/Corvex 11");
  EXPECT_EQ(AppendProductFolderWhenMissing(L"/srv/apps/", info), L"/srv/apps/Corvex 11");
  EXPECT_EQ(AppendProductFolderWhenMissing(L"/srv/tools/Corvex 11/bin", info), L"/srv/tools/Corvex 11/bin");
  EXPECT_EQ(AppendProductFolderWhenMissing(L"/srv/corvex 11", info), L"/srv/corvex 11/Corvex 11");

  headless::Use();
  std::wstring installPath = DefaultFolder();
  headless::AnswerFolderPicker(false, L"");
  EXPECT_FALSE(BrowseForInstallFolder(installPath, info));
  EXPECT_EQ(installPath, DefaultFolder());
  EXPECT_TRUE(Logged("OnBtnBrower() path = " + Path("opt/Corvex 11")));
  EXPECT_TRUE(Logged("OnBtnBrower()NULL == idl, error = "));

  headless::AnswerFolderPicker(true, L"/srv/apps");
  EXPECT_TRUE(BrowseForInstallFolder(installPath, info));
  EXPECT_EQ(installPath, L"/srv/apps/Corvex 11");
}

}  // namespace
