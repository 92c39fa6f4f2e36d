// The running processes of the machine, read from /proc.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace platform {

struct ProcessEntry {
  pid_t pid = 0;
  std::string exePath;  // target of /proc/PID/exe, " (deleted)" of a removed file dropped
  std::string exeName;  // its file name: "Corvex XI.exe"
};

// Every process whose executable can be read (all of them when running as root;
// zombies and kernel threads have none). False when /proc cannot be listed.
bool SnapshotProcesses(std::vector<ProcessEntry>& out);

enum class KillResult { Killed, Gone, Denied };
// SIGKILL. Gone when the process no longer exists.
KillResult KillProcess(pid_t pid);

}  // namespace platform
