#include "setup/uninstall_messages.h"

#include "base/texts/project_text_ids.h"
#include "base/texts/ui_texts.h"
#include "platform/text.h"

namespace {

int RefusalTextId(FolderVerdict verdict) {
  switch (verdict) {
    case FolderVerdict::kEmptyPath: return kTextUninstallNothingFound;
    case FolderVerdict::kRootFolder:
    case FolderVerdict::kHomeFolder:
    case FolderVerdict::kSystemFolder: return kTextUninstallProtectedFolder;
    case FolderVerdict::kMayDelete:
    case FolderVerdict::kRelativePath:
    case FolderVerdict::kNotProductInstall:
    case FolderVerdict::kNotTrusted: break;
  }
  return kTextUninstallNotAnInstallation;
}

std::wstring WithFolder(int textId, const std::string& folder) {
  std::wstring text = GetText(textId);
  const std::wstring_view placeholder = kFolderPlaceholder;
  const size_t at = text.find(placeholder);
  if (at != std::wstring::npos) text.replace(at, placeholder.size(), platform::NarrowToWide(folder));
  return text;
}

}  // namespace

std::wstring UninstallFailureMessage(const UninstallRequest& request, const UninstallResult& result) {
  switch (result.outcome) {
    case UninstallOutcome::kRemoved: return {};
    case UninstallOutcome::kRefused:
      if (result.notAuthorized) return GetText(kTextNoAdministratorRights);
      return WithFolder(RefusalTextId(result.verdict), request.installFolder);
    case UninstallOutcome::kFilesLeft: return WithFolder(kTextUninstallFilesLeft, request.installFolder);
  }
  return {};
}
