#include "setup/polkit_action.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "base/install_log.h"
#include "platform/folder_trust.h"
#include "platform/known_folders.h"
#include "platform/path.h"

namespace setup {

namespace {

// A root-owned file nobody else may write, in a folder chain root alone controls.
bool OnlyRootCanChange(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != 0 ||
      (st.st_mode & (S_IWGRP | S_IWOTH)) != 0)
    return false;
  std::string folder = path;
  platform::PathRemoveFileSpec(folder);
  return platform::JudgeFolderTrust(folder) == platform::FolderTrust::kTrusted;
}

std::string XmlEscaped(const std::string& text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

}  // namespace

std::string PolkitActionXml(const std::string& programPath) {
  return std::string(
             "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
             "<!DOCTYPE policyconfig PUBLIC \"-//freedesktop//DTD PolicyKit Policy Configuration 1.0//EN\"\n"
             " \"http://www.freedesktop.org/standards/PolicyKit/1/policyconfig.dtd\">\n"
             "<policyconfig>\n"
             "  <vendor>Corvex</vendor>\n"
             "  <action id=\"") +
         kPolkitActionId +
         "\">\n"
         "    <description>Install Corvex 11</description>\n"
         "    <message>Authentication is required to install or remove Corvex 11 for all users</message>\n"
         "    <defaults>\n"
         "      <allow_any>auth_admin</allow_any>\n"
         "      <allow_inactive>auth_admin</allow_inactive>\n"
         "      <allow_active>auth_admin_keep</allow_active>\n"
         "    </defaults>\n"
         "    <annotate key=\"org.freedesktop.policykit.exec.path\">" +
         XmlEscaped(programPath) +
         "</annotate>\n"
         "    <annotate key=\"org.freedesktop.policykit.exec.argv1\">--install-helper</annotate>\n"
         "  </action>\n"
         "</policyconfig>\n";
}

bool InstallPolkitAction(const std::string& programPath) {
  const std::string folder = platform::SystemPath("/usr/share/polkit-1/actions");
  if (!platform::PathIsDirectory(folder)) return false;
  // Inside a sandbox root the program is the test's or the demo's build.
  if (!platform::InSandboxRoot() && !OnlyRootCanChange(programPath)) {
    base::WriteLog("Install helper: %s can be changed by others; no polkit action names it.", programPath.c_str());
    return false;
  }
  const std::string path = folder + "/" + kPolkitActionId + ".policy";
  const std::string temporary = path + ".new";
  ::unlink(temporary.c_str());
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const std::string xml = PolkitActionXml(programPath);
  const bool written = ::write(fd, xml.data(), xml.size()) == static_cast<ssize_t>(xml.size());
  ::close(fd);
  if (!written || ::rename(temporary.c_str(), path.c_str()) != 0) {
    ::unlink(temporary.c_str());
    return false;
  }
  return true;
}

}  // namespace setup
