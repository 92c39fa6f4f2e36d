#include "install/seven_zip_handler.h"

#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "base/install_log.h"
#include "install/seven_zip_listing.h"
#include "install/seven_zip_program.h"
#include "platform/landlock.h"

using base::WriteLog;

namespace install {

namespace {

// Keeps the error reports of the listing run; they matter only when the listing is
// all the handler could do.
class RecordingReceiver : public I7zFileInfoCallback {
 public:
  void OnProgress(std::uint32_t, std::uint32_t) override {}
  void OnError(int code) override { codes.push_back(code); }
  std::vector<int> codes;
};

SevenZipEnd EndOf(const platform::ChildProcessResult& result) {
  switch (result.outcome) {
    case platform::ChildOutcome::Exited: return SevenZipEnd::Exited;
    case platform::ChildOutcome::Signalled: return SevenZipEnd::Signalled;
    case platform::ChildOutcome::NotStarted: break;
  }
  return SevenZipEnd::NotStarted;
}

// The listing check of a program run without confinement: the listing opened the
// archive, and no path or link of it leaves the folder. False, logged, otherwise.
bool PassesListingCheck(ArchiveCheck& check, const std::string& archive, const std::string& passwordSwitch,
                        I7zFileInfoCallback* receiver, SevenZipErrorHook onError) {
  ArchiveListing& listing = check.listing;
  if (!listing.opened) {
    for (int code : check.errorCodes) {
      if (onError) onError(receiver, code);
    }
    WriteLog("SevenZipMain : cannot open archive %s.\n", archive.c_str());
    return false;
  }
  if (!ReadLinkTargets(archive, passwordSwitch, listing)) {
    WriteLog("SevenZipMain : refused %s, its link targets cannot be read.\n", archive.c_str());
    return false;
  }
  if (auto problem = FindEscapingEntry(listing.entries)) {
    WriteLog("SevenZipMain : refused %s, %s.\n", archive.c_str(), problem->c_str());
    return false;
  }
  return true;
}

// The listing the result is checked against, made on its own thread while the
// program extracts: under confinement it guards nothing, so it adds no time.
class ListingBeside {
 public:
  ListingBeside(const std::string& archive, const std::string& passwordSwitch, const std::atomic<bool>* cancel,
                bool onlySevenZip) {
    auto list = [this, archive, passwordSwitch, cancel, onlySevenZip] {
      check_ = ListForCheck(archive, passwordSwitch, cancel, onlySevenZip);
    };
    try {
      thread_ = std::thread(list);
    } catch (const std::system_error&) {
      list();
    }
  }
  ListingBeside(const ListingBeside&) = delete;
  ListingBeside& operator=(const ListingBeside&) = delete;
  ~ListingBeside() { Finish(); }
  ArchiveCheck& Finish() {
    if (thread_.joinable()) thread_.join();
    return check_;
  }

 private:
  std::thread thread_;
  ArchiveCheck check_;
};

}  // namespace

bool LandlockRefusedByEnvironment() {
  const char* value = std::getenv("CORVEX_EXTRACT_NO_LANDLOCK");
  return value != nullptr && std::strcmp(value, "1") == 0;
}

bool LandlockUsable() { return !LandlockRefusedByEnvironment() && platform::LandlockAbi() > 0; }

ArchiveCheck ListForCheck(const std::string& archive, const std::string& passwordSwitch,
                          const std::atomic<bool>* cancel, bool onlySevenZip) {
  RecordingReceiver reports;
  SevenZipConsoleReader reader({&reports, ForwardSevenZipError, nullptr});
  ArchiveCheck check;
  check.listing = ListArchive(archive, passwordSwitch, &reader, cancel, onlySevenZip);
  check.errorCodes = std::move(reports.codes);
  return check;
}

SevenZipRunReport SevenZipMain(int argc, const char* const argv[], I7zFileInfoCallback* receiver,
                               SevenZipErrorHook onError, SevenZipProgressHook onProgress,
                               const SevenZipRunControl& control) {
  SevenZipRunReport report;
  SevenZipPhaseTimer timer(control.times);
  SevenZipHooks hooks{receiver, onError, onProgress};
  SevenZipConsoleReader reader(hooks);
  if (argc < 4 || argv == nullptr || std::strncmp(argv[3], "-o", 2) != 0) {
    reader.OnEnd(SevenZipEnd::Exited, kSevenZipCommandLineError);
    return report;
  }
  std::vector<std::string> args(argv, argv + argc);
  const std::string& archive = args[2];
  const std::string outputFolder = args[3].substr(2);
  std::string passwordSwitch = args.size() > 4 ? args[4] : std::string();
  const bool havePrelisted = control.prelisted != nullptr && control.prelisted->Clean();

  platform::FileConfinement confinement;
  if (control.allowLandlock && !LandlockRefusedByEnvironment()) {
    confinement = platform::FileConfinement::Create({archive}, {outputFolder});
  }
  std::optional<ListingBeside> beside;
  if (confinement.Valid()) {
    report.guard = SevenZipGuard::Landlock;
    report.landlockAbi = confinement.Abi();
    WriteLog("SevenZipMain : %s confined by Landlock (ABI %d) to %s, not listed first.\n", archive.c_str(),
             confinement.Abi(), outputFolder.c_str());
    if (havePrelisted) {
      report.check = std::move(*control.prelisted);
    } else {
      beside.emplace(archive, passwordSwitch, control.cancel, control.onlySevenZip);
    }
  } else {
    report.guard = SevenZipGuard::ListingCheck;
    WriteLog("SevenZipMain : no Landlock confinement, %s listed and checked first.\n", archive.c_str());
    report.check = havePrelisted ? std::move(*control.prelisted)
                                 : ListForCheck(archive, passwordSwitch, control.cancel, control.onlySevenZip);
    if (control.cancel && control.cancel->load()) {
      report.cancelled = true;
      report.guard = SevenZipGuard::None;
      return report;
    }
    if (!PassesListingCheck(report.check, archive, passwordSwitch, receiver, onError)) {
      report.guard = SevenZipGuard::None;
      return report;
    }
    timer.Lap(&SevenZipPhaseTimes::listing);
  }

  // Beyond the caller's vector: -y answers the overwrite questions, which nobody is
  // there to answer; -bsp1 keeps the percentage display on stdout although it is a
  // pipe; -bse1 puts the error lines into the same stream, so that they keep their
  // order against the percentages and the summary.
  std::vector<std::string> childArgs = args;
  childArgs.insert(childArgs.end(), {"-y", "-bsp1", "-bse1"});
  if (control.onlySevenZip) childArgs.push_back("-t7z");
  platform::ChildProcessRequest request = SevenZipRequest(childArgs, !passwordSwitch.empty());
  request.lineBreaks = "\n\r\b";
  request.onLine = [&](platform::ChildStream, std::string_view piece) { reader.OnPiece(piece); };
  request.cancel = control.cancel;
  request.confinement = confinement.Descriptor();
  platform::ChildProcessResult result = platform::RunChildProcess(request);
  reader.OnEnd(EndOf(result), result.exitCode);
  timer.Lap(&SevenZipPhaseTimes::extraction);
  if (beside) {
    report.check = std::move(beside->Finish());
    timer.Lap(&SevenZipPhaseTimes::listing);
  }
  report.cancelled = result.cancelled;
  report.errorLines = reader.ErrorLines();
  report.firstErrorLine = reader.FirstErrorLine();
  report.diskFull = reader.DiskFull();
  report.notWritable = reader.NotWritable();
  if (result.outcome == platform::ChildOutcome::NotStarted) {
    report.guard = SevenZipGuard::None;
    return report;
  }
  report.status = result.outcome == platform::ChildOutcome::Exited ? result.exitCode : kSevenZipUserBreak;
  return report;
}

}  // namespace install
