// corvex-fetch killed with SIGKILL in the middle of a download and started again on
// the same target: the file it leaves has the package's length, and the second run
// asks the mirror only for the blocks the first had not completed.
#include <gtest/gtest.h>
#include <signal.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/child_process.h"
#include "tests/common/devserver_process.h"
#include "tests/common/sandbox.h"
#include "tests/scenarios/outcome_check.h"
#include "tests/scenarios/scenario_run.h"
#include "tools/devserver/scenario.h"

namespace {

namespace fs = std::filesystem;

// One slow mirror: two segments of 8 MiB at 1 MB/s each, well under way but far from
// done when the first run is killed.
constexpr char kScenario[] =
    "[package]\nsize = 16777216\nseed = 21\nname = corvex_resume.exe\n"
    "[mirror 1]\nrate = 1000000\n";
constexpr double kKillAtPercent = 40.0;

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::pair<std::string, std::string>> SandboxEnvironment(const fs::path& folder) {
  return {{"CORVEX_SYSROOT", (folder / "root").string()},
          {"HOME", (folder / "home").string()},
          {"XDG_CONFIG_HOME", (folder / "home/.config").string()},
          {"XDG_DATA_HOME", (folder / "home/.local/share").string()},
          {"XDG_STATE_HOME", (folder / "home/.local/state").string()}};
}

class ResumeAfterKill : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* binaryDir = std::getenv("CORVEX_BINARY_DIR");
    ASSERT_NE(binaryDir, nullptr);
    tools_ = ToolsOfBuildTree(binaryDir);
    for (const char* dir : {"mirror", "root", "home"}) fs::create_directories(folder_ / dir);
    devserver::ParseResult parsed = devserver::ParseScenario(kScenario);
    ASSERT_TRUE(parsed.scenario) << parsed.error;
    params_ = parsed.scenario->package;
    package_ = devserver::GeneratePackage(params_);
    packagePath_ = folder_ / "mirror" / params_.name;
    std::ofstream(packagePath_, std::ios::binary)
        .write(reinterpret_cast<const char*>(package_.data()), static_cast<std::streamsize>(package_.size()));
    target_ = folder_ / "home" / params_.name;
  }

  // A fresh devserver for the scenario and a manifest naming its port.
  bool StartMirror(testing_support::DevserverProcess& server, const fs::path& manifest) {
    if (!server.StartMirrors(kScenario, packagePath_.string())) {
      ADD_FAILURE() << "corvex-devserver did not get ready:\n" << server.Output();
      return false;
    }
    platform::ChildProcessRequest request;
    request.program = tools_.manifest;
    request.argv = {tools_.manifest,   "--package", packagePath_.string(), "--stem",     "corvex11mini",
                    "--version",       "11.0.9.2",  "--url-name",          params_.name, "--output",
                    manifest.string(), "--mirror",  server.MirrorBase(0)};
    const platform::ChildProcessResult result = platform::RunChildProcess(request);
    if (result.outcome != platform::ChildOutcome::Exited || result.exitCode != 0) {
      ADD_FAILURE() << "corvex-manifest failed";
      return false;
    }
    return true;
  }

  // corvex-fetch on the target; killed with SIGKILL once its progress line shows
  // `killAtPercent` when that is given.
  platform::ChildProcessResult Fetch(const fs::path& manifest, const fs::path& log, double killAtPercent,
                                     bool& killed) {
    platform::ChildProcessRequest request;
    // The shell says its pid and becomes corvex-fetch, so the pid is the fetch's own.
    request.program = "/bin/sh";
    request.argv = {"/bin/sh",
                    "-c",
                    "echo pid $$; exec \"$0\" \"$@\"",
                    tools_.corvexFetch,
                    "--manifest",
                    manifest.string(),
                    "--output",
                    target_.string(),
                    "--no-ping",
                    "--log",
                    log.string()};
    request.extraEnv = SandboxEnvironment(folder_.Path());
    pid_t pid = 0;
    killed = false;
    request.onLine = [&](platform::ChildStream, std::string_view line) {
      const std::string text(line);
      if (text.rfind("pid ", 0) == 0) {
        pid = static_cast<pid_t>(std::atoi(text.c_str() + 4));
        return;
      }
      char* end = nullptr;
      const double percent = std::strtod(text.c_str(), &end);
      if (killAtPercent > 0 && !killed && pid > 0 && end && *end == '%' && percent >= killAtPercent) {
        killed = ::kill(pid, SIGKILL) == 0;
      }
    };
    return platform::RunChildProcess(request);
  }

  testing_support::TempFolder folder_{"corvex-resume-kill"};
  ScenarioTools tools_;
  devserver::PackageParams params_;
  std::vector<std::uint8_t> package_;
  fs::path packagePath_;
  fs::path target_;
};

TEST_F(ResumeAfterKill, SecondRunFetchesOnlyTheBlocksTheFirstDidNotComplete) {
  bool killed = false;
  {
    testing_support::DevserverProcess server;
    ASSERT_TRUE(StartMirror(server, folder_ / "first.xml"));
    const platform::ChildProcessResult first =
        Fetch(folder_ / "first.xml", folder_ / "first.log", kKillAtPercent, killed);
    ASSERT_TRUE(killed && first.outcome == platform::ChildOutcome::Signalled)
        << "the first run ended before it could be killed:\n"
        << ReadText(folder_ / "first.log");
  }

  // What the killed run left: the full length, some blocks complete, the rest not.
  const std::string left = ReadText(target_);
  ASSERT_EQ(left.size(), package_.size()) << "a killed download must leave a file of the package's length";
  std::vector<std::uint32_t> missingBlocks;
  std::uint64_t missingBytes = 0;
  for (std::uint64_t offset = 0; offset < package_.size(); offset += devserver::kBlockSize) {
    const std::uint64_t length = std::min<std::uint64_t>(devserver::kBlockSize, package_.size() - offset);
    if (left.compare(offset, length, reinterpret_cast<const char*>(package_.data() + offset), length) != 0) {
      missingBlocks.push_back(static_cast<std::uint32_t>(offset / devserver::kBlockSize));
      missingBytes += length;
    }
  }
  const std::size_t blocks = (package_.size() + devserver::kBlockSize - 1) / devserver::kBlockSize;
  const std::size_t kept = blocks - missingBlocks.size();
  ASSERT_GT(kept, 0u) << "no block was complete when the first run was killed";
  ASSERT_FALSE(missingBlocks.empty());

  testing_support::DevserverProcess server;
  ASSERT_TRUE(StartMirror(server, folder_ / "second.xml"));
  const platform::ChildProcessResult second = Fetch(folder_ / "second.xml", folder_ / "second.log", 0, killed);
  server.Stop();
  const std::string log = ReadText(folder_ / "second.log");
  ASSERT_TRUE(second.outcome == platform::ChildOutcome::Exited && second.exitCode == 0) << log;

  EXPECT_NE(log.find("Download_BeginDownload : resume, " + std::to_string(kept) + " of " + std::to_string(blocks) +
                     " blocks kept."),
            std::string::npos)
      << log;
  const std::vector<ServedContent> served = ServedContentOf(server.Output(), package_.size());
  for (const std::string& outside : RequestsOutside(served, missingBlocks)) ADD_FAILURE() << outside;
  // Every missing byte once, and little more: a transfer cut at a split may have had a
  // few paced pieces on their way.
  const std::uint64_t sent = SentBytes(served);
  EXPECT_GE(sent, missingBytes);
  EXPECT_LT(sent, missingBytes + devserver::kBlockSize) << server.Output();
  RecordProperty("kept_blocks", std::to_string(kept));
  RecordProperty("missing_bytes", std::to_string(missingBytes));
  RecordProperty("sent_bytes", std::to_string(sent));

  const std::string result = ReadText(target_);
  EXPECT_TRUE(result.size() == package_.size() &&
              result.compare(0, result.size(), reinterpret_cast<const char*>(package_.data()), package_.size()) == 0)
      << "the resumed file is not the package";
}

}  // namespace
