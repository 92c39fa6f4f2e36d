#include "platform/positional_write.h"

#include <unistd.h>

#include <cerrno>

namespace platform {

std::size_t WriteAt(std::FILE* file, const void* data, std::size_t size, std::uint64_t offset) {
  if (!file) return 0;
  const int fd = ::fileno(file);
  const char* bytes = static_cast<const char*>(data);
  std::size_t done = 0;
  while (done < size) {
    const ssize_t wrote = ::pwrite(fd, bytes + done, size - done, static_cast<off_t>(offset + done));
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) break;
    done += static_cast<std::size_t>(wrote);
  }
  return done;
}

}  // namespace platform
