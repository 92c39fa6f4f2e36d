// Interim: the least the install button needs until the full checks land.
#include "setup/install_checks.h"

#include "base/file_helpers.h"
#include "base/install_log.h"
#include "base/run_mode.h"
#include "base/texts/ui_texts.h"
#include "platform/path.h"
#include "platform/text.h"
#include "ui/skin_message_box.h"

#include <filesystem>

bool MayEmptyInstallFolder(const std::wstring& folder, const PackageInfo&) {
  std::error_code error;
  if (std::filesystem::is_empty(std::filesystem::path(folder), error) && !error) return true;
  const bool ours = platform::PathFileExists(platform::PathJoin(folder, L"uninstall.exe"));
  if (!ours) WriteLog("Install folder (%s) holds files that are not ours; it is kept.", platform::WideToNarrow(folder).c_str());
  return ours;
}

bool CheckInstallConditions(HWND owner, const PackageInfo& info, const std::wstring& folderText, std::wstring& installPathW,
                            bool& folderUnchangedFlag) {
  CreateFolderChain(folderText);
  WriteLog("Install Path Info : %s .", platform::WideToNarrow(folderText).c_str());
  if (!platform::PathFileExists(folderText)) {
    if (!IsSilentMode()) ShowMessage(owner, L"Corvex", GetText(30), GetText(11));
    return false;
  }
  if (!MayEmptyInstallFolder(folderText, info)) {
    if (!IsSilentMode()) ShowMessage(owner, L"Corvex", GetText(30), GetText(11));
    return false;
  }
  const std::wstring before = installPathW;
  installPathW = folderText;
  if (before == folderText) folderUnchangedFlag = true;
  return true;
}
