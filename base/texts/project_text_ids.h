// Ids of the texts the installer adds beyond its reference set of 50. They live in
// the same tables, so every language has them.
#pragma once

namespace base {

// Stands for a folder path in the texts that name one; the caller fills it in.
inline constexpr wchar_t kFolderPlaceholder[] = L"__FOLDER__";

enum ProjectText : int {
  kTextFolderNotOurs = 50,
  kTextSystemOrHomeFolder,
  kTextFolderNotWritable,
  kTextNoSpaceForDownload,
  kTextNoSpaceForProduct,
  kTextDiskFilled,
  kTextAnotherInstaller,
  kTextInstallFailedNothingChanged,
  // Why an uninstall removed nothing, or not everything.
  kTextUninstallNothingFound,
  kTextUninstallProtectedFolder,
  kTextUninstallNotAnInstallation,
  kTextUninstallFilesLeft,
  kTextDownloadsNotWritable,
  kTextNoAdministratorRights,
  kProjectTextEnd,
};

}  // namespace base
