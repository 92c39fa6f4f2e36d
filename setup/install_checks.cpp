#include "setup/install_checks.h"

#include <filesystem>
#include <system_error>

#include "base/file_helpers.h"
#include "base/install_log.h"
#include "base/run_mode.h"
#include "base/texts/project_text_ids.h"
#include "base/texts/ui_texts.h"
#include "base/version_gate.h"
#include "install/install_folder_guard.h"
#include "install/previous_install.h"
#include "platform/folder_swap.h"
#include "platform/folder_trust.h"
#include "platform/path.h"
#include "platform/text.h"
#include "platform/win_types.h"
#include "setup/install_helper_client.h"
#include "ui/skin_message_box.h"

using base::WriteLog;
using install::PackageInfo;

namespace setup {

namespace fs = std::filesystem;

namespace {

// The folder box holds at most this many characters.
constexpr std::size_t kFolderTextLimit = 520;

// The check that answers an untrusted folder: the path itself, or the right to act there.
InstallCheck CheckForUntrustedFolder(platform::FolderTrust trust) {
  switch (trust) {
    case platform::FolderTrust::kInvalidPath:
    case platform::FolderTrust::kNotAFolder: return InstallCheck::kFolderInvalid;
    default: return InstallCheck::kFolderNotWritable;
  }
}

enum class FolderContent { kMissing, kEmpty, kNotEmpty, kNotAFolder, kUnreadable };

FolderContent ContentOf(const std::string& folder) {
  std::error_code error;
  const fs::file_status status = fs::symlink_status(folder, error);
  if (status.type() == fs::file_type::not_found) return FolderContent::kMissing;
  if (error) return FolderContent::kUnreadable;
  if (!fs::is_directory(fs::status(folder, error))) return FolderContent::kNotAFolder;
  fs::directory_iterator entries(folder, error);
  if (error) return FolderContent::kUnreadable;
  return entries == fs::directory_iterator() ? FolderContent::kEmpty : FolderContent::kNotEmpty;
}

// A path below a file can never become a folder: that is an invalid path, not a
// folder without write access.
bool NearestExistingIsFolder(const std::string& path) {
  std::error_code error;
  for (fs::path at = path; !at.empty(); at = at.parent_path()) {
    const fs::file_status status = fs::status(at, error);
    if (fs::exists(status)) return fs::is_directory(status);
    if (at == at.parent_path()) break;
  }
  return false;
}

void LogRefusal(const std::string& folder, const char* reason) {
  WriteLog("Install folder refused : %s (%s).\n", folder.c_str(), reason);
}

}  // namespace

int InstallCheckTextId(InstallCheck check) {
  switch (check) {
    case InstallCheck::kPassed: return 0;
    case InstallCheck::kNeeds64BitSystem: return 32;
    case InstallCheck::kSystemTooOld: return 29;
    case InstallCheck::kFolderInvalid: return 30;
    case InstallCheck::kFolderNotOurs: return base::kTextFolderNotOurs;
    case InstallCheck::kFolderProtected: return base::kTextSystemOrHomeFolder;
    case InstallCheck::kFolderNotWritable: return base::kTextFolderNotWritable;
    case InstallCheck::kNotEnoughSpace: return 31;
  }
  return 30;
}

InstallCheck JudgeInstallFolder(const std::wstring& folderW, const PackageInfo& info) {
  const std::string folder = platform::WideToNarrow(folderW);
  const install::FolderVerdict verdict = install::CheckFolderMayBeDeleted(folder);
  if (verdict != install::FolderVerdict::kMayDelete) {
    LogRefusal(folder, install::FolderVerdictText(verdict));
    return verdict == install::FolderVerdict::kEmptyPath || verdict == install::FolderVerdict::kRelativePath
               ? InstallCheck::kFolderInvalid
               : InstallCheck::kFolderProtected;
  }
  const platform::FolderTrust trust = platform::JudgeFolderTrust(folder);
  if (trust != platform::FolderTrust::kTrusted) {
    LogRefusal(folder, platform::FolderTrustText(trust));
    return CheckForUntrustedFolder(trust);
  }
  switch (ContentOf(folder)) {
    case FolderContent::kMissing:
    case FolderContent::kEmpty: return InstallCheck::kPassed;
    case FolderContent::kNotAFolder: LogRefusal(folder, "it is not a folder"); return InstallCheck::kFolderInvalid;
    case FolderContent::kUnreadable:
      LogRefusal(folder, "its content cannot be read");
      return InstallCheck::kFolderNotWritable;
    case FolderContent::kNotEmpty: break;
  }
  if (install::IsPreviousInstall(folder, install::PackageInfoText(info.productKeyName), info.is64Bit != 0)) {
    return InstallCheck::kPassed;
  }
  LogRefusal(folder, "it holds files that are not a previous install of this product");
  return InstallCheck::kFolderNotOurs;
}

bool MayEmptyInstallFolder(const std::wstring& folder, const PackageInfo& info) {
  return JudgeInstallFolder(folder, info) == InstallCheck::kPassed;
}

const char* InstallCheckReason(InstallCheck check) {
  switch (check) {
    case InstallCheck::kPassed: return "passed";
    case InstallCheck::kNeeds64BitSystem: return "the 64-bit edition needs a 64-bit system";
    case InstallCheck::kSystemTooOld: return "this system is too old";
    case InstallCheck::kFolderInvalid:
      return "the installation folder is not a valid absolute path of at most 260 characters";
    case InstallCheck::kFolderNotOurs: return "the installation folder holds files that are not this product's";
    case InstallCheck::kFolderProtected: return "the installation folder is a system or home folder";
    case InstallCheck::kFolderNotWritable: return "the installation folder cannot be written to";
    case InstallCheck::kNotEnoughSpace: return "there is not enough free space for the product";
  }
  return "refused";
}

InstallCheckOutcome EvaluateInstallConditions(const PackageInfo& info, const std::wstring& folderText,
                                              std::wstring& installPathW) {
  if (info.is64Bit && !base::Is64BitWindows()) {
    WriteLog("OnBtnInstall(MySkinMessagxBox)");
    return {InstallCheck::kNeeds64BitSystem};
  }
  if (!base::IsWindowsVersionSupported()) {
    WriteLog("OnBtnInstall(MySkinMessagxBox)");
    return {InstallCheck::kSystemTooOld};
  }

  const std::wstring folder = folderText.substr(0, kFolderTextLimit);
  const std::string narrow = platform::WideToNarrow(folder);
  WriteLog("Install Path Info : %s .", narrow.c_str());
  // A relative folder would be made below whatever the working folder happens to be;
  // a longer one does not fit the path buffers of the later steps.
  if (folder.empty() || folder.front() != L'/' || folder.size() > static_cast<std::size_t>(kMaxPath))
    return {InstallCheck::kFolderInvalid};
  // Judged before the chain is made, so that nothing is created inside a system folder.
  if (const InstallCheck judged = JudgeInstallFolder(folder, info); judged != InstallCheck::kPassed) return {judged};
  // A desktop user can neither make nor write the folder root installs into: the
  // install helper makes it and checks again. Here only a read-only disk is told apart.
  const bool madeHere = InstallFoldersAreMadeHere();
  if (madeHere) base::CreateFolderChain(folder);
  if (!NearestExistingIsFolder(narrow)) return {InstallCheck::kFolderInvalid};
  if (madeHere ? !platform::FolderAcceptsWrites(narrow) : platform::FolderOnReadOnlyFileSystem(narrow)) {
    WriteLog("Install folder refused : %s (it cannot be written to).\n", narrow.c_str());
    return {InstallCheck::kFolderNotWritable};
  }
  if (madeHere && !platform::PathFileExists(folder)) return {InstallCheck::kFolderInvalid};

  const std::wstring previous = installPathW;
  installPathW = folder;
  const long long freeMB = base::GetDiskFreeMB(folder);
  WriteLog("FreeSpace Info : %lld MB in %s .", freeMB, narrow.c_str());
  if (freeMB <= kRefusedFreeSpaceMB) return {InstallCheck::kNotEnoughSpace};
  return {InstallCheck::kPassed, folder == previous};
}

bool InstallFoldersAreMadeHere() { return HelperRunsAsThisUser(); }

bool CheckInstallConditions(HWND owner, const PackageInfo& info, const std::wstring& folderText,
                            std::wstring& installPathW, bool& folderUnchangedFlag) {
  const InstallCheckOutcome outcome = EvaluateInstallConditions(info, folderText, installPathW);
  if (outcome.result == InstallCheck::kPassed) {
    if (outcome.folderUnchanged) folderUnchangedFlag = true;
    return true;
  }
  const wchar_t* message = base::GetText(InstallCheckTextId(outcome.result));
  if (base::IsSilentMode()) {
    // Nobody to answer a message box: the log says why nothing was installed.
    WriteLog("Install check failed : %s\n", platform::WideToNarrow(message).c_str());
  } else {
    ui::ShowMessage(owner, L"Corvex", message, base::GetText(11));
  }
  return false;
}

}  // namespace setup
