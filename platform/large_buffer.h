// Memory for a large buffer that is filled once from end to end (the download's image).
// On this kind of machine every 4 KiB page fault costs more than copying the page, so
// the buffer is asked for in 2 MiB pages where the system offers them, and its pages
// can be mapped in ahead of the writes.
#pragma once

#include <cstddef>
#include <memory>

namespace platform {

// `size` zeroed bytes, 2 MiB aligned; null when the memory is not there.
std::shared_ptr<unsigned char> AllocateLargeBuffer(std::size_t size);

// Prefaults [data, data + size) writable; a no-op where the system cannot.
void PrefaultForWriting(unsigned char* data, std::size_t size);

}  // namespace platform
