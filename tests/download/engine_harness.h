// What the engine tests share: a recording progress sink, a captured install log,
// manifest text and a ping table.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "download/downloader_curl.h"
#include "sandbox.h"
#include "tests/common/devserver_process.h"

namespace testing_support {

struct Event {
  base::DownloadEvent event;
  unsigned code;
  long value;
  int itemId = -1;  // segment ended: the nId of the item its value points at, read during the call
};

// Records every event, decoded; a number the engine does not send fails the test. The
// download has ended once a failed or finished event arrived.
class EventRecorder {
 public:
  base::ProgressCallback Callback();
  bool WaitForEnd(std::chrono::milliseconds limit = std::chrono::seconds(60));
  bool WaitForEvent(base::DownloadEvent event, std::chrono::milliseconds limit, std::size_t count = 1);
  std::vector<Event> Events() const;
  std::size_t Count() const;
  std::vector<Event> Ends() const;  // the failed and finished events

 private:
  std::shared_ptr<struct RecorderState> state_ = MakeState();
  static std::shared_ptr<struct RecorderState> MakeState();
};

// Install log lines written while the capture lives.
class LogCapture {
 public:
  LogCapture();
  ~LogCapture();
  bool Contains(const std::string& text) const;
  int CountOf(const std::string& text) const;
  std::string Text() const;
};

struct ManifestText {
  std::string version = "1";
  std::string size;
  std::vector<std::string> urls;
  std::string urlSize;               // defaults to the number of urls
  std::vector<std::string> digests;  // item_0 first
  std::string hashSize;              // defaults to the number of digests
  std::string Build() const;
};

// A manifest for `content` on `urls`, with upper-case digests.
ManifestText ManifestFor(const std::string& content, const std::vector<std::string>& urls);

// Echo times by URL; URLs not listed do not answer.
struct PingTable {
  std::map<std::string, std::uint32_t> echoMs;
  std::shared_ptr<int> calls = std::make_shared<int>(0);
  download::PingFunction Function() const;
};

std::unique_ptr<download::DownloaderCurl> NewEngine(const PingTable& pings, EventRecorder& recorder);

// Waits for the end event and then for the engine to report that it stopped running.
bool WaitForStop(download::DownloaderCurl& engine, EventRecorder& recorder,
                 std::chrono::milliseconds limit = std::chrono::seconds(60));

// Waits until every engine thread has let go of the engine's state.
bool WaitForRelease(const std::weak_ptr<const void>& state, std::chrono::milliseconds limit = std::chrono::seconds(10));

std::string PatternContent(std::size_t size, unsigned seed = 7);

// corvex-devserver serving `content` as "/download/<name>" on the mirrors of `script`
// (scenario mirror sections), for the length of a test.
class ScriptedMirrors {
 public:
  ScriptedMirrors(const std::string& script, const std::string& content, const std::string& name = "pkg.exe");
  std::string Url(std::size_t mirror) const { return server_.MirrorUrl(mirror); }
  std::string Base(std::size_t mirror) const { return server_.MirrorBase(mirror); }
  // GETs of the package a mirror answered. Stops the server first, so that none is missed.
  int Gets(std::size_t mirror);

 private:
  TempFolder folder_{"corvex-mirrors"};
  DevserverProcess server_;
};

}  // namespace testing_support
