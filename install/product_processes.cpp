#include "install/product_processes.h"

#include <filesystem>
#include <system_error>
#include <vector>

#include "external/product_programs.h"
#include "platform/known_folders.h"
#include "platform/process_snapshot.h"
#include "platform/text.h"

namespace install {

namespace {

bool BelongsToThisRoot(const platform::ProcessEntry& process) {
  if (!platform::InSandboxRoot()) return true;
  const std::string root = platform::SystemRoot() + "/";
  return process.exePath.compare(0, root.size(), root) == 0;
}

// The processes this installer may act on, in /proc order.
bool SnapshotOurProcesses(std::vector<platform::ProcessEntry>& out) {
  std::vector<platform::ProcessEntry> all;
  if (!platform::SnapshotProcesses(all)) return false;
  out.clear();
  for (auto& process : all) {
    if (BelongsToThisRoot(process)) out.push_back(std::move(process));
  }
  return true;
}

// "<real path of folder>/"; the kernel names a process's executable by its real path.
// A folder that no longer resolves (emptied under a running program) is taken as
// written, made plain. Empty for an empty or relative folder.
std::string RealFolderPrefix(const std::string& folder) {
  if (folder.empty() || folder[0] != '/') return {};
  std::error_code error;
  std::filesystem::path real = std::filesystem::canonical(folder, error);
  if (error) real = std::filesystem::path(folder).lexically_normal();
  std::string prefix = real.string();
  while (!prefix.empty() && prefix.back() == '/') prefix.pop_back();
  return prefix + "/";
}

}  // namespace

void CloseProductProcesses(const std::string& installFolder) {
  for (const char* name : product::kProcessNames) TerminateProcessByName(platform::NarrowToWide(name), installFolder);
}

bool TerminateProcessByName(const std::wstring& exeName, const std::string& insideFolder) {
  const std::string name = platform::WideToNarrow(exeName);
  // Root kills by name only what the product installed: a program of the same name
  // that a user runs from elsewhere is not the product's.
  const std::string folder = RealFolderPrefix(insideFolder);
  if (folder.empty()) return false;
  std::vector<platform::ProcessEntry> processes;
  if (!SnapshotOurProcesses(processes)) return false;
  for (const auto& process : processes) {
    if (!platform::EqualsIgnoreCase(process.exeName, name)) continue;
    if (process.exePath.compare(0, folder.size(), folder) != 0) continue;
    switch (platform::KillProcess(process.pid)) {
      case platform::KillResult::Killed: return true;
      case platform::KillResult::Denied: return false;
      // It ended between the listing and the signal: the next one of that name is
      // the first still running.
      case platform::KillResult::Gone: break;
    }
  }
  return false;
}

bool FindProcessId(const std::wstring& exeName, DWORD& out) {
  const std::string name = platform::WideToNarrow(exeName);
  std::vector<platform::ProcessEntry> processes;
  if (!SnapshotOurProcesses(processes)) return false;
  for (const auto& process : processes) {
    if (platform::EqualsIgnoreCase(process.exeName, name)) {
      out = static_cast<DWORD>(process.pid);
      return true;
    }
  }
  return false;
}

}  // namespace install
