#include "engine_harness.h"

#include <gtest/gtest.h>

#include <optional>
#include <thread>

#include "base/install_log.h"
#include "download/md5_digest.h"

using namespace base;
using namespace download;

namespace testing_support {

struct RecorderState {
  mutable std::mutex mutex;
  std::condition_variable changed;
  std::vector<Event> events;
};

namespace {
bool IsEnd(const Event& e) { return e.event == kDownloadEventFailed || e.event == kDownloadEventFinished; }
}  // namespace

std::shared_ptr<RecorderState> EventRecorder::MakeState() { return std::make_shared<RecorderState>(); }

ProgressCallback EventRecorder::Callback() {
  std::shared_ptr<RecorderState> state = state_;
  return [state](int wire, unsigned code, long value) {
    const std::optional<DownloadEvent> event = DecodeEvent<DownloadEvent>(wire);
    if (!event) {
      ADD_FAILURE() << "the engine sent event number " << wire;
      return 1;
    }
    Event recorded{*event, code, value};
    if (*event == kDownloadEventSegmentEnded) {
      const DownloadItem* item = SegmentEndedItem(value);
      if (item) recorded.itemId = item->nId;
    }
    std::lock_guard<std::mutex> lock(state->mutex);
    state->events.push_back(recorded);
    state->changed.notify_all();
    return 1;
  };
}

bool EventRecorder::WaitForEvent(DownloadEvent event, std::chrono::milliseconds limit, std::size_t count) {
  std::unique_lock<std::mutex> lock(state_->mutex);
  return state_->changed.wait_for(lock, limit, [&] {
    std::size_t seen = 0;
    for (const Event& e : state_->events) seen += e.event == event ? 1 : 0;
    return seen >= count;
  });
}

bool EventRecorder::WaitForEnd(std::chrono::milliseconds limit) {
  std::unique_lock<std::mutex> lock(state_->mutex);
  return state_->changed.wait_for(lock, limit, [&] {
    for (const Event& e : state_->events) {
      if (IsEnd(e)) return true;
    }
    return false;
  });
}

std::vector<Event> EventRecorder::Events() const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->events;
}

std::size_t EventRecorder::Count() const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->events.size();
}

std::vector<Event> EventRecorder::Ends() const {
  std::vector<Event> ends;
  for (const Event& e : Events()) {
    if (IsEnd(e)) ends.push_back(e);
  }
  return ends;
}

namespace {
std::mutex g_logMutex;
std::vector<std::string> g_logLines;
int CaptureLine(const char* text) {
  std::lock_guard<std::mutex> lock(g_logMutex);
  g_logLines.emplace_back(text);
  return 0;
}
}  // namespace

LogCapture::LogCapture() {
  {
    std::lock_guard<std::mutex> lock(g_logMutex);
    g_logLines.clear();
  }
  GetLog()->SetLogCallback(&CaptureLine);
}

LogCapture::~LogCapture() { GetLog()->SetLogCallback(nullptr); }

bool LogCapture::Contains(const std::string& text) const { return CountOf(text) > 0; }

int LogCapture::CountOf(const std::string& text) const {
  std::lock_guard<std::mutex> lock(g_logMutex);
  int count = 0;
  for (const std::string& line : g_logLines) count += line.find(text) != std::string::npos ? 1 : 0;
  return count;
}

std::string LogCapture::Text() const {
  std::lock_guard<std::mutex> lock(g_logMutex);
  std::string text;
  for (const std::string& line : g_logLines) text += line;
  return text;
}

std::string ManifestText::Build() const {
  std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<download";
  if (!version.empty()) xml += " version=\"" + version + "\"";
  xml += " size=\"" + size + "\" name=\"pkg.exe\">\n";
  xml += "\t<url size=\"" + (urlSize.empty() ? std::to_string(urls.size()) : urlSize) + "\">\n";
  for (std::size_t i = 0; i < urls.size(); ++i) {
    xml += "\t\t<item_" + std::to_string(i) + " value=\"" + urls[i] + "\"/>\n";
  }
  xml += "\t</url>\n\t<hash size=\"" + (hashSize.empty() ? std::to_string(digests.size()) : hashSize) + "\">\n";
  for (std::size_t i = 0; i < digests.size(); ++i) {
    xml += "\t\t<item_" + std::to_string(i) + " value=\"" + digests[i] + "\"/>\n";
  }
  xml += "\t</hash>\n</download>\n";
  return xml;
}

ManifestText ManifestFor(const std::string& content, const std::vector<std::string>& urls) {
  ManifestText manifest;
  manifest.size = std::to_string(content.size());
  manifest.urls = urls;
  manifest.digests.push_back(Md5Hex(content.data(), content.size()));
  for (std::size_t offset = 0; offset < content.size(); offset += 1048576) {
    manifest.digests.push_back(
        Md5Hex(content.data() + offset, std::min<std::size_t>(1048576, content.size() - offset)));
  }
  return manifest;
}

PingFunction PingTable::Function() const {
  auto table = echoMs;
  auto counter = calls;
  return [table, counter](const std::string& url, std::uint32_t& echo) {
    ++*counter;
    auto it = table.find(url);
    if (it == table.end()) return false;
    echo = it->second;
    return true;
  };
}

std::unique_ptr<DownloaderCurl> NewEngine(const PingTable& pings, EventRecorder& recorder) {
  auto engine = std::make_unique<DownloaderCurl>();
  engine->SetPingFunction(pings.Function());
  engine->SetCallback(recorder.Callback());
  return engine;
}

bool WaitForStop(DownloaderCurl& engine, EventRecorder& recorder, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  if (!recorder.WaitForEnd(limit)) return false;
  while (engine.IsDownloading()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

bool WaitForRelease(const std::weak_ptr<const void>& state, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!state.expired()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

std::string PatternContent(std::size_t size, unsigned seed) {
  std::string content(size, '\0');
  std::uint32_t x = seed * 2654435761u + 1;
  for (std::size_t i = 0; i < size; ++i) {
    x = x * 1103515245u + 12345u;
    content[i] = static_cast<char>(x >> 24);
  }
  return content;
}

ScriptedMirrors::ScriptedMirrors(const std::string& script, const std::string& content, const std::string& name) {
  const std::string package = (folder_ / name).string();
  Sandbox::WriteFile(package, content);
  if (!server_.StartMirrors(script, package)) ADD_FAILURE() << "corvex-devserver did not start:\n" << server_.Output();
}

int ScriptedMirrors::Gets(std::size_t mirror) {
  server_.Stop();
  return server_.PackageRequests(mirror, "GET");
}

}  // namespace testing_support
