// Reading a setup package: its info block, and unpacking its payload and uninstaller
// into the install folder.
#pragma once

#include <atomic>
#include <string>

#include "base/progress_events.h"
#include "install/package_errors.h"
#include "install/package_info.h"
#include "platform/win_types.h"

namespace install {

// Validates the package, extracts its payload into `installFolder` (null: the
// default folder of the package's product), checks the folder against the archive,
// writes uninstall.exe and its sidecar when `writeUninstaller`. S_OK, E_POINTER
// (null path or empty callback), E_ABORT once `cancel` (set from another thread,
// may be null) turned true, or E_FAIL; every failure sends kInstallEventUnpackFailed and leaves
// the last install error. Runs on the install worker; every callback is made on the
// calling thread.
HRESULT UnpackSetupPackage(const wchar_t* packagePath, base::ProgressCallback progress, const wchar_t* installFolder,
                           bool removeExtractTemp, bool writeUninstaller, const std::atomic<bool>* cancel = nullptr);

// Reads the 4096-byte info block into `block`. S_OK, E_POINTER or E_FAIL (cannot be
// opened, or the stored offset lies beyond size - 4096); on failure `block` keeps
// what it held.
HRESULT ReadPackageInfo(const wchar_t* packagePath, PackageInfo* block);

// Writes the 4096 bytes at offset 0 of a created or truncated file; E_FAIL also when
// they are not all written.
HRESULT WritePackageInfo(const wchar_t* path, const PackageInfo* block);

// The folder the reader installed into (empty until it has run).
std::wstring GetInstallFolder();

// The base folder is $ProgramW6432 for a 64-bit package on a 64-bit machine when that
// variable is set, else <root>/opt; `folderName` is appended. `create` makes the
// whole chain.
void GetDefaultInstallFolder(std::wstring& out, const std::wstring& folderName, bool create, int is64BitPackage);

}  // namespace install
