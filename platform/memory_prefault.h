// Maps in the pages of a large buffer ahead of its first writes, so that the threads
// filling it do not stop at a page fault for every 4 KiB.
#pragma once

#include <cstddef>

namespace platform {

// Prefaults [data, data + size) writable; a no-op where the system cannot.
void PrefaultForWriting(unsigned char* data, std::size_t size);

}  // namespace platform
