#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "telemetry/crash_report_main.h"

using namespace telemetry;

// A test that arms the crash filter and then crashes starts this program again as its
// reporter. That run must end at once: running every test again would crash again and
// start another, without end.
int main(int argc, char** argv) {
  if (argc > 1 && std::string(argv[1]) == kSendCrashReportSwitch) {
    std::fprintf(stderr, "test program started as a crash reporter: the test run crashed\n");
    return 1;
  }
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
