// How a fetch tool run under `timeout -s KILL` really ended: by itself with a status,
// by a signal, or by the time limit. Told in words for a failure message.
#pragma once

#include <cstdint>
#include <string>

#include "platform/child_process.h"

enum class EndKind { NotStarted, Exited, Signalled, TimedOut };

struct ProgramEnd {
  EndKind kind = EndKind::NotStarted;
  int exitCode = -1;  // with Exited
  int signal = 0;     // with Signalled
  double seconds = 0;
};

// `wrapped` is the result of the timeout program. It dies of SIGKILL itself when the
// limit runs out, and raises on itself the signal its command died of.
ProgramEnd EndUnderTimeLimit(const platform::ChildProcessResult& wrapped, double seconds, std::uint32_t limitSeconds);

// "exited with status 66 after 2.8 s", "was killed by signal 6 (Aborted) after 0.4 s",
// "was stopped by the time limit of 90 s", "could not be started".
std::string DescribeEnd(const ProgramEnd& end, std::uint32_t limitSeconds);
