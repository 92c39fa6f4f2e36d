#include "platform/file_range_copy.h"

#include <fcntl.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace platform {

namespace {

// Errors after which copy_file_range cannot work for this pair of files at all
// (another file system, an old kernel); sendfile copies in the kernel too.
bool CopyRangeUnsupported(int error) {
  return error == EXDEV || error == ENOSYS || error == EOPNOTSUPP || error == EINVAL;
}

// Copies until `remaining` is 0 or the source ends early; the bytes still missing.
std::uint64_t CopyInKernel(int from, off_t offset, int to, std::uint64_t remaining) {
  bool copyRange = true;
  while (remaining > 0) {
    ssize_t copied = copyRange ? ::copy_file_range(from, &offset, to, nullptr, remaining, 0)
                               : ::sendfile(to, from, &offset, remaining);
    if (copied < 0 && errno == EINTR) continue;
    if (copied < 0 && copyRange && CopyRangeUnsupported(errno)) {
      copyRange = false;
      continue;
    }
    if (copied <= 0) break;
    remaining -= static_cast<std::uint64_t>(copied);
  }
  return remaining;
}

}  // namespace

RangeCopyResult CopyRangeToNewFile(std::FILE* source, std::uint64_t offset, std::uint64_t size,
                                   const std::string& targetPath) {
  if (source == nullptr) return RangeCopyResult::OutsideSource;
  const int from = ::fileno(source);
  struct stat info {};
  if (from < 0 || ::fstat(from, &info) != 0 || !S_ISREG(info.st_mode)) return RangeCopyResult::OutsideSource;
  const auto fileSize = static_cast<std::uint64_t>(info.st_size);
  if (offset > fileSize || size > fileSize - offset) return RangeCopyResult::OutsideSource;

  const int to = ::open(targetPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (to < 0) return RangeCopyResult::TargetNotCreated;
  const std::uint64_t missing = CopyInKernel(from, static_cast<off_t>(offset), to, size);
  const bool closed = ::close(to) == 0;
  return missing == 0 && closed ? RangeCopyResult::Copied : RangeCopyResult::ShortCopy;
}

bool ReadRange(std::FILE* source, std::uint64_t offset, void* out, std::size_t length) {
  const int from = source ? ::fileno(source) : -1;
  if (from < 0) return false;
  auto* bytes = static_cast<char*>(out);
  while (length > 0) {
    const ssize_t got = ::pread(from, bytes, length, static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    bytes += got;
    offset += static_cast<std::uint64_t>(got);
    length -= static_cast<std::size_t>(got);
  }
  return true;
}

std::FILE* CreateSizedNewFile(const std::string& targetPath, std::uint64_t size) {
  const int to = ::open(targetPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (to < 0) return nullptr;
  std::FILE* file = ::ftruncate(to, static_cast<off_t>(size)) == 0 ? ::fdopen(to, "wb") : nullptr;
  if (file == nullptr) ::close(to);
  return file;
}

bool LinkUnchangeableFile(std::FILE* source, std::uint64_t offset, std::uint64_t size, const std::string& linkPath) {
  if (source == nullptr) return false;
  const int fd = ::fileno(source);
  struct stat info {};
  if (fd < 0 || ::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid() ||
      (info.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    return false;
  }
  const auto length = static_cast<std::uint64_t>(info.st_size);
  if (offset > length || size > length - offset) return false;
  // Through the descriptor, not a name: whatever the name points at by now, the link
  // is to the file that was checked.
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, linkPath.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

}  // namespace platform
