#include "platform/desktop_entry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/path.h"
#include "platform/process.h"

namespace platform {

namespace {

constexpr int kGioTimeoutMs = 5000;

bool WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

std::string QuoteExecArgument(const std::string& argument) {
  static const char kReserved[] = " \t\n\"'\\><~|&;$*?#()`";
  const bool quote = argument.empty() || argument.find_first_of(kReserved) != std::string::npos;
  std::string out;
  if (quote) out += '"';
  for (const char c : argument) {
    if (c == '%') {
      out += "%%";
      continue;
    }
    if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) out += '\\';
    out += c;
  }
  if (quote) out += '"';
  return out;
}

std::string EscapeDesktopValue(const std::string& value) {
  std::string out;
  for (size_t i = 0; i < value.size(); ++i) {
    const char c = value[i];
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      case '\r': out += "\\r"; break;
      case ' ': out += (i == 0) ? "\\s" : " "; break;
      default: out += c;
    }
  }
  return out;
}

std::string FormatDesktopEntry(const DesktopEntry& entry) {
  std::string text = "[Desktop Entry]\n";
  text += entry.type == DesktopEntry::Type::Link ? "Type=Link\n" : "Type=Application\n";
  text += "Name=" + EscapeDesktopValue(entry.name) + "\n";
  if (!entry.comment.empty()) text += "Comment=" + EscapeDesktopValue(entry.comment) + "\n";
  if (!entry.icon.empty()) text += "Icon=" + EscapeDesktopValue(entry.icon) + "\n";
  if (entry.type == DesktopEntry::Type::Link) {
    text += "URL=" + EscapeDesktopValue(entry.url) + "\n";
    return text;
  }
  std::string exec;
  for (const auto& argument : entry.exec) {
    if (!exec.empty()) exec += ' ';
    exec += QuoteExecArgument(argument);
  }
  // The quoting above comes first; the value escaping then doubles its backslashes.
  text += "Exec=" + EscapeDesktopValue(exec) + "\n";
  if (!entry.workingFolder.empty()) text += "Path=" + EscapeDesktopValue(entry.workingFolder) + "\n";
  text += "Terminal=false\n";
  return text;
}

bool WriteDesktopEntryFile(const std::string& path, const DesktopEntry& entry, bool executable,
                           const std::optional<FileOwner>& owner) {
  std::string folder = path;
  if (!PathRemoveFileSpec(folder)) return false;
  // Built by appending: GCC 12 warns falsely on "literal" + std::string at -O2.
  std::string tempName = ".";
  tempName += PathFileName(path);
  tempName += ".XXXXXX";
  std::string temp = PathJoin(folder, tempName);
  const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = ::fchmod(fd, executable ? 0755 : 0644) == 0;
  if (ok && owner && ::geteuid() == 0) ok = ::fchown(fd, owner->uid, owner->gid) == 0;
  ok = ok && WriteAll(fd, FormatDesktopEntry(entry));
  ok = (::close(fd) == 0) && ok;
  ok = ok && ::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) ::unlink(temp.c_str());
  return ok;
}

void MarkDesktopEntryTrusted(const std::string& path, const std::optional<DesktopUser>& user) {
  if (FindProgram("gio").empty()) return;
  ProcessStart start;
  start.program = "gio";
  start.arguments = {"gio", "set", path, "metadata::trusted", "true"};
  start.discardOutput = true;
  if (user && ::geteuid() == 0 && user->uid != 0) start.runAs = *user;
  RunAndWait(start, kGioTimeoutMs);
}

}  // namespace platform
