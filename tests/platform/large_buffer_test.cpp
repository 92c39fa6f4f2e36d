#include "platform/large_buffer.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

// The image is filled up to its last byte and verified from its first: every size the
// manifests can give must be whole, zeroed and writable, on huge pages or not.
TEST(LargeBuffer, IsZeroedWritableToTheLastByteAndFreedWhole) {
  for (std::size_t size : {std::size_t{1}, std::size_t{4096}, std::size_t{(2u << 20) - 1}, std::size_t{2u << 20},
                           std::size_t{(2u << 20) + 1}, std::size_t{136629912}}) {
    std::shared_ptr<unsigned char> buffer = platform::AllocateLargeBuffer(size);
    ASSERT_NE(buffer, nullptr) << size;
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(buffer.get()) % (2u << 20), 0u) << size;
    EXPECT_EQ(buffer.get()[0], 0);
    EXPECT_EQ(buffer.get()[size / 2], 0);
    EXPECT_EQ(buffer.get()[size - 1], 0);
    platform::PrefaultForWriting(buffer.get(), size);
    buffer.get()[0] = 1;
    buffer.get()[size - 1] = 2;
    EXPECT_EQ(buffer.get()[size - 1], 2);
  }
  EXPECT_NE(platform::AllocateLargeBuffer(0), nullptr);
}

TEST(LargeBuffer, RefusesWhatCannotBeMapped) {
  EXPECT_EQ(platform::AllocateLargeBuffer(SIZE_MAX - 4096), nullptr);
  EXPECT_EQ(platform::AllocateLargeBuffer(std::size_t{1} << 60), nullptr);
}

}  // namespace
