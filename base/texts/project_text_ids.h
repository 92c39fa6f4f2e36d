// Ids of the texts the installer adds beyond its reference set of 50. They live in
// the same tables, so every language has them.
#pragma once

enum ProjectText : int {
  kTextFolderNotOurs = 50,
  kTextSystemOrHomeFolder,
  kTextFolderNotWritable,
  kTextNoSpaceForDownload,
  kTextNoSpaceForProduct,
  kTextDiskFilled,
  kTextAnotherInstaller,
  kTextInstallFailedNothingChanged,
  kProjectTextEnd,
};
