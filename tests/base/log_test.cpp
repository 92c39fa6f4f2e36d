#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <sstream>
#include <thread>
#include <vector>

#include "base/install_log.h"
#include "base/log_text.h"
#include "platform/path.h"
#include "platform/text.h"
#include "sandbox.h"

using namespace base;

using testing_support::Sandbox;

namespace {

const std::string kSeparator = "\n\n" + std::string(40, '-') + "\n00:00:00 : Init Log OK.\n";

std::atomic<int> g_listened{0};
int CountingListener(const char*) { return ++g_listened, 1; }

}  // namespace

TEST(InstallLog, PrefixIsElapsedTimeWithUnwrappedHours) {
  EXPECT_EQ(ILog::FormatPrefix(0), "00:00:00 : ");
  EXPECT_EQ(ILog::FormatPrefix(999), "00:00:00 : ");
  EXPECT_EQ(ILog::FormatPrefix(3725 * 1000), "01:02:05 : ");
  EXPECT_EQ(ILog::FormatPrefix(3725 * 1000).size(), 11u);
  EXPECT_EQ(ILog::FormatPrefix(100u * 3600 * 1000), "100:00:00 : ");
  EXPECT_EQ(ILog::FormatPrefix(100u * 3600 * 1000).size(), 12u);
}

TEST(InstallLog, RunsAppendWithSeparatorsAndExactLines) {
  Sandbox sandbox;
  const std::wstring path = GetDocumentsPath(L"Corvex11/Log/", L"install.log", true);
  EXPECT_EQ(platform::WideToNarrow(path), sandbox.documents() + "/Corvex11/Log/install.log");
  ILog first;
  first.Init(path);
  first.Write("Setup Init. Version 1.0.6.0");
  first.Write("Test Mode : true\n");
  first.Write("two\nlines");
  ILog second;
  second.Init(path);
  second.Write("Exit app.");
  EXPECT_EQ(Sandbox::ReadFile(platform::WideToNarrow(path)),
            kSeparator +
                "00:00:00 : Setup Init. Version 1.0.6.0\n00:00:00 : Test Mode : true\n\n"
                "00:00:00 : two\nlines\n" +
                kSeparator + "00:00:00 : Exit app.\n");
}

TEST(InstallLog, OthersTextIsPrintableAndShort) {
  EXPECT_EQ(PrintableLogText("1 spare capacity"), "1 spare capacity");
  EXPECT_EQ(PrintableLogText("a\nb\r\tc\x7f\x1b[2J"
                             "d"),
            "a?b??c??[2Jd");
  EXPECT_EQ(PrintableLogText(std::string(5000, 'x')), std::string(200, 'x'));
  EXPECT_EQ(PrintableLogText("abcdef", 3), "abc");
  // A cut never leaves half a character behind.
  EXPECT_EQ(PrintableLogText("ab\xc3\xa9", 3), "ab");
  EXPECT_EQ(PrintableLogText("ab\xc3\xa9", 4), "ab\xc3\xa9");
}

TEST(InstallLog, LinkAtTheLogsNameIsNeverWrittenThrough) {
  Sandbox sandbox;
  const std::wstring path = GetDocumentsPath(L"Corvex11/Log/", L"install.log", true);
  const std::string target = sandbox.root() + "/root-owned";
  Sandbox::WriteFile(target, "root's own words\n");
  ASSERT_EQ(::symlink(target.c_str(), platform::WideToNarrow(path).c_str()), 0);
  ILog log;
  EXPECT_EQ(log.Init(path), 1);
  g_listened = 0;
  log.SetLogCallback(&CountingListener);
  log.Write("Setup Init.");
  EXPECT_EQ(g_listened, 1);  // the run goes on, without a file
  EXPECT_EQ(Sandbox::ReadFile(target), "root's own words\n");

  // Nor is a file created behind a dangling one.
  ::unlink(target.c_str());
  log.Write("Exit app.");
  EXPECT_FALSE(platform::PathFileExists(target));
}

TEST(InstallLog, ListenerHearsEveryMessageEvenWhenTheFileCannotBeWritten) {
  Sandbox sandbox;
  // Documents is a file, so no log folder can be made below it.
  Sandbox::WriteFile(sandbox.documents(), "not a folder");
  ILog log;
  EXPECT_EQ(log.Init(GetDocumentsPath(L"Corvex11/Log/", L"install.log", true)), 1);
  g_listened = 0;
  log.SetLogCallback(&CountingListener);
  log.Write("a");
  log.Write("b");
  EXPECT_EQ(g_listened.load(), 2);
  // Before Init there is no file at all, and the listener still hears.
  ILog fresh;
  fresh.SetLogCallback(&CountingListener);
  fresh.Write("c");
  EXPECT_EQ(g_listened.load(), 3);
}

TEST(InstallLog, OverlongMessagesAreCutAndConcurrentLinesNeverInterleave) {
  Sandbox sandbox;
  const std::wstring path = GetDocumentsPath(L"Corvex11/Log/", L"install.log", true);
  GetLog()->Init(path);
  WriteLog("%s", std::string(20000, 'x').c_str());
  constexpr int kThreads = 4, kLines = 200;
  std::vector<std::thread> writers;
  for (int t = 0; t < kThreads; ++t) {
    writers.emplace_back([t] {
      for (int i = 0; i < kLines; ++i) WriteLog("thread %d line %d %s", t, i, "payload-payload-payload");
    });
  }
  for (auto& writer : writers) writer.join();

  std::istringstream lines(Sandbox::ReadFile(platform::WideToNarrow(path)));
  std::string line;
  int messages = 0;
  // "hh:mm:ss : thread T line N payload-payload-payload", whole.
  auto wellFormed = [](const std::string& text) {
    int t = -1, n = -1, used = 0;
    if (text.size() < 11 || text.compare(2, 1, ":") != 0 || text.compare(8, 3, " : ") != 0) return false;
    if (std::sscanf(text.c_str() + 11, "thread %d line %d payload-payload-payload%n", &t, &n, &used) != 2) return false;
    return used > 0 && static_cast<size_t>(used) == text.size() - 11 && t >= 0 && n >= 0;
  };
  while (std::getline(lines, line)) {
    if (line.find("xxx") != std::string::npos) {
      EXPECT_EQ(line.size(), 11 + ILog::kMaxMessage);
    } else if (line.find("thread") != std::string::npos) {
      EXPECT_TRUE(wellFormed(line)) << line;
      ++messages;
    }
  }
  EXPECT_EQ(messages, kThreads * kLines);
}
