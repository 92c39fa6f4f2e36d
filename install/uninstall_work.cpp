#include "install/uninstall_work.h"

#include "base/install_log.h"
#include "external/product_programs.h"
#include "install/product_processes.h"
#include "install/shell_refresh.h"
#include "install/shortcuts.h"
#include "install/uninstall_registration.h"
#include "platform/folder_tree.h"
#include "platform/folder_trust.h"
#include "platform/known_folders.h"
#include "platform/path.h"
#include "platform/text.h"
#include "platform/win_types.h"

using base::kUninstallEventProgress;
using base::ProgressCallback;
using base::WriteLog;

namespace install {

namespace {

constexpr int kShortcutPasses = 3;
constexpr int kConfigurationPasses = 5;

void Send(const ProgressCallback& events, base::UninstallEvent event, long value) {
  if (events) events(event, static_cast<unsigned>(value), 0);
}

std::string WithTrailingSlash(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

// Lets the product remove what it keeps outside its folder. The installer already runs
// with the rights it needs, so this is a plain start; the wait has a bound so that a
// product that never ends cannot hold the uninstall forever.
void RunMainProgramCleanup(const UninstallRequest& request) {
  const std::string program =
      platform::PathJoin(request.installFolder, request.is64Bit ? product::kMainProgram64 : product::kMainProgram32);
  if (program.size() >= static_cast<size_t>(kMaxPath) || !platform::PathFileExists(program)) return;
  const char* parameters =
      request.keepConfigurations ? product::kUninstallKeepSettingsParam : product::kFullUninstallParam;
  auto process = StartElevated(platform::NarrowToWide(program), platform::NarrowToWide(parameters), L"");
  if (!process) {
    WriteLog("UninstallWork : %s could not be started; its own clean-up is skipped.", program.c_str());
    return;
  }
  switch (process->Wait(request.mainProgramWaitMs)) {
    case platform::WaitResult::Exited: break;
    case platform::WaitResult::TimedOut:
      WriteLog("UninstallWork : %s %s still runs after %d ms; it is ended and the uninstall goes on.", program.c_str(),
               parameters, request.mainProgramWaitMs);
      process->Terminate();
      break;
    case platform::WaitResult::Failed:
      WriteLog("UninstallWork : waiting for %s failed; the uninstall goes on.", program.c_str());
      break;
  }
}

std::wstring MainLinkName(bool is64Bit) { return is64Bit ? L"Corvex 11 (x64)" : L"Corvex 11"; }

// All users' menu folder of the product; the system's half.
void DeleteCommonMenuFolder(bool is64Bit) {
  for (int pass = 0; pass < kShortcutPasses; ++pass)
    DeleteShortcutFolder(kShortcutCommonPrograms, MainLinkName(is64Bit));
}

// The desktop user's links: the menu folder, the desktop and the quick-launch pair.
void DeleteUserShortcuts(bool is64Bit) {
  const std::wstring suffix = is64Bit ? L" (x64)" : L"";
  const std::wstring mainLink = ShortcutFileName(MainLinkName(is64Bit));
  const std::wstring miniLink = ShortcutFileName(L"Corvex 11 Mini" + suffix);
  for (int pass = 0; pass < kShortcutPasses; ++pass) {
    DeleteShortcutFolder(kShortcutUserPrograms, MainLinkName(is64Bit));
    for (const int location : {kShortcutDesktop, kShortcutQuickLaunch, kShortcutPinnedTaskbar}) {
      DeleteShortcutFile(location, mainLink);
      DeleteShortcutFile(location, miniLink);
    }
  }
}

void DeleteConfigurations() {
  const std::string appData = platform::WideToNarrow(platform::GetKnownFolder(platform::KnownFolder::RoamingAppData));
  if (appData.empty() || !platform::PathIsDirectory(appData)) return;
  const std::string folder = WithTrailingSlash(platform::PathJoin(appData, product::kSettingsFolder));
  for (int pass = 0; pass < kConfigurationPasses; ++pass) {
    platform::DeleteFolderTree(folder, platform::ReadOnlyFiles::kDelete);
  }
}

}  // namespace

UninstallResult UninstallWork(const UninstallRequest& request, const ProgressCallback& events) {
  const UninstallResult result = RemoveInstallation(request, events);
  if (result.outcome != UninstallOutcome::kRefused) RemoveUserTraces(request, result, events);
  return result;
}

UninstallResult RemoveInstallation(const UninstallRequest& request, const ProgressCallback& events) {
  WriteLog("Begin Uninstall Work. x64mode = %s", request.is64Bit ? "true" : "false");
  UninstallResult result;
  result.verdict = CheckInstallFolderForUninstall(request.installFolder, request.productKeyName, request.is64Bit);
  if (result.verdict != FolderVerdict::kMayDelete) {
    WriteLog("UninstallWork : the install folder (%s) is refused, nothing is removed: %s.",
             request.installFolder.c_str(), FolderVerdictText(result.verdict));
    if (result.verdict == FolderVerdict::kNotTrusted) {
      WriteLog("UninstallWork : the install folder (%s) is not trusted: %s.", request.installFolder.c_str(),
               platform::FolderTrustText(platform::JudgeFolderTrust(request.installFolder)));
    }
    result.outcome = UninstallOutcome::kRefused;
    Send(events, base::kUninstallEventFailed, static_cast<long>(result.outcome));
    return result;
  }

  Send(events, base::kUninstallEventStart, 0);
  Send(events, kUninstallEventProgress, 0);
  CloseProductProcesses(request.installFolder);
  RunMainProgramCleanup(request);
  CloseProductProcesses(request.installFolder);
  Send(events, kUninstallEventProgress, 30);

  const std::string folder = WithTrailingSlash(request.installFolder);
  WriteLog("Begin delete file.(%s)", folder.c_str());
  // An uninstall leaves nothing of the product behind, read-only files included.
  platform::DeleteFolderTree(folder, platform::ReadOnlyFiles::kDelete);
  WriteLog("End delete file.");
  Send(events, kUninstallEventProgress, 60);

  DeleteCommonMenuFolder(request.is64Bit);
  const std::string entry = request.productKeyName + (request.is64Bit ? "(x64)" : "");
  DeleteUninstallItem(entry);
  WriteLog("End DeleteUninstallItem. szProgram(%s)", entry.c_str());

  if (platform::PathIsDirectory(folder)) {
    // Reporting success over files left behind would hide them from the user.
    WriteLog("UninstallWork : the install folder (%s) could not be removed completely.", folder.c_str());
    result.outcome = UninstallOutcome::kFilesLeft;
  }
  return result;
}

void RemoveUserTraces(const UninstallRequest& request, const UninstallResult& result, const ProgressCallback& events) {
  DeleteUserShortcuts(request.is64Bit);
  WriteLog("End delete Icon.");
  RefreshIcons();
  WriteLog("RefreshIcons.");
  Send(events, kUninstallEventProgress, 80);

  if (!request.keepConfigurations) DeleteConfigurations();
  WriteLog("End Remove AppConfig.");

  if (result.outcome == UninstallOutcome::kFilesLeft) {
    Send(events, base::kUninstallEventFailed, static_cast<long>(result.outcome));
    return;
  }
  for (int i = 0; i < 3; ++i) Send(events, base::kUninstallEventDone, 0);
  WriteLog("Uninstall work SUCCEE.");
}

std::string DescribeUninstallFailure(const UninstallRequest& request, const UninstallResult& result) {
  const std::string folder = request.installFolder.empty() ? "(none)" : request.installFolder;
  switch (result.outcome) {
    case UninstallOutcome::kRemoved: return {};
    case UninstallOutcome::kRefused:
      if (result.notAuthorized) return "Nothing was removed: administrator rights were not granted.";
      if (result.verdict == FolderVerdict::kEmptyPath)
        return "Nothing was removed: no installation was found (no uninstall entry, and no folder given).";
      return "Nothing was removed: the folder " + folder + " is not uninstalled because " +
             FolderVerdictText(result.verdict) + ".";
    case UninstallOutcome::kFilesLeft:
      return "Some files in " + folder +
             " could not be removed. Close every program that uses them and delete the "
             "folder by hand.";
  }
  return {};
}

}  // namespace install
