// The files the reports carry, as narrow paths.
#pragma once

#include <string>

namespace telemetry {

// Documents/Corvex11/Log/install.log: the install log that failed runs and crashes send.
std::string InstallLogPath(bool createFolders);
// Documents/Corvex 11/install.dmp: replaced at every crash.
std::string CrashDumpPath(bool createFolders);

}  // namespace telemetry
