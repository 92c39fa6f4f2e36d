#include "platform/large_buffer.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>

namespace platform {

namespace {

constexpr std::uintptr_t kHugePage = 2u << 20;

std::uintptr_t RoundUp(std::uintptr_t value, std::uintptr_t unit) { return (value + unit - 1) & ~(unit - 1); }

}  // namespace

std::shared_ptr<unsigned char> AllocateLargeBuffer(std::size_t size) {
  if (size == 0) return std::shared_ptr<unsigned char>(new unsigned char[1](), std::default_delete<unsigned char[]>());
  const std::uintptr_t length = RoundUp(size, kHugePage);
  if (length < size) return nullptr;
  // One huge page more than needed, so that an aligned start lies inside; the slack on
  // both sides goes back at once.
  void* mapped = ::mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) return nullptr;
  const auto begin = reinterpret_cast<std::uintptr_t>(mapped);
  const std::uintptr_t aligned = RoundUp(begin, kHugePage);
  if (aligned > begin) ::munmap(mapped, aligned - begin);
  const std::uintptr_t tail = begin + length + kHugePage - (aligned + length);
  if (tail > 0) ::munmap(reinterpret_cast<void*>(aligned + length), tail);
#ifdef MADV_HUGEPAGE
  // Advice only: without transparent huge pages the buffer is an ordinary mapping.
  ::madvise(reinterpret_cast<void*>(aligned), length, MADV_HUGEPAGE);
#endif
  return std::shared_ptr<unsigned char>(reinterpret_cast<unsigned char*>(aligned),
                                        [length](unsigned char* data) { ::munmap(data, length); });
}

void PrefaultForWriting(unsigned char* data, std::size_t size) {
#ifdef MADV_POPULATE_WRITE
  const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
  // madvise wants page-aligned ranges: the whole pages inside the buffer.
  const std::uintptr_t begin = RoundUp(reinterpret_cast<std::uintptr_t>(data), page);
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
