#include <vector>

#include "install/product_processes.h"
#include "platform/desktop_session.h"
#include "platform/elevation.h"
#include "platform/process.h"
#include "platform/text.h"

bool IsUserAdmin() { return platform::IsRunningAsRoot(); }

bool IsVistaOrLater() { return true; }

ShellUserToken GetShellUserToken() {
  if (!platform::IsDisplayReachable()) return std::nullopt;
  return platform::ResolveDesktopUser();
}

bool RunAsShellUser(const std::wstring& file, const std::wstring& parameters, const std::wstring& directory,
                    int /*showCmd*/) {
  platform::ProcessStart start;
  start.program = platform::WideToNarrow(file);
  start.directory = platform::WideToNarrow(directory);
  const std::string params = platform::WideToNarrow(parameters);
  if (!IsVistaOrLater() || !IsUserAdmin()) {
    start.arguments = {start.program};
    for (auto& arg : platform::SplitCommandLine(params)) start.arguments.push_back(std::move(arg));
    return platform::StartDetachedProcess(start);
  }
  const ShellUserToken user = GetShellUserToken();
  if (!user) return false;
  start.runAs = *user;
  start.arguments = platform::CommandLineToArgv(params);
  return platform::StartDetachedProcess(start);
}

std::unique_ptr<platform::Process> StartElevated(const std::wstring& file, const std::wstring& parameters,
                                                 const std::wstring& directory) {
  platform::ProcessStart start;
  start.program = platform::WideToNarrow(file);
  start.directory = platform::WideToNarrow(directory);
  start.arguments = {start.program};
  for (auto& arg : platform::SplitCommandLine(platform::WideToNarrow(parameters))) start.arguments.push_back(std::move(arg));
  return platform::StartProcess(start);
}

bool OpenWebPage(const std::string& url) {
  platform::ProcessStart start;
  start.program = "xdg-open";
  start.arguments = {"xdg-open", url};
  if (IsUserAdmin()) {
    const ShellUserToken user = GetShellUserToken();
    if (!user || user->uid == 0) return false;
    start.runAs = *user;
  }
  return platform::StartDetachedProcess(start);
}
