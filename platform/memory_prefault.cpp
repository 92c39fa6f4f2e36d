#include "platform/memory_prefault.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>

namespace platform {

void PrefaultForWriting(unsigned char* data, std::size_t size) {
#ifdef MADV_POPULATE_WRITE
  const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
  // madvise wants page-aligned ranges: the whole pages inside the buffer.
  const std::uintptr_t begin = (reinterpret_cast<std::uintptr_t>(data) + page - 1) & ~(page - 1);
  const std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(data) + size) & ~(page - 1);
  // In slices: the call holds the process's memory map, and threads that need it
  // meanwhile (a thread start, a heap growing) would wait for the whole buffer.
  constexpr std::uintptr_t kSlice = 256u << 10;
  for (std::uintptr_t at = begin; at < end; at += kSlice) {
    ::madvise(reinterpret_cast<void*>(at), std::min(kSlice, end - at), MADV_POPULATE_WRITE);
  }
#else
  (void)data;
  (void)size;
#endif
}

}  // namespace platform
