// The last install error of the process: left by the package reader, reported to
// statistics by name.
#pragma once

namespace install {

enum InstallError : int {
  kInstallNoError = 0,
  kInstallPointNull = 1,
  kInstallSetupFileError = 2,
  kInstallDirWriteError = 3,
  kInstallMallocBrror = 4,  // misspelt on purpose: the name callers know
  kInstallFileError = 5,
  kInstallDiskFull = 6,      // the disk filled while extracting or writing the uninstaller
  kInstallExtractError = 7,  // the extraction failed, or its result does not match the archive
};

// Initially 0; written only by UnpackSetupPackage, never reset by a later success.
int GetLastInstallError();
// "NoError", "PointNull", "SetupFileError", "DirWriteError", "MallocBrror",
// "InstallFileError", "DiskFullError", "ExtractError", else "UnknownError".
const char* GetLastInstallErrorName();
const char* InstallErrorName(int code);

// For the package reader, the only writer.
void SetLastInstallError(int code);

}  // namespace install
