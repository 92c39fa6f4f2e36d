// corvex-scenario-fetch: one download of a scenario, driven through IDownloader in the
// order the setup dialog uses, with the install log written to a given file. Prints
// one machine-readable line at the end:
//   status=5 error_code=0 error=NoError cdn=0
//
//   corvex-scenario-fetch MANIFEST TARGET LOG
//
// With CORVEX_SCHEDULE_JITTER=SEED in the environment the engine's threads are held up
// for random short moments at their hand-over points, and the item table is checked
// after every dispatch pass; a broken table ends the program with status 3.
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>

#include "base/install_log.h"
#include "download/downloader_curl.h"
#include "platform/text.h"
#include "tests/scenarios/range_partition.h"

using namespace base;
using namespace download;

namespace {

// Sleeps of 0-2 ms at one point in four, from a generator per thread.
ScheduleHook JitterHook(unsigned seed) {
  return [seed](SchedulePoint point, const DownloadItemMap* items, std::uint32_t fileSize,
                const std::vector<ByteRange>* kept) {
    if (items) {
      const std::string fault = FindPartitionFault(*items, fileSize, kept ? *kept : std::vector<ByteRange>());
      if (!fault.empty()) {
        std::fprintf(stderr, "corvex-scenario-fetch: item table broken after a dispatch pass: %s\n", fault.c_str());
        std::fflush(stderr);
        _exit(3);
      }
      return;
    }
    thread_local std::uint64_t state = 0;
    if (state == 0) state = (seed * 0x9E3779B97F4A7C15ull) ^ reinterpret_cast<std::uintptr_t>(&state) ^ 1;
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    // A split gets a longer hold-up: the moment between deciding it and starting it.
    const unsigned extra = point == SchedulePoint::Split ? 500 : 0;
    if (state % 4 == 0) std::this_thread::sleep_for(std::chrono::microseconds((state >> 8) % 2000 + extra));
  };
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: corvex-scenario-fetch MANIFEST TARGET LOG\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "corvex-scenario-fetch: cannot read %s\n", argv[1]);
    return 2;
  }
  const std::string manifest((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  GetLog()->Init(platform::NarrowToWide(argv[3]));

  IDownloader* created = nullptr;
  if (!CreateDownloader(&created) || created == nullptr) return 2;
  std::unique_ptr<IDownloader> engine(created);
  if (const char* jitter = std::getenv("CORVEX_SCHEDULE_JITTER")) {
    if (auto* curl = dynamic_cast<DownloaderCurl*>(engine.get())) {
      curl->SetScheduleHook(JitterHook(static_cast<unsigned>(std::strtoul(jitter, nullptr, 10))));
    }
  }
  std::atomic<int> endEvent{0};
  engine->SetCallback(ReceiveDecoded<DownloadEvent>([&endEvent](DownloadEvent event, unsigned, long) {
    if (event == kDownloadEventFailed || event == kDownloadEventFinished) endEvent = event;
    return 1;
  }));
  engine->DownloadByConfigData(manifest.c_str(), manifest.size(), argv[2]);
  // The download has ended once the engine stopped running and said how.
  while (endEvent == 0 || engine->IsDownloading()) std::this_thread::sleep_for(std::chrono::milliseconds(50));

  std::printf("status=%d error_code=%d error=%s cdn=%d\n", engine->GetStatus(), engine->GetErrorCode(),
              engine->GetErrorString().c_str(), engine->IsUsingCdn() ? 1 : 0);
  std::fflush(stdout);
  engine->StopDownload();
  // A stopped engine's threads still ending must not meet the TLS library's exit clean-up.
  return WaitForDownloadThreads(std::chrono::seconds(10)) ? 0 : 3;
}
