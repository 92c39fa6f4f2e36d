#include <vector>

#include "base/install_log.h"
#include "install/product_processes.h"
#include "platform/desktop_session.h"
#include "platform/elevation.h"
#include "platform/process.h"
#include "platform/text.h"

namespace install {

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
  for (auto& arg : platform::SplitCommandLine(platform::WideToNarrow(parameters)))
    start.arguments.push_back(std::move(arg));
  return platform::StartProcess(start);
}

bool OpenWebPage(const std::string& url) {
  platform::ProcessStart start;
  start.program = "xdg-open";
  start.arguments = {"xdg-open", url};
  if (IsUserAdmin()) {
    // A browser never runs as root: without a desktop user the page stays closed, and
    // the log says so, since the user sees nothing.
    const ShellUserToken user = GetShellUserToken();
    if (!user) {
      base::WriteLog("Web page not opened, no desktop session to show it in: %s\n", url.c_str());
      return false;
    }
    if (user->uid == 0) {
      base::WriteLog("Web page not opened, a browser is not started as root and no desktop user is known: %s\n",
                     url.c_str());
      return false;
    }
    start.runAs = *user;
  }
  return platform::StartDetachedProcess(start);
}

}  // namespace install
