// Where the installer's folders live on Linux: the desktop user's XDG folders and
// the system locations, all below CORVEX_SYSROOT when it is set.
#pragma once

#include <sys/types.h>
#include <optional>
#include <string>

namespace platform {

// The user on whose desktop the installer runs: PKEXEC_UID, else SUDO_UID, else
// the real uid. Name, home and group come from the password database.
struct DesktopUser {
  uid_t uid = 0;
  gid_t gid = 0;
  std::string name;
  std::string home;  // may be empty for a user without a home
};
DesktopUser ResolveDesktopUser();

// "/" unless CORVEX_SYSROOT names a sandbox root, then that folder (no trailing '/').
std::string SystemRoot();
bool InSandboxRoot();
// A system path under the root: SystemPath("/opt") -> "<root>/opt".
std::string SystemPath(const std::string& absolute);

enum class KnownFolder {
  Documents,       // XDG_DOCUMENTS_DIR of the desktop user, ~/Documents by default
  Downloads,       // XDG_DOWNLOAD_DIR
  Desktop,         // XDG_DESKTOP_DIR
  RoamingAppData,  // XDG_CONFIG_HOME, ~/.config
  LocalAppData,    // XDG_DATA_HOME, ~/.local/share
  UserPrograms,    // the user's Start menu programs: XDG_DATA_HOME/applications
  CommonPrograms,  // <root>/usr/local/share/applications
  ProgramFiles,    // <root>/opt
  LocalState,      // XDG_STATE_HOME, ~/.local/state
};

// Empty when the folder cannot be determined (a desktop user without a home).
// With CORVEX_SYSROOT set, user folders resolve from HOME of this process, so that
// tests and the demo stay inside their sandbox.
std::wstring GetKnownFolder(KnownFolder folder);

// TMPDIR, else /tmp; with a '/' at the end.
std::wstring GetTempFolder();

// Gives a file or folder that the installer created in the desktop user's folders to
// that user (a no-op when not running as root or when the user is root).
void GiveToDesktopUser(const std::string& path);

// statvfs of the file system holding `path`: total free bytes (not the quota), 0 on failure.
unsigned long long GetFreeBytes(const std::string& path);

}  // namespace platform
