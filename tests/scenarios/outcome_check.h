// Compares how a download ended with what its scenario expects.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tests/scenarios/program_end.h"
#include "tools/devserver/scenario.h"

// How one run of the fetch tool ended.
struct FetchOutcome {
  bool finished = false;         // ended by itself within the time limit, at one of the tool's own ends
  ProgramEnd end;                // how it really ended
  std::optional<int> status;     // engine status (5 finished, 4 failed, 3 needs update)
  std::optional<int> errorCode;  // engine error code
  std::string log;               // the install log of the run
  std::string output;            // what the tool printed, standard error included
};

// One package GET as a mirror reported it once the response had ended.
struct ServedContent {
  std::string request;      // "mirror 1 127.0.0.11 GET /download/x.exe (bytes=0-99)"
  std::uint64_t first = 0;  // the bytes it asked for, inclusive
  std::uint64_t last = 0;
  std::uint64_t sent = 0;  // the bytes the mirror handed to the client
};

// The GETs of the package in the devserver's output; one without a range asks for all
// of a `packageSize`-byte package.
std::vector<ServedContent> ServedContentOf(const std::string& serverOutput, std::uint64_t packageSize);
std::uint64_t SentBytes(const std::vector<ServedContent>& served);
// One message per GET that asked for a byte outside the 1 MiB blocks `allowed`.
std::vector<std::string> RequestsOutside(const std::vector<ServedContent>& served,
                                         const std::vector<std::uint32_t>& allowed);

// One message per unmet expectation; empty when the run is as expected.
std::vector<std::string> CheckOutcome(const devserver::Expectation& expect, const FetchOutcome& outcome,
                                      const std::vector<std::uint8_t>& package, const std::filesystem::path& target);
