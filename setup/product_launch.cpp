#include "setup/product_launch.h"

#include "base/install_log.h"
#include "external/product_programs.h"
#include "install/product_processes.h"
#include "platform/gui/gui_types.h"
#include "platform/path.h"
#include "platform/text.h"

using base::WriteLog;

namespace setup {

namespace {

constexpr int kPollCount = 100;
constexpr int kPollIntervalMs = 100;

std::wstring ProgramIn(const std::wstring& folder, const char* name) {
  return platform::PathJoin(folder, platform::NarrowToWide(name));
}

const char* MainProgramName(bool is64BitPackage) {
  return is64BitPackage ? product::kMainProgram64 : product::kMainProgram32;
}

}  // namespace

ProgramRunResult WaitForStartedProgram(platform::Process& process) {
  ProgramRunResult result;
  result.run = ProgramRun::kTerminated;
  int count = kPollCount;
  for (;;) {
    if (process.Wait(0) != platform::WaitResult::TimedOut) {
      result.run = ProgramRun::kEnded;
      result.exitCode = process.ExitCode().value_or(0);
      break;
    }
    // Instead of a plain sleep: the next poll comes at once when the program ends.
    process.Wait(kPollIntervalMs);
    if (count-- < 0) break;
  }
  result.waitCount = count;
  if (result.run == ProgramRun::kTerminated) {
    process.Terminate(0);
    process.Wait(-1);
  }
  return result;
}

ProgramRunResult RunRepairProgram(const std::wstring& installFolder) {
  const std::wstring path = ProgramIn(installFolder, product::kRepairProgram);
  if (!platform::PathFileExists(path)) return {ProgramRun::kMissing};
  auto process = install::StartElevated(path, L"", L"");
  if (!process) return {ProgramRun::kStartFailed};
  return WaitForStartedProgram(*process);
}

ProgramRunResult RunMainProgramInstallMode(const std::wstring& installFolder, bool is64BitPackage,
                                           const std::wstring& params) {
  const std::wstring path = ProgramIn(installFolder, MainProgramName(is64BitPackage));
  if (!platform::PathFileExists(path)) {
    WriteLog("Run exe failed. main exe con't found\n.");
    return {ProgramRun::kMissing};
  }
  WriteLog("Run Install Params: %s.\n", platform::WideToNarrow(params).c_str());
  auto process = install::StartElevated(path, params, L"");
  if (!process) return {ProgramRun::kStartFailed};
  const ProgramRunResult result = WaitForStartedProgram(*process);
  WriteLog("Run main exe install : ExitCode(%d), nWaitCount(%d).\n", result.exitCode, result.waitCount);
  return result;
}

bool LaunchProductForUser(const std::wstring& installFolder, bool is64BitPackage) {
  const std::wstring path = ProgramIn(installFolder, MainProgramName(is64BitPackage));
  WriteLog("Run Vex!!! %s", platform::WideToNarrow(path).c_str());
  return install::RunAsShellUser(path, platform::NarrowToWide(product::kInstallModeParam), L"", SW_SHOWNORMAL);
}

}  // namespace setup
