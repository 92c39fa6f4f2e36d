// The parts of a tool's output that a failure message shows: the sanitizer reports
// whole, and the last lines of the rest.
#pragma once

#include <cstddef>
#include <string>

struct OutputExcerpt {
  std::string sanitizerReports;  // every report block, from its "WARNING:"/"ERROR:" line to its "SUMMARY:"
  std::string rest;              // the output without them
};

OutputExcerpt SplitSanitizerReports(const std::string& output);

// The last `count` lines of `text`, each ending in '\n'.
std::string LastLines(const std::string& text, std::size_t count);
