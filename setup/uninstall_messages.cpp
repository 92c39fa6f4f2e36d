#include "setup/uninstall_messages.h"

#include "base/texts/project_text_ids.h"
#include "base/texts/ui_texts.h"
#include "platform/text.h"

namespace setup {

namespace {

int RefusalTextId(install::FolderVerdict verdict) {
  switch (verdict) {
    case install::FolderVerdict::kEmptyPath: return base::kTextUninstallNothingFound;
    case install::FolderVerdict::kRootFolder:
    case install::FolderVerdict::kHomeFolder:
    case install::FolderVerdict::kSystemFolder: return base::kTextUninstallProtectedFolder;
    case install::FolderVerdict::kMayDelete:
    case install::FolderVerdict::kRelativePath:
    case install::FolderVerdict::kNotProductInstall:
    case install::FolderVerdict::kNotTrusted: break;
  }
  return base::kTextUninstallNotAnInstallation;
}

std::wstring WithFolder(int textId, const std::string& folder) {
  std::wstring text = base::GetText(textId);
  const std::wstring_view placeholder = base::kFolderPlaceholder;
  const size_t at = text.find(placeholder);
  if (at != std::wstring::npos) text.replace(at, placeholder.size(), platform::NarrowToWide(folder));
  return text;
}

}  // namespace

std::wstring UninstallFailureMessage(const install::UninstallRequest& request, const install::UninstallResult& result) {
  switch (result.outcome) {
    case install::UninstallOutcome::kRemoved: return {};
    case install::UninstallOutcome::kRefused:
      if (result.notAuthorized) return base::GetText(base::kTextNoAdministratorRights);
      return WithFolder(RefusalTextId(result.verdict), request.installFolder);
    case install::UninstallOutcome::kFilesLeft: return WithFolder(base::kTextUninstallFilesLeft, request.installFolder);
  }
  return {};
}

}  // namespace setup
