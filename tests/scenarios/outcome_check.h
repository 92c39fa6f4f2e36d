// Compares how a download ended with what its scenario expects.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tools/devserver/scenario.h"

// How one run of the fetch tool ended.
struct FetchOutcome {
  bool finished = false;  // ended by itself within the time limit
  int exitCode = -1;
  std::optional<int> status;     // engine status (5 finished, 4 failed, 3 needs update)
  std::optional<int> errorCode;  // engine error code
  std::string log;               // the install log of the run
  std::string output;            // what the tool printed
};

// One message per unmet expectation; empty when the run is as expected.
std::vector<std::string> CheckOutcome(const devserver::Expectation& expect, const FetchOutcome& outcome,
                                      const std::vector<std::uint8_t>& package,
                                      const std::filesystem::path& target);
