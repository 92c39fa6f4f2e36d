#pragma once

#include <cstdint>
#include <ctime>

namespace platform {

// CLOCK_MONOTONIC milliseconds truncated to 32 bits, as GetTickCount.
std::uint32_t GetTickCount();
// localtime_r of now.
std::tm GetLocalTime();
void SleepMs(std::uint32_t ms);

}  // namespace platform
