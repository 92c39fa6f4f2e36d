#include "platform/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

std::FILE* CreateOutputFile(const std::string& path) {
  // Non-blocking for the open only: a FIFO without a reader would otherwise hang it.
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd < 0) return nullptr;
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    errno = EINVAL;
    return nullptr;
  }
  const int flags = ::fcntl(fd, F_GETFL);
  // An empty file is left alone: ext4 flushes a file cut to zero when it is closed,
  // which made the end of every download wait for the disk.
  if ((info.st_size != 0 && ::ftruncate(fd, 0) != 0) || flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    const int error = errno;
    ::close(fd);
    errno = error;
    return nullptr;
  }
  std::FILE* file = ::fdopen(fd, "wb");
  if (!file) ::close(fd);
  return file;
}

bool IsPlainFile(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace platform
