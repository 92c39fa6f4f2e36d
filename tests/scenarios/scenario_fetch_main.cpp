// corvex-scenario-fetch: one download of a scenario, driven through IDownloader in the
// order the setup dialog uses, with the install log written to a given file. Prints
// one machine-readable line at the end:
//   status=5 error_code=0 error=NoError cdn=0
//
//   corvex-scenario-fetch MANIFEST TARGET LOG
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>

#include "base/install_log.h"
#include "download/downloader.h"
#include "platform/text.h"

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
  std::atomic<int> endEvent{0};
  engine->SetCallback([&endEvent](int event, unsigned, long) {
    if (event == 4 || event == 5) endEvent = event;
    return 1;
  });
  engine->DownloadByConfigData(manifest.c_str(), manifest.size(), argv[2]);
  // The download has ended once the engine stopped running and said how.
  while (endEvent == 0 || engine->IsDownloading()) std::this_thread::sleep_for(std::chrono::milliseconds(50));

  std::printf("status=%d error_code=%d error=%s cdn=%d\n", engine->GetStatus(), engine->GetErrorCode(),
              engine->GetErrorString().c_str(), engine->IsUsingCdn() ? 1 : 0);
  std::fflush(stdout);
  engine->StopDownload();
  return 0;
}
