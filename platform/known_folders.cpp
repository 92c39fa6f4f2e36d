#include "platform/known_folders.h"

#include <pwd.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/path.h"
#include "platform/text.h"

namespace platform {

namespace {

std::string EnvOr(const char* name, const std::string& fallback) {
  const char* value = std::getenv(name);
  return (value && *value) ? std::string(value) : fallback;
}

bool ParseUid(const char* text, uid_t& out) {
  if (!text || !*text) return false;
  char* end = nullptr;
  const unsigned long value = std::strtoul(text, &end, 10);
  if (*end != '\0') return false;
  out = static_cast<uid_t>(value);
  return true;
}

// The process's own environment describes the desktop user only when it is that
// user (or a sandbox); under pkexec or sudo it belongs to root.
bool EnvironmentIsDesktopUsers(const DesktopUser& user) { return InSandboxRoot() || user.uid == ::getuid(); }

std::string UserHome(const DesktopUser& user) {
  // A sandbox never reaches outside itself: without HOME it has no home.
  if (InSandboxRoot()) return EnvOr("HOME", "");
  if (EnvironmentIsDesktopUsers(user)) return EnvOr("HOME", user.home);
  return user.home;
}

std::string XdgBase(const DesktopUser& user, const char* variable, const char* defaultRelative) {
  const std::string home = UserHome(user);
  if (EnvironmentIsDesktopUsers(user)) {
    const char* value = std::getenv(variable);
    if (value && value[0] == '/') return value;
  }
  if (home.empty()) return {};
  return PathJoin(home, defaultRelative);
}

std::string LexicallyNormal(const std::string& path) {
  std::string normal = std::filesystem::path(path).lexically_normal().string();
  while (normal.size() > 1 && normal.back() == '/') normal.pop_back();
  return normal;
}

// The file is the user's to edit: a folder outside the home ("$HOME/../../etc",
// "/etc/xdg/autostart") must never become a place the installer writes to.
// Empty unless `path` lies strictly below `home`; `..` is resolved before comparing.
std::string BelowHome(const std::string& path, const std::string& home) {
  if (path.empty() || path[0] != '/') return {};
  const std::string normal = LexicallyNormal(path);
  const std::string homeNormal = LexicallyNormal(home);
  const std::string prefix = homeNormal == "/" ? "/" : homeNormal + "/";
  if (normal.size() <= prefix.size() || normal.compare(0, prefix.size(), prefix) != 0) return {};
  return normal;
}

// XDG_<NAME>_DIR from user-dirs.dirs ("$HOME/..." or an absolute path).
std::string UserDir(const DesktopUser& user, const std::string& key, const char* defaultName) {
  const std::string home = UserHome(user);
  if (home.empty()) return {};
  const std::string config = XdgBase(user, "XDG_CONFIG_HOME", ".config");
  std::ifstream file(PathJoin(config, "user-dirs.dirs"));
  std::string line;
  const std::string prefix = "XDG_" + key + "_DIR=";
  while (std::getline(file, line)) {
    if (line.rfind(prefix, 0) != 0) continue;
    std::string value = line.substr(prefix.size());
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
    if (value.rfind("$HOME", 0) == 0) value = home + value.substr(5);
    if (const std::string inside = BelowHome(value, home); !inside.empty()) return inside;
  }
  return PathJoin(home, defaultName);
}

}  // namespace

DesktopUser ResolveDesktopUser() {
  DesktopUser user;
  uid_t uid = ::getuid();
  if (!ParseUid(std::getenv("PKEXEC_UID"), uid)) ParseUid(std::getenv("SUDO_UID"), uid);
  user.uid = uid;
  user.gid = ::getgid();
  struct passwd pw {};
  struct passwd* result = nullptr;
  char buffer[4096];
  if (::getpwuid_r(uid, &pw, buffer, sizeof buffer, &result) == 0 && result) {
    user.gid = pw.pw_gid;
    user.name = pw.pw_name ? pw.pw_name : "";
    user.home = pw.pw_dir ? pw.pw_dir : "";
    // "/nonexistent" and friends: a user without a home.
    if (!PathIsDirectory(user.home)) user.home.clear();
  }
  return user;
}

std::string SystemRoot() {
  std::string root = EnvOr("CORVEX_SYSROOT", "/");
  while (root.size() > 1 && root.back() == '/') root.pop_back();
  return root;
}

bool InSandboxRoot() { return SystemRoot() != "/"; }

std::string SystemPath(const std::string& absolute) {
  const std::string root = SystemRoot();
  if (root == "/") return absolute;
  return PathJoin(root, absolute);
}

std::wstring GetKnownFolder(KnownFolder folder) {
  const DesktopUser user = ResolveDesktopUser();
  std::string path;
  switch (folder) {
    case KnownFolder::Documents: path = UserDir(user, "DOCUMENTS", "Documents"); break;
    case KnownFolder::Downloads: path = UserDir(user, "DOWNLOAD", "Downloads"); break;
    case KnownFolder::Desktop: path = UserDir(user, "DESKTOP", "Desktop"); break;
    case KnownFolder::RoamingAppData: path = XdgBase(user, "XDG_CONFIG_HOME", ".config"); break;
    case KnownFolder::LocalAppData: path = XdgBase(user, "XDG_DATA_HOME", ".local/share"); break;
    case KnownFolder::LocalState: path = XdgBase(user, "XDG_STATE_HOME", ".local/state"); break;
    case KnownFolder::UserPrograms: {
      const std::string data = XdgBase(user, "XDG_DATA_HOME", ".local/share");
      if (!data.empty()) path = PathJoin(data, "applications");
      break;
    }
    case KnownFolder::CommonPrograms: path = SystemPath("/usr/local/share/applications"); break;
    case KnownFolder::ProgramFiles: path = SystemPath("/opt"); break;
  }
  return NarrowToWide(path);
}

std::wstring GetTempFolder() {
  std::string temp = EnvOr("TMPDIR", "/tmp");
  if (temp.back() != '/') temp += '/';
  return NarrowToWide(temp);
}

void GiveToDesktopUser(const std::string& path) {
  if (::geteuid() != 0) return;
  const DesktopUser user = ResolveDesktopUser();
  if (user.uid == 0) return;
  // lchown: never follow a link that someone else placed there.
  (void)::lchown(path.c_str(), user.uid, user.gid);
}

unsigned long long GetFreeBytes(const std::string& path) {
  struct statvfs st {};
  if (path.empty() || ::statvfs(path.c_str(), &st) != 0) return 0;
  return static_cast<unsigned long long>(st.f_bfree) * st.f_frsize;
}

}  // namespace platform
