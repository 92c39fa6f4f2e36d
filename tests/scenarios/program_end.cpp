#include "tests/scenarios/program_end.h"

#include <signal.h>

#include <cstdio>
#include <cstring>

namespace {

// A SIGKILL from elsewhere (the OOM killer) looks the same as the limit's, except
// that it comes early; the margin allows for the time of starting the program.
constexpr double kLimitMarginSeconds = 0.5;

std::string Seconds(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f s", seconds);
  return text;
}

}  // namespace

ProgramEnd EndUnderTimeLimit(const platform::ChildProcessResult& wrapped, double seconds, std::uint32_t limitSeconds) {
  ProgramEnd end;
  end.seconds = seconds;
  switch (wrapped.outcome) {
    case platform::ChildOutcome::NotStarted: end.kind = EndKind::NotStarted; break;
    case platform::ChildOutcome::Exited:
      end.kind = EndKind::Exited;
      end.exitCode = wrapped.exitCode;
      break;
    case platform::ChildOutcome::Signalled:
      end.kind = wrapped.signal == SIGKILL && seconds + kLimitMarginSeconds >= limitSeconds ? EndKind::TimedOut
                                                                                            : EndKind::Signalled;
      end.signal = wrapped.signal;
      break;
  }
  return end;
}

std::string DescribeEnd(const ProgramEnd& end, std::uint32_t limitSeconds) {
  switch (end.kind) {
    case EndKind::NotStarted: return "could not be started";
    case EndKind::Exited:
      return "exited with status " + std::to_string(end.exitCode) + " after " + Seconds(end.seconds);
    case EndKind::Signalled:
      return "was killed by signal " + std::to_string(end.signal) + " (" + strsignal(end.signal) + ") after " +
             Seconds(end.seconds);
    case EndKind::TimedOut: return "was stopped by the time limit of " + std::to_string(limitSeconds) + " s";
  }
  return "ended in an unknown way";
}
