// bench-extract: C7ZOperator::Extract of an archive held in memory, as the package
// reader calls it, against plain `7zz x` of the same archive file, in alternating
// runs of one process. Prints each run with the machine's load, then the median of
// every phase and the ratios, of wall time and of processor time (which a machine
// that others load disturbs far less).
// usage: bench-extract <archive> <work folder> <runs>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "install/seven_zip_callback.h"
#include "install/seven_zip_program.h"
#include "platform/cpu_time.h"

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
};

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

Cost ExtractOurs(const std::string& archive, const std::string& out, SevenZipPhaseTimes& phases) {
  RemoveOutput(out);
  int errors = 0;
  C7ZOperator extractor;
  extractor.SetProgressCallback([&](int event, unsigned, long) {
    if (event == kExtractErrorEvent) ++errors;
    return 1;
  });
  CpuClock cpu;
  auto start = std::chrono::steady_clock::now();
  bool ok = extractor.Extract(archive.data(), static_cast<std::uint32_t>(archive.size()), out.c_str(), nullptr, true);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  phases = extractor.LastPhaseTimes();
  return {ok && errors == 0 ? seconds : -1, cpu.Seconds()};
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
  std::string archive(static_cast<size_t>(in.tellg()), '\0');
  in.seekg(0);
  in.read(archive.data(), static_cast<std::streamsize>(archive.size()));
  const std::string outOurs = work + "/out-ours";
  const std::string outPeer = work + "/out-peer";

  std::vector<double> ours, peer, ratios, oursCpu, peerCpu, cpuRatios, staging, listing, extraction, cleanup;
  std::printf("%-4s %8s %8s %8s %8s | %8s %8s %6s | %8s %8s %6s | %s\n", "run", "staging", "listing", "7zz run",
              "clean-up", "ours", "7zz x", "ratio", "ours cpu", "7zz cpu", "ratio", "load (1, 5, 15 min)");
  for (int run = 0; run < runs; ++run) {
    SevenZipPhaseTimes phases;
    Cost oursCost, peerCost;
    // Alternating who goes first evens out a load that changes within a round.
    if (run % 2 == 0) {
      oursCost = ExtractOurs(archive, outOurs, phases);
      peerCost = ExtractPeer(archivePath, outPeer);
    } else {
      peerCost = ExtractPeer(archivePath, outPeer);
      oursCost = ExtractOurs(archive, outOurs, phases);
    }
    if (oursCost.wall < 0 || peerCost.wall < 0) {
      std::fprintf(stderr, "bench-extract: run %d failed (%s)\n", run + 1, oursCost.wall < 0 ? "ours" : "7zz x");
      return 1;
    }
    ours.push_back(oursCost.wall);
    peer.push_back(peerCost.wall);
    ratios.push_back(oursCost.wall / peerCost.wall);
    oursCpu.push_back(oursCost.cpu);
    peerCpu.push_back(peerCost.cpu);
    cpuRatios.push_back(oursCost.cpu / peerCost.cpu);
    staging.push_back(phases.staging);
    listing.push_back(phases.listing);
    extraction.push_back(phases.extraction);
    cleanup.push_back(phases.cleanup);
    std::printf("%-4d %8.4f %8.4f %8.4f %8.4f | %8.4f %8.4f %6.3f | %8.4f %8.4f %6.3f | %s\n", run + 1, phases.staging,
                phases.listing, phases.extraction, phases.cleanup, oursCost.wall, peerCost.wall, ratios.back(),
                oursCost.cpu, peerCost.cpu, cpuRatios.back(), LoadAverage().c_str());
  }
  std::printf("%-4s %8.4f %8.4f %8.4f %8.4f | %8.4f %8.4f %6.3f | %8.4f %8.4f %6.3f | %s\n", "med", Median(staging),
              Median(listing), Median(extraction), Median(cleanup), Median(ours), Median(peer),
              Median(ours) / Median(peer), Median(oursCpu), Median(peerCpu), Median(oursCpu) / Median(peerCpu),
              LoadAverage().c_str());
  std::printf("median of the per-run ratios: wall %.3f, processor %.3f (target <= 1.10)\n", Median(ratios),
              Median(cpuRatios));
  std::printf("ratio of the fastest runs:    wall %.3f (%.4f s / %.4f s)\n", Fastest(ours) / Fastest(peer),
              Fastest(ours), Fastest(peer));
  return 0;
}
