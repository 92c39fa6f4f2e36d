#include "install/shell_refresh.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/elevation.h"
#include "platform/known_folders.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/text.h"

namespace install {

namespace {

constexpr DWORD kIconSizeBufferBytes = 256;
constexpr std::uint32_t kSettingChangeWaitMs = 200;
constexpr int kToolTimeoutMs = 10000;

long long ReadShellIconSize() {
  platform::HKEY key = nullptr;
  if (platform::RegOpenKeyEx(HKEY_CURRENT_USER, kWindowMetricsKey, &key) != ERROR_SUCCESS) return kDefaultShellIconSize;
  char buffer[kIconSizeBufferBytes] = {};
  DWORD size = sizeof buffer - 1;
  DWORD type = platform::REG_NONE;
  const LONG rc = platform::RegQueryValueEx(key, kShellIconSizeValue, &type, buffer, &size);
  platform::RegCloseKey(key);
  if (rc != ERROR_SUCCESS || type != platform::REG_SZ) return kDefaultShellIconSize;
  errno = 0;
  const long long value = std::strtoll(buffer, nullptr, 10);
  if (errno != 0 || value <= 0 || value >= INT_MAX) return kDefaultShellIconSize;
  return value;
}

// The write creates the key: a fresh registry store has none.
void WriteShellIconSize(long long size) {
  platform::HKEY key = nullptr;
  if (platform::RegCreateKeyEx(HKEY_CURRENT_USER, kWindowMetricsKey, &key) != ERROR_SUCCESS) return;
  const std::string text = std::to_string(size);
  platform::RegSetValueEx(key, kShellIconSizeValue, platform::REG_SZ, text.c_str(),
                          static_cast<DWORD>(text.size() + 1));
  platform::RegCloseKey(key);
}

// Tools that work on the desktop user's files run as that user, so that what they
// write there stays theirs.
std::optional<platform::DesktopUser> UserToRunAs() {
  if (!platform::IsRunningAsRoot()) return std::nullopt;
  const platform::DesktopUser user = platform::ResolveDesktopUser();
  if (user.uid == 0) return std::nullopt;
  return user;
}

void RunTool(std::vector<std::string> arguments, const std::optional<platform::DesktopUser>& user) {
  if (platform::FindProgram(arguments[0]).empty()) return;
  platform::ProcessStart start;
  start.program = arguments[0];
  start.arguments = std::move(arguments);
  start.runAs = user;
  start.discardOutput = true;
  platform::RunAndWait(start, kToolTimeoutMs);
}

void RefreshMenuFolder(platform::KnownFolder which, const std::optional<platform::DesktopUser>& user) {
  const std::string folder = platform::WideToNarrow(platform::GetKnownFolder(which));
  std::error_code error;
  if (folder.empty() || !std::filesystem::is_directory(folder, error)) return;
  std::filesystem::last_write_time(folder, std::filesystem::file_time_type::clock::now(), error);
  RunTool({"update-desktop-database", "-q", folder}, user);
}

void RefreshDesktopDatabases() {
  const auto user = UserToRunAs();
  RefreshMenuFolder(platform::KnownFolder::UserPrograms, user);
  RefreshMenuFolder(platform::KnownFolder::CommonPrograms, std::nullopt);
  // Outside a sandbox the user's menu caches are rebuilt too.
  if (!platform::InSandboxRoot()) RunTool({"xdg-desktop-menu", "forceupdate", "--mode", "user"}, user);
}

}  // namespace

void RefreshIcons() {
  const long long size = ReadShellIconSize();
  WriteShellIconSize(size + 1);
  platform::SleepMs(kSettingChangeWaitMs);
  WriteShellIconSize(size);
  RefreshDesktopDatabases();
}

}  // namespace install
