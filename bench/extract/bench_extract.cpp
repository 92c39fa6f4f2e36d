// bench-extract: C7ZOperator::Extract of an archive held in memory, and
// C7ZOperator::ExtractFileRange of the same archive inside a package-like file (as
// the package reader calls it), against plain `7zz x` of the archive file, in
// alternating runs of one process. Prints each run with the machine's load, then the median of
// every phase and the ratios, of wall time and of processor time (which a machine
// that others load disturbs far less).
// usage: bench-extract <archive> <work folder> <runs>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "base/progress_events.h"
#include "install/seven_zip_callback.h"
#include "install/seven_zip_handler.h"
#include "install/seven_zip_program.h"
#include "platform/cpu_time.h"
#include "platform/landlock.h"
#include "platform/large_buffer.h"

using namespace base;
using namespace install;

namespace {

std::string LoadAverage() {
  std::ifstream in("/proc/loadavg");
  std::string one, five, fifteen;
  in >> one >> five >> fifteen;
  return one + " " + five + " " + fifteen;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double Fastest(const std::vector<double>& values) { return *std::min_element(values.begin(), values.end()); }

// Wall and processor seconds of one side; wall is negative when its extraction failed.
struct Cost {
  double wall = -1;
  double cpu = 0;
  SevenZipGuard guard = SevenZipGuard::None;  // what kept our extraction inside its folder
};

const char* GuardName(SevenZipGuard guard) {
  switch (guard) {
    case SevenZipGuard::Landlock: return "Landlock, no listing run before the extraction";
    case SevenZipGuard::ListingCheck: return "none, the archive listed and checked before the extraction";
    case SevenZipGuard::None: break;
  }
  return "no extraction";
}

// The guard every run of one side used, or a note that it changed between runs.
std::string GuardsUsed(const std::vector<SevenZipGuard>& guards) {
  for (SevenZipGuard guard : guards) {
    if (guard != guards.front()) return "changed between runs";
  }
  return guards.empty() ? "no runs" : GuardName(guards.front());
}

// Processor time of this process and of the children it waited for since construction.
class CpuClock {
 public:
  double Seconds() const {
    platform::CpuSeconds now = platform::GetCpuSeconds();
    return now.self - start_.self + now.children - start_.children;
  }

 private:
  platform::CpuSeconds start_ = platform::GetCpuSeconds();
};

// Each side starts right after deleting what it extracted last time: which side runs
// after a deletion otherwise changes its cost by more than the difference measured.
void RemoveOutput(const std::string& out) {
  std::error_code error;
  std::filesystem::remove_all(out, error);
}

// Our sides extract into a folder that is there already, as the installer's new install
// folder is: only a folder that exists can be named in the confinement's rules.
void RenewOutputFolder(const std::string& out) {
  RemoveOutput(out);
  std::error_code error;
  std::filesystem::create_directory(out, error);
}

// Runs one of our two paths with a callback that counts error reports.
template <typename Run>
Cost ExtractOurs(const std::string& out, SevenZipPhaseTimes& phases, Run run) {
  RenewOutputFolder(out);
  int errors = 0;
  C7ZOperator extractor;
  extractor.SetProgressCallback(ReceiveDecoded<InstallEvent>([&](InstallEvent event, unsigned, long) {
    if (event == kInstallEventExtractError) ++errors;
    return 1;
  }));
  CpuClock cpu;
  auto start = std::chrono::steady_clock::now();
  bool ok = run(extractor);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  phases = extractor.LastPhaseTimes();
  return {ok && errors == 0 ? seconds : -1, cpu.Seconds(), extractor.LastGuard()};
}

Cost ExtractFromMemory(const unsigned char* archive, std::uint32_t size, const std::string& out,
                       SevenZipPhaseTimes& phases) {
  return ExtractOurs(out, phases, [&](C7ZOperator& extractor) {
    return extractor.Extract(archive, size, out.c_str(), nullptr, true);
  });
}

// The archive sits behind a block of `offset` bytes of the open `package`, as a payload does.
Cost ExtractFromPackage(std::FILE* package, long offset, std::uint32_t size, const std::string& out,
                        SevenZipPhaseTimes& phases) {
  return ExtractOurs(out, phases, [&](C7ZOperator& extractor) {
    return extractor.ExtractFileRange(package, static_cast<std::uint64_t>(offset), size, out.c_str(), nullptr, true);
  });
}

Cost ExtractPeer(const std::string& archivePath, const std::string& out) {
  RemoveOutput(out);
  platform::ChildProcessRequest request;
  request.program = kSevenZipProgram;
  request.argv = {"7zz", "x", "-bso0", "-bsp0", archivePath, "-o" + out};
  CpuClock cpu;
  auto start = std::chrono::steady_clock::now();
  platform::ChildProcessResult result = platform::RunChildProcess(request);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  bool ok = result.outcome == platform::ChildOutcome::Exited && result.exitCode == 0;
  return {ok ? seconds : -1, cpu.Seconds()};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fputs("usage: bench-extract <archive> <work folder> <runs>\n", stderr);
    return 2;
  }
  const std::string archivePath = argv[1];
  const std::string work = argv[2];
  const int runs = std::atoi(argv[3]);
  std::ifstream in(archivePath, std::ios::binary | std::ios::ate);
  const auto size = static_cast<std::uint32_t>(in.tellg());
  in.seekg(0);
  // Held the way the installer holds a downloaded image in memory.
  std::shared_ptr<unsigned char> image = platform::AllocateLargeBuffer(size);
  if (!image) {
    std::fputs("bench-extract: no memory for the archive\n", stderr);
    return 1;
  }
  in.read(reinterpret_cast<char*>(image.get()), static_cast<std::streamsize>(size));
  // A package-like file: a block in front of the archive, read back through an open stream.
  constexpr long kPackageBlock = 4096;
  const std::string packagePath = work + "/package.bin";
  {
    std::ofstream package(packagePath, std::ios::binary);
    package << std::string(kPackageBlock, '\0');
    package.write(reinterpret_cast<const char*>(image.get()), static_cast<std::streamsize>(size));
  }
  std::FILE* package = std::fopen(packagePath.c_str(), "rb");
  if (package == nullptr) {
    std::fputs("bench-extract: cannot open the package copy\n", stderr);
    return 1;
  }
  const std::string outMemory = work + "/out-ours";
  const std::string outFile = work + "/out-file";
  const std::string outPeer = work + "/out-peer";

  if (LandlockUsable()) {
    std::printf("Landlock ABI %d offered\n", platform::LandlockAbi());
  } else {
    std::printf("Landlock not offered or refused by the environment\n");
  }
  std::vector<double> memory, file, peer, memoryRatios, fileRatios, fileCpuRatios;
  std::vector<double> memoryStaging, fileStaging, listing, extraction, cleanup;
  std::vector<SevenZipGuard> memoryGuards, fileGuards;
  std::printf("%-4s %8s %8s %8s %8s %8s | %8s %8s %8s %6s %6s | %8s %8s %6s | %s\n", "run", "stg mem", "stg file",
              "listing", "7zz run", "clean-up", "memory", "file", "7zz x", "r mem", "r file", "file cpu", "7zz cpu",
              "r cpu", "load (1, 5, 15 min)");
  for (int run = 0; run < runs; ++run) {
    SevenZipPhaseTimes memoryPhases, filePhases;
    Cost memoryCost, fileCost, peerCost;
    // Reversing the order every other run evens out a load that changes within a round.
    auto runMemory = [&] { memoryCost = ExtractFromMemory(image.get(), size, outMemory, memoryPhases); };
    auto runFile = [&] { fileCost = ExtractFromPackage(package, kPackageBlock, size, outFile, filePhases); };
    auto runPeer = [&] { peerCost = ExtractPeer(archivePath, outPeer); };
    if (run % 2 == 0) {
      runMemory();
      runFile();
      runPeer();
    } else {
      runPeer();
      runFile();
      runMemory();
    }
    if (memoryCost.wall < 0 || fileCost.wall < 0 || peerCost.wall < 0) {
      std::fprintf(stderr, "bench-extract: run %d failed (%s)\n", run + 1,
                   memoryCost.wall < 0 ? "memory"
                   : fileCost.wall < 0 ? "file"
                                       : "7zz x");
      return 1;
    }
    memoryGuards.push_back(memoryCost.guard);
    fileGuards.push_back(fileCost.guard);
    memory.push_back(memoryCost.wall);
    file.push_back(fileCost.wall);
    peer.push_back(peerCost.wall);
    memoryRatios.push_back(memoryCost.wall / peerCost.wall);
    fileRatios.push_back(fileCost.wall / peerCost.wall);
    fileCpuRatios.push_back(fileCost.cpu / peerCost.cpu);
    memoryStaging.push_back(memoryPhases.staging);
    fileStaging.push_back(filePhases.staging);
    listing.push_back(filePhases.listing);
    extraction.push_back(filePhases.extraction);
    cleanup.push_back(filePhases.cleanup);
    std::printf("%-4d %8.4f %8.4f %8.4f %8.4f %8.4f | %8.4f %8.4f %8.4f %6.3f %6.3f | %8.4f %8.4f %6.3f | %s\n",
                run + 1, memoryPhases.staging, filePhases.staging, filePhases.listing, filePhases.extraction,
                filePhases.cleanup, memoryCost.wall, fileCost.wall, peerCost.wall, memoryRatios.back(),
                fileRatios.back(), fileCost.cpu, peerCost.cpu, fileCpuRatios.back(), LoadAverage().c_str());
  }
  std::fclose(package);
  std::printf("%-4s %8.4f %8.4f %8.4f %8.4f %8.4f | %8.4f %8.4f %8.4f %6.3f %6.3f | %8s %8s %6.3f | %s\n", "med",
              Median(memoryStaging), Median(fileStaging), Median(listing), Median(extraction), Median(cleanup),
              Median(memory), Median(file), Median(peer), Median(memory) / Median(peer), Median(file) / Median(peer),
              "", "", Median(fileCpuRatios), LoadAverage().c_str());
  std::printf("confinement that ran: from memory %s; from the package file %s\n", GuardsUsed(memoryGuards).c_str(),
              GuardsUsed(fileGuards).c_str());
  std::printf("median of the per-run ratios: memory %.3f, file %.3f, file processor %.3f (target <= 1.10)\n",
              Median(memoryRatios), Median(fileRatios), Median(fileCpuRatios));
  std::printf("ratio of the fastest runs:    memory %.3f, file %.3f (%.4f s, %.4f s / %.4f s)\n",
              Fastest(memory) / Fastest(peer), Fastest(file) / Fastest(peer), Fastest(memory), Fastest(file),
              Fastest(peer));
  return 0;
}
