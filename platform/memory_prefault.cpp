#include "platform/memory_prefault.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

namespace platform {

void PrefaultForWriting(unsigned char* data, std::size_t size) {
#ifdef MADV_POPULATE_WRITE
  const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
  // madvise wants page-aligned ranges: the whole pages inside the buffer.
  const std::uintptr_t begin = (reinterpret_cast<std::uintptr_t>(data) + page - 1) & ~(page - 1);
  const std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(data) + size) & ~(page - 1);
  if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
#else
  (void)data;
  (void)size;
#endif
}

}  // namespace platform
