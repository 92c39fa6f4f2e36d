#include "install/package_errors.h"

#include <atomic>

namespace install {

namespace {
// Written on the install worker, read by the dialog after the worker reported.
std::atomic<int> g_lastInstallError{kInstallNoError};
}  // namespace

int GetLastInstallError() { return g_lastInstallError.load(); }

void SetLastInstallError(int code) { g_lastInstallError.store(code); }

const char* InstallErrorName(int code) {
  switch (code) {
    case kInstallNoError: return "NoError";
    case kInstallPointNull: return "PointNull";
    case kInstallSetupFileError: return "SetupFileError";
    case kInstallDirWriteError: return "DirWriteError";
    case kInstallMallocBrror: return "MallocBrror";
    case kInstallFileError: return "InstallFileError";
    case kInstallDiskFull: return "DiskFullError";
    case kInstallExtractError: return "ExtractError";
    default: return "UnknownError";
  }
}

const char* GetLastInstallErrorName() { return InstallErrorName(GetLastInstallError()); }

}  // namespace install
