#include "platform/folder_swap.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace platform {

namespace {

std::string NearestExistingFolder(std::string path) {
  while (!path.empty()) {
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) return S_ISDIR(info.st_mode) ? path : std::string();
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    path = slash == 0 ? "/" : path.substr(0, slash);
  }
  return std::string();
}

void SetError(std::string* error, const std::string& text) {
  if (error) *error = text;
}

std::string Trimmed(std::string folder) {
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

}  // namespace

std::string CreateSiblingFolder(const std::string& folder, const std::string& tag, std::string* error) {
  std::string pattern = Trimmed(folder) + "." + tag + "-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (::mkdtemp(buffer.data()) == nullptr) {
    SetError(error, std::strerror(errno));
    return std::string();
  }
  // mkdtemp makes it 0700; an install folder is readable by every user.
  ::chmod(buffer.data(), 0755);
  return std::string(buffer.data());
}

bool RenameFolder(const std::string& from, const std::string& to, std::string* error) {
  if (::rename(Trimmed(from).c_str(), Trimmed(to).c_str()) == 0) return true;
  SetError(error, std::strerror(errno));
  return false;
}

bool FolderAcceptsWrites(const std::string& folder) {
  const std::string existing = NearestExistingFolder(Trimmed(folder));
  if (existing.empty()) return false;
  struct statvfs fs {};
  if (::statvfs(existing.c_str(), &fs) == 0 && (fs.f_flag & ST_RDONLY) != 0) return false;
  std::string probe = existing + (existing == "/" ? "" : "/") + ".corvex-write-probe-XXXXXX";
  std::vector<char> buffer(probe.begin(), probe.end());
  buffer.push_back('\0');
  const int fd = ::mkstemp(buffer.data());
  if (fd < 0) return false;
  ::close(fd);
  ::unlink(buffer.data());
  return true;
}

bool FolderOnReadOnlyFileSystem(const std::string& folder) {
  const std::string existing = NearestExistingFolder(Trimmed(folder));
  struct statvfs fs {};
  return !existing.empty() && ::statvfs(existing.c_str(), &fs) == 0 && (fs.f_flag & ST_RDONLY) != 0;
}

long long FreeBytesAt(const std::string& path) {
  const std::string existing = NearestExistingFolder(Trimmed(path));
  struct statvfs fs {};
  if (existing.empty() || ::statvfs(existing.c_str(), &fs) != 0) return -1;
  return static_cast<long long>(fs.f_bavail) * static_cast<long long>(fs.f_frsize);
}

}  // namespace platform
