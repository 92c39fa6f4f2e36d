// One installer at a time: an advisory lock on a file in the system part of the
// (sandbox) root, held until the process ends or the object goes.
#pragma once

#include <string>

namespace platform {

class InstanceLock {
 public:
  enum class Result { kAcquired, kHeldByAnother, kUnavailable };

  InstanceLock() = default;
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // Takes the lock on `path` (its folder is created) without waiting. The file is
  // never followed through a link.
  Result Acquire(const std::string& path);
  void Release();

 private:
  int fd_ = -1;
};

// Creates the lock file (mode 0644, never through a link) so that users who cannot
// create it can still lock it.
void CreateLockFile(const std::string& path);

// "<root>/var/lib/corvex/setup.lock".
std::string SetupLockPath();

}  // namespace platform
