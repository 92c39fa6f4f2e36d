// What a failed scenario run reports: how the tool really ended under the timeout
// program, and the sanitizer reports and last lines of its output.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>

#include "tests/scenarios/output_excerpt.h"
#include "tests/scenarios/program_end.h"

namespace {

// The real timeout program around a shell command, as the harness runs the tools.
ProgramEnd RunUnderTimeout(std::uint32_t limitSeconds, const std::string& command) {
  platform::ChildProcessRequest request;
  request.program = "/usr/bin/timeout";
  request.argv = {request.program, "-s", "KILL", std::to_string(limitSeconds), "/bin/sh", "-c", command};
  const auto start = std::chrono::steady_clock::now();
  const platform::ChildProcessResult result = platform::RunChildProcess(request);
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  return EndUnderTimeLimit(result, took.count(), limitSeconds);
}

TEST(ProgramEnd, TellsAnErrorExitASignalAndTheTimeLimitApart) {
  const ProgramEnd exited = RunUnderTimeout(30, "exit 66");
  EXPECT_EQ(exited.kind, EndKind::Exited);
  EXPECT_EQ(exited.exitCode, 66);
  EXPECT_EQ(DescribeEnd(exited, 30).rfind("exited with status 66 after ", 0), 0u) << DescribeEnd(exited, 30);

  const ProgramEnd aborted = RunUnderTimeout(30, "kill -ABRT $$");
  EXPECT_EQ(aborted.kind, EndKind::Signalled);
  EXPECT_EQ(aborted.signal, SIGABRT);
  EXPECT_NE(DescribeEnd(aborted, 30).find("killed by signal 6 ("), std::string::npos) << DescribeEnd(aborted, 30);

  // A SIGKILL long before the limit is someone else's, not the limit's.
  const ProgramEnd killed = RunUnderTimeout(30, "kill -KILL $$");
  EXPECT_EQ(killed.kind, EndKind::Signalled);
  EXPECT_EQ(killed.signal, SIGKILL);

  const ProgramEnd stopped = RunUnderTimeout(1, "sleep 30");
  EXPECT_EQ(stopped.kind, EndKind::TimedOut);
  EXPECT_EQ(DescribeEnd(stopped, 1), "was stopped by the time limit of 1 s");

  EXPECT_EQ(EndUnderTimeLimit(platform::ChildProcessResult{}, 0, 30).kind, EndKind::NotStarted);
}

TEST(OutputExcerpt, TakesOutEverySanitizerReportWhole) {
  const std::string output =
      "corvex-scenario-fetch: starting\n"
      "==================\n"
      "WARNING: ThreadSanitizer: data race (pid=7)\n"
      "  Write of size 8 at 0x7b04 by thread T3:\n"
      "SUMMARY: ThreadSanitizer: data race segment_table.cpp:40 in Complete\n"
      "==================\n"
      "download/image_store.cpp:12:5: runtime error: signed integer overflow\n"
      "SUMMARY: UndefinedBehaviorSanitizer: undefined-behavior image_store.cpp:12:5\n"
      "==9==ERROR: AddressSanitizer: heap-use-after-free on address 0x6020\n"
      "    #0 0x55 in Dispatch\n"
      "status=5 error_code=0 error=NoError cdn=0";  // no SUMMARY: the report runs to the end
  const OutputExcerpt excerpt = SplitSanitizerReports(output);
  EXPECT_EQ(excerpt.rest, "corvex-scenario-fetch: starting\n==================\n==================\n");
  EXPECT_EQ(excerpt.sanitizerReports,
            "WARNING: ThreadSanitizer: data race (pid=7)\n"
            "  Write of size 8 at 0x7b04 by thread T3:\n"
            "SUMMARY: ThreadSanitizer: data race segment_table.cpp:40 in Complete\n"
            "download/image_store.cpp:12:5: runtime error: signed integer overflow\n"
            "SUMMARY: UndefinedBehaviorSanitizer: undefined-behavior image_store.cpp:12:5\n"
            "==9==ERROR: AddressSanitizer: heap-use-after-free on address 0x6020\n"
            "    #0 0x55 in Dispatch\n"
            "status=5 error_code=0 error=NoError cdn=0\n");

  // The engine's own warnings are no sanitizer's.
  EXPECT_TRUE(
      SplitSanitizerReports("WARNING: mirror 3: connection refused\nERROR: Timeout: x\n").sanitizerReports.empty());
}

TEST(OutputExcerpt, LastLinesKeepsTheEndOfTheOutput) {
  EXPECT_EQ(LastLines("a\nb\nc\n", 2), "b\nc\n");
  EXPECT_EQ(LastLines("a\nb\nc", 2), "b\nc\n");
  EXPECT_EQ(LastLines("a\nb\n", 5), "a\nb\n");
  EXPECT_EQ(LastLines("", 5), "");
  EXPECT_EQ(LastLines("a\n", 0), "");
}

}  // namespace
