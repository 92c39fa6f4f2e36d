// Archive fixtures for the package tests: real 7z archives made with the 7-Zip
// program, a sandbox with its own temporary folder, and a recorder of callback events.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "base/progress_events.h"
#include "platform/child_process.h"
#include "sandbox.h"

namespace test_archives {

namespace fs = std::filesystem;

struct Event {
  base::InstallEvent event;
  unsigned code;
  long value;
  bool operator==(const Event& other) const {
    return std::tie(event, code, value) == std::tie(other.event, other.code, other.value);
  }
};

inline std::ostream& operator<<(std::ostream& out, const Event& e) {
  return out << "(" << e.event << ", " << e.code << ", " << e.value << ")";
}

// Collects every ProgressCallback call, decoded; the callback returns 1 like the
// dialog's. A number no install sender sends fails the test.
struct EventLog {
  std::vector<Event> events;
  base::ProgressCallback Callback() {
    return [this](int wire, unsigned code, long value) {
      const std::optional<base::InstallEvent> event = base::DecodeEvent<base::InstallEvent>(wire);
      if (event) {
        events.push_back({*event, code, value});
      } else {
        ADD_FAILURE() << "an install sender sent event number " << wire;
      }
      return 1;
    };
  }
  // The reader's own events, without the extractor's that it passes on.
  std::vector<Event> ReaderEvents() const {
    std::vector<Event> own;
    for (const Event& e : events) {
      if (e.event != base::kInstallEventExtractPercent && e.event != base::kInstallEventExtractError) own.push_back(e);
    }
    return own;
  }
  std::vector<unsigned> Codes(base::InstallEvent event) const {
    std::vector<unsigned> codes;
    for (const Event& e : events) {
      if (e.event == event) codes.push_back(e.code);
    }
    return codes;
  }
};

// A sandbox whose temporary folder (TMPDIR) lies inside it.
class ArchiveSandbox : public testing_support::Sandbox {
 public:
  ArchiveSandbox() {
    temp_ = root() + "/tmp/";
    fs::create_directories(temp_);
    ::setenv("TMPDIR", temp_.c_str(), 1);
  }
  ~ArchiveSandbox() { ::unsetenv("TMPDIR"); }
  const std::string& temp() const { return temp_; }
  std::string Path(const std::string& relative) const { return root() + "/" + relative; }

 private:
  std::string temp_;
};

// Runs 7zz in `folder` with `args`; fails the test when it does not succeed.
inline void SevenZip(const std::string& folder, std::vector<std::string> args) {
  platform::ChildProcessRequest request;
  request.program = "/usr/bin/7zz";
  request.argv = {"7zz"};
  request.argv.insert(request.argv.end(), args.begin(), args.end());
  request.workingDirectory = folder;
  std::string output;
  request.onLine = [&](platform::ChildStream, std::string_view line) { output += std::string(line) + "\n"; };
  platform::ChildProcessResult result = platform::RunChildProcess(request);
  ASSERT_EQ(result.outcome, platform::ChildOutcome::Exited) << output;
  ASSERT_EQ(result.exitCode, 0) << output;
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Bytes that do not compress, the same for the same seed.
inline std::string NoiseBytes(size_t size, unsigned seed) {
  std::mt19937_64 generator(seed);
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; i += 8) {
    std::uint64_t word = generator();
    for (size_t j = 0; j < 8 && i + j < size; ++j) bytes[i + j] = static_cast<char>(word >> (8 * j));
  }
  return bytes;
}

// Makes a folder with a few product-like files.
inline void MakeSampleTree(const std::string& folder) {
  WriteFile(folder + "/Corvex64.exe", "main program");
  WriteFile(folder + "/README.txt", "read me\n");
  WriteFile(folder + "/lib/data.bin", NoiseBytes(200000, 7));
}

// Packs the contents of `folder` into `archive`; `extra` are more switches.
inline std::string PackFolder(const std::string& folder, const std::string& archive,
                              std::vector<std::string> extra = {}) {
  std::vector<std::string> args = {"a", "-bd", "-bso0", "-bsp0"};
  args.insert(args.end(), extra.begin(), extra.end());
  args.push_back(archive);
  args.push_back(".");
  SevenZip(folder, args);
  return ReadFile(archive);
}

}  // namespace test_archives
