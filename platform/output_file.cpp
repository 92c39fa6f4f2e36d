#include "platform/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace platform {
namespace {

void CloseKeepingErrno(int fd) {
  const int error = errno;
  ::close(fd);
  errno = error;
}

// Opens or creates the regular file at `path` itself, in blocking mode; -1 with errno
// set for a link at the final name or anything that is not a regular file.
int OpenRegularFile(const std::string& path, int access, struct stat& info) {
  // Non-blocking for the open only: a FIFO without a reader would otherwise hang it.
  const int fd = ::open(path.c_str(), access | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd < 0) return -1;
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    errno = EINVAL;
    return -1;
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    CloseKeepingErrno(fd);
    return -1;
  }
  return fd;
}

}  // namespace

std::FILE* CreateOutputFile(const std::string& path) {
  struct stat info {};
  const int fd = OpenRegularFile(path, O_WRONLY, info);
  if (fd < 0) return nullptr;
  // An empty file is left alone: ext4 flushes a file cut to zero when it is closed,
  // which made the end of every download wait for the disk.
  if (info.st_size != 0 && ::ftruncate(fd, 0) != 0) {
    CloseKeepingErrno(fd);
    return nullptr;
  }
  std::FILE* file = ::fdopen(fd, "wb");
  if (!file) CloseKeepingErrno(fd);
  return file;
}

std::FILE* OpenDownloadTarget(const std::string& path, std::uint64_t size, bool& contentKept) {
  contentKept = false;
  struct stat info {};
  const int fd = OpenRegularFile(path, O_RDWR, info);
  if (fd < 0) return nullptr;
  const bool sameLength = static_cast<std::uint64_t>(info.st_size) == size;
  // Set straight to the new length, never cut to zero first: ext4 flushes a file cut
  // to zero when it is closed, and the end of the download would wait for the disk.
  if (!sameLength && ::ftruncate(fd, static_cast<off_t>(size)) != 0) {
    // The length only serves a later resume: one the system refuses (a file size
    // limit) shows at the first write that cannot land, as it would without it.
  }
  std::FILE* file = ::fdopen(fd, "r+b");
  if (!file) {
    CloseKeepingErrno(fd);
    return nullptr;
  }
  contentKept = sameLength && size > 0;
  return file;
}

std::FILE* OpenAppendFile(const std::string& path) {
  struct stat info {};
  const int fd = OpenRegularFile(path, O_WRONLY | O_APPEND, info);
  if (fd < 0) return nullptr;
  std::FILE* file = ::fdopen(fd, "ab");
  if (!file) CloseKeepingErrno(fd);
  return file;
}

bool IsPlainFile(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace platform
