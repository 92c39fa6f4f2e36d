#include "platform/process_snapshot.h"

#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/path.h"

namespace platform {

namespace {

bool ParsePid(const char* name, pid_t& pid) {
  if (!name || *name < '1' || *name > '9') return false;
  char* end = nullptr;
  const long value = std::strtol(name, &end, 10);
  if (*end != '\0' || value <= 0) return false;
  pid = static_cast<pid_t>(value);
  return true;
}

bool ReadExecutable(pid_t pid, std::string& path) {
  const std::string link = "/proc/" + std::to_string(pid) + "/exe";
  std::string buffer(4096, '\0');
  const ssize_t n = ::readlink(link.c_str(), buffer.data(), buffer.size());
  if (n <= 0 || static_cast<size_t>(n) >= buffer.size()) return false;
  buffer.resize(static_cast<size_t>(n));
  // A program whose file was removed while it runs is still that program.
  static const std::string kDeleted = " (deleted)";
  if (buffer.size() > kDeleted.size() &&
      buffer.compare(buffer.size() - kDeleted.size(), kDeleted.size(), kDeleted) == 0 && !PathFileExists(buffer))
    buffer.resize(buffer.size() - kDeleted.size());
  path = std::move(buffer);
  return true;
}

}  // namespace

bool SnapshotProcesses(std::vector<ProcessEntry>& out) {
  out.clear();
  DIR* proc = ::opendir("/proc");
  if (!proc) return false;
  while (const dirent* entry = ::readdir(proc)) {
    ProcessEntry process;
    if (!ParsePid(entry->d_name, process.pid)) continue;
    if (!ReadExecutable(process.pid, process.exePath)) continue;
    process.exeName = PathFileName(process.exePath);
    out.push_back(std::move(process));
  }
  ::closedir(proc);
  return true;
}

KillResult KillProcess(pid_t pid) {
  if (pid <= 0) return KillResult::Gone;
  if (::kill(pid, SIGKILL) == 0) return KillResult::Killed;
  return errno == ESRCH ? KillResult::Gone : KillResult::Denied;
}

}  // namespace platform
