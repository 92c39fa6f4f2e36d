#include "platform/elevation.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/desktop_session.h"
#include "platform/known_folders.h"
#include "platform/path.h"
#include "platform/process.h"

namespace platform {

namespace {

// pkexec's own codes: the dialog was dismissed (126) or authorization failed (127).
constexpr int kPkexecDismissed = 126;
constexpr int kPkexecNotAuthorized = 127;
// The message window waits this long for the user before the run ends anyway.
constexpr int kMessageWindowTimeoutMs = 10 * 60 * 1000;

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// pkexec clears the environment; these let the elevated run reach the user's display.
std::vector<std::string> KeptDisplayVariables() {
  std::vector<std::string> kept;
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "XDG_RUNTIME_DIR", "LANG", "LANGUAGE", "LC_ALL",
                           "LC_MESSAGES"}) {
    const std::string value = Env(name);
    if (!value.empty()) kept.push_back(std::string(name) + "=" + value);
  }
  std::string xauthority = Env("XAUTHORITY");
  if (xauthority.empty() && !Env("HOME").empty()) {
    const std::string fallback = PathJoin(Env("HOME"), ".Xauthority");
    if (PathFileExists(fallback)) xauthority = fallback;
  }
  if (!xauthority.empty()) kept.push_back("XAUTHORITY=" + xauthority);
  return kept;
}

// A message window without our toolkit: the first desktop dialog program present.
void ShowMessageWindow(const std::string& title, const std::string& text) {
  if (!IsDisplayReachable()) return;
  const std::vector<std::vector<std::string>> candidates = {
      {"zenity", "--error", "--no-wrap", "--title=" + title, "--text=" + text},
      {"kdialog", "--title", title, "--error", text},
      {"xmessage", "-center", text},
  };
  for (const auto& command : candidates) {
    if (FindProgram(command[0]).empty()) continue;
    ProcessStart start;
    start.program = command[0];
    start.arguments = command;
    if (RunAndWait(start, kMessageWindowTimeoutMs)) return;
  }
}

bool Refuse(const std::string& programTitle, const std::string& why, int* exitCode) {
  const std::string text = programTitle + " needs administrator rights to install.\n" + why;
  std::fprintf(stderr, "%s\n", text.c_str());
  std::fflush(stderr);
  ShowMessageWindow(programTitle, text);
  if (exitCode) *exitCode = 1;
  return false;
}

}  // namespace

bool IsRunningAsRoot() { return ::geteuid() == 0; }

bool EnsureElevatedOrRelaunch(int argc, char** argv, const std::string& programTitle, int* exitCode) {
  if (exitCode) *exitCode = 0;
  if (IsRunningAsRoot() || InSandboxRoot()) return true;

  const std::string pkexec = FindProgram("pkexec");
  if (pkexec.empty())
    return Refuse(programTitle,
                  "pkexec is not installed, so they cannot be requested. Start the installer as root (sudo).",
                  exitCode);
  std::string self = GetModuleFileName();
  if (self.empty()) return Refuse(programTitle, "The installer cannot find its own program file.", exitCode);

  // pkexec wants the program with its full path.
  const std::string env = FindProgram("env");
  if (env.empty()) return Refuse(programTitle, "The env program is missing.", exitCode);
  ProcessStart start;
  start.program = pkexec;
  start.arguments = {pkexec, env};
  for (auto& variable : KeptDisplayVariables()) start.arguments.push_back(variable);
  start.arguments.push_back(self);
  for (int i = 1; i < argc; ++i) start.arguments.push_back(argv[i]);

  auto process = StartProcess(start);
  if (!process) return Refuse(programTitle, "pkexec could not be started.", exitCode);
  process->Wait(-1);
  const int code = process->ExitCode().value_or(1);
  if (code == kPkexecDismissed || code == kPkexecNotAuthorized)
    return Refuse(programTitle, "The request for administrator rights was refused.", exitCode);
  if (exitCode) *exitCode = code;
  return false;
}

}  // namespace platform
