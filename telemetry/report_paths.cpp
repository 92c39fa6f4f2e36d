#include "telemetry/report_paths.h"

#include "base/install_log.h"
#include "platform/text.h"

namespace telemetry {

std::string InstallLogPath(bool createFolders) {
  return platform::WideToNarrow(base::GetDocumentsPath(L"Corvex11/Log", L"install.log", createFolders));
}

std::string CrashDumpPath(bool createFolders) {
  return platform::WideToNarrow(base::GetDocumentsPath(L"Corvex 11", L"install.dmp", createFolders));
}

}  // namespace telemetry
