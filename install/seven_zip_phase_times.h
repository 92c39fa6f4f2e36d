// Where the time of one extraction goes: what it costs beyond the 7-Zip program's
// own run. Read by the benchmark.
#pragma once

#include <chrono>

namespace install {

// Wall times in seconds.
struct SevenZipPhaseTimes {
  double staging = 0;     // private folder made and the archive written into it
  double listing = 0;     // the archive listed and checked before anything is written
  double extraction = 0;  // the extracting run of the 7-Zip program
  double cleanup = 0;     // the staging folder removed
  double Total() const { return staging + listing + extraction + cleanup; }
};

// Adds the time since the previous lap to one field of `times` (when not null).
class SevenZipPhaseTimer {
 public:
  explicit SevenZipPhaseTimer(SevenZipPhaseTimes* times) : times_(times) {}
  void Restart() { start_ = std::chrono::steady_clock::now(); }
  void Lap(double SevenZipPhaseTimes::*phase) {
    auto now = std::chrono::steady_clock::now();
    if (times_) times_->*phase += std::chrono::duration<double>(now - start_).count();
    start_ = now;
  }

 private:
  SevenZipPhaseTimes* times_;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

}  // namespace install
