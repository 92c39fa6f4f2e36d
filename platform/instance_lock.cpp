#include "platform/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "platform/folder_tree.h"
#include "platform/known_folders.h"

namespace platform {

InstanceLock::~InstanceLock() { Release(); }

InstanceLock::Result InstanceLock::Acquire(const std::string& path) {
  Release();
  CreateParentFolder(path);
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
  // A desktop user cannot write root's lock file, but a lock needs only a descriptor.
  if (fd < 0 && errno == EACCES) fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return Result::kUnavailable;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const bool busy = errno == EWOULDBLOCK;
    ::close(fd);
    return busy ? Result::kHeldByAnother : Result::kUnavailable;
  }
  fd_ = fd;
  return Result::kAcquired;
}

void InstanceLock::Release() {
  if (fd_ < 0) return;
  ::close(fd_);  // closing the last descriptor drops the lock
  fd_ = -1;
}

void CreateLockFile(const std::string& path) {
  CreateParentFolder(path);
  const int fd = ::open(path.c_str(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd >= 0) ::close(fd);
}

std::string SetupLockPath() { return SystemPath("/var/lib/corvex/setup.lock"); }

}  // namespace platform
