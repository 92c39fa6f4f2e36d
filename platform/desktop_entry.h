// Freedesktop desktop entries: the shortcuts of this platform.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/known_folders.h"

namespace platform {

inline constexpr char kDesktopEntryExtension[] = ".desktop";

struct DesktopEntry {
  enum class Type { Application, Link };
  Type type = Type::Application;
  std::string name;
  std::string comment;
  std::string icon;               // an icon file path or theme name
  std::vector<std::string> exec;  // Application: the program, then its arguments
  std::string workingFolder;      // Application: "Path"
  std::string url;                // Link: "URL"
};

// One Exec argument: kept as it is when it holds no reserved character, else in
// double quotes with '"', '`', '$' and '\' escaped; '%' doubled in either case.
std::string QuoteExecArgument(const std::string& argument);
// A string value: '\', line feed, tab and carriage return escaped, a leading blank as "\s".
std::string EscapeDesktopValue(const std::string& value);
std::string FormatDesktopEntry(const DesktopEntry& entry);

struct FileOwner {
  uid_t uid = 0;
  gid_t gid = 0;
};
// Writes the entry to `path` through a new file in the same folder that then replaces
// it, so that a link placed at `path` is replaced rather than followed. Mode 0755 when
// `executable`, else 0644; given to `owner` when set. False when it cannot be written.
bool WriteDesktopEntryFile(const std::string& path, const DesktopEntry& entry, bool executable,
                           const std::optional<FileOwner>& owner);

// Best effort: `gio set <path> metadata::trusted true` as `user` (or as this process
// when no user is given), so that file managers start the entry without asking.
void MarkDesktopEntryTrusted(const std::string& path, const std::optional<DesktopUser>& user);

}  // namespace platform
