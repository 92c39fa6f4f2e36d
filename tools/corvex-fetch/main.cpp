// corvex-fetch: runs the download engine alone on a manifest.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "base/install_log.h"
#include "download/downloader_curl.h"
#include "fetch_progress.h"
#include "platform/terminal.h"
#include "platform/text.h"

using namespace base;
using namespace download;

namespace {

constexpr const char kUsage[] =
    "Usage: corvex-fetch (--manifest FILE | --manifest-url URL) --output PATH\n"
    "                    [--proxy HOST:PORT] [--no-ping] [--segments] [--log FILE] [--quiet]\n"
    "\n"
    "Downloads the setup package that a manifest describes from its mirrors into PATH,\n"
    "verifies it block by block and repairs bad blocks, as the installer does. What an\n"
    "interrupted run left at PATH is kept where its blocks verify.\n"
    "\n"
    "  --manifest FILE      manifest file to load\n"
    "  --manifest-url URL   manifest to fetch first (kept as PATH.cfg)\n"
    "  --output PATH        target file; a symbolic link or a device (/dev/null) at PATH\n"
    "                       is refused, a link in the folders above it is followed\n"
    "  --proxy HOST:PORT    HTTP proxy for every request\n"
    "  --no-ping            do not send ICMP echoes; every mirror counts as answering in 0 ms\n"
    "  --segments           print the segment table at the end\n"
    "  --log FILE           append the engine's log lines to FILE (the install log format)\n"
    "  --quiet              no progress display\n"
    "\n"
    "Mirrors and the manifest URL may use http and https; https certificates are\n"
    "verified against the system's CA store, or against the CA file named by the\n"
    "environment variable CORVEX_CA_FILE (for mirrors with a private CA).\n"
    "\n"
    "Progress is a bar on a terminal and one line per second otherwise. The exit status\n"
    "is 0 when the file is complete and verified, 1 when the download failed (the error\n"
    "name is printed) and 2 for usage errors.\n";

struct Options {
  std::string manifestFile;
  std::string manifestUrl;
  std::string output;
  std::string proxy;
  std::string logFile;
  bool noPing = false;
  bool segments = false;
  bool quiet = false;
};

int UsageError(const std::string& message) {
  std::fprintf(stderr, "corvex-fetch: %s\n", message.c_str());
  return 2;
}

int ParseArguments(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= argc) return false;
      out = argv[++i];
      return true;
    };
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 1;
    } else if (arg == "--manifest") {
      if (!value(options.manifestFile)) return UsageError("--manifest needs a file");
    } else if (arg == "--manifest-url") {
      if (!value(options.manifestUrl)) return UsageError("--manifest-url needs a URL");
    } else if (arg == "--output") {
      if (!value(options.output)) return UsageError("--output needs a path");
    } else if (arg == "--proxy") {
      if (!value(options.proxy)) return UsageError("--proxy needs HOST:PORT");
    } else if (arg == "--log") {
      if (!value(options.logFile)) return UsageError("--log needs a file");
    } else if (arg == "--no-ping") {
      options.noPing = true;
    } else if (arg == "--segments") {
      options.segments = true;
    } else if (arg == "--quiet") {
      options.quiet = true;
    } else {
      return UsageError("unknown argument '" + arg + "' (see --help)");
    }
  }
  if (options.manifestFile.empty() == options.manifestUrl.empty()) {
    return UsageError("give exactly one of --manifest and --manifest-url (see --help)");
  }
  if (options.output.empty()) return UsageError("--output is required (see --help)");
  if (options.output.size() >= static_cast<std::size_t>(kMaxPath) - 4) {
    return UsageError("--output path is longer than the installer's 260-character limit");
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  const int parsed = ParseArguments(argc, argv, options);
  if (parsed != 0) return parsed == 1 ? 0 : parsed;

  std::string manifest;
  if (!options.manifestFile.empty()) {
    std::ifstream in(options.manifestFile, std::ios::binary);
    if (!in) return UsageError("cannot read manifest " + options.manifestFile);
    manifest.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  if (!options.logFile.empty()) GetLog()->Init(platform::NarrowToWide(options.logFile));

  auto engine = std::make_unique<DownloaderCurl>();
  if (options.noPing) {
    engine->SetPingFunction([](const std::string&, std::uint32_t& echo) {
      echo = 0;
      return true;
    });
  }
  if (!options.proxy.empty()) engine->SetProxy(options.proxy);
  if (const char* caFile = std::getenv("CORVEX_CA_FILE"); caFile && *caFile) engine->SetCaFile(caFile);
  // The end is waited for, not polled: a benchmark measures the engine, not a sleep.
  std::mutex endMutex;
  std::condition_variable endSignal;
  int endEvent = 0;  // under endMutex
  engine->SetCallback(ReceiveDecoded<DownloadEvent>([&](DownloadEvent event, unsigned, long) {
    if (event == kDownloadEventFailed || event == kDownloadEventFinished) {
      std::lock_guard<std::mutex> guard(endMutex);
      endEvent = event;
      endSignal.notify_all();
    }
    return 1;
  }));

  const HRESULT started = options.manifestFile.empty()
                              ? engine->DownloadByConfigUrl(options.manifestUrl, options.output)
                              : engine->DownloadByConfigData(manifest.c_str(), manifest.size(), options.output);
  if (FAILED(started)) {
    std::fprintf(stderr, "corvex-fetch: the download could not start (0x%08X)\n", static_cast<unsigned>(started));
    return 1;
  }

  const bool terminal = platform::IsTerminal(stdout);
  const auto begin = std::chrono::steady_clock::now();
  auto lastPrint = begin;
  std::uint32_t lastBytes = 0;
  double rate = 0;
  for (;;) {
    {
      std::unique_lock<std::mutex> guard(endMutex);
      const bool ended =
          endSignal.wait_for(guard, std::chrono::milliseconds(terminal ? 200 : 100), [&] { return endEvent != 0; });
      if (ended && !engine->IsDownloading()) break;
    }
    const auto now = std::chrono::steady_clock::now();
    const double elapsed = std::chrono::duration<double>(now - lastPrint).count();
    if (options.quiet || elapsed < (terminal ? 0.5 : 1.0)) continue;
    DownloadInfo info;
    engine->GetDownloadInfo(info);
    const double instant = info.nDownloaded >= lastBytes ? (info.nDownloaded - lastBytes) / elapsed : 0;
    rate = rate == 0 ? instant : 0.6 * instant + 0.4 * rate;
    lastBytes = info.nDownloaded;
    lastPrint = now;
    const ProgressSample sample = SampleOf(info, rate);
    if (terminal) {
      std::printf("\r%s", FormatBar(sample).c_str());
    } else {
      std::printf("%s\n", FormatLine(sample).c_str());
    }
    std::fflush(stdout);
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
  if (terminal && !options.quiet) std::printf("\n");

  DownloadInfo info;
  engine->GetDownloadInfo(info);
  if (options.segments) PrintSegmentTable(stdout, info);
  const int status = engine->GetStatus();
  const std::string error = engine->GetErrorString();
  const bool usedCdn = engine->IsUsingCdn();
  engine->StopDownload();
  engine.reset();
  WaitForDownloadThreads(std::chrono::seconds(5));

  if (status != kDownloadStatusFinished) {
    std::fprintf(stderr, "corvex-fetch: download failed: %s (status %d)\n", error.c_str(), status);
    return 1;
  }
  if (!options.quiet) {
    std::printf("%s: complete and verified in %.1f s (%s)%s\n", options.output.c_str(), seconds,
                error == "NoNeedDownload" ? "already present"
                                          : FormatRate(info.nFileSize / (seconds > 0 ? seconds : 1)).c_str(),
                usedCdn ? ", CDN used" : "");
  }
  return 0;
}
