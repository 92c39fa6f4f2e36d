#include "install/seven_zip_handler.h"

#include <string>
#include <utility>
#include <vector>

#include "base/install_log.h"
#include "install/seven_zip_listing.h"
#include "install/seven_zip_program.h"

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
    case platform::ChildOutcome::Exited:
      return SevenZipEnd::Exited;
    case platform::ChildOutcome::Signalled:
      return SevenZipEnd::Signalled;
    case platform::ChildOutcome::NotStarted:
      break;
  }
  return SevenZipEnd::NotStarted;
}

}  // namespace

ArchiveCheck ListForCheck(const std::string& archive, const std::string& passwordSwitch) {
  RecordingReceiver reports;
  SevenZipConsoleReader reader({&reports, ForwardSevenZipError, nullptr});
  ArchiveCheck check;
  check.listing = ListArchive(archive, passwordSwitch, &reader);
  check.errorCodes = std::move(reports.codes);
  return check;
}

int SevenZipMain(int argc, const char* const argv[], I7zFileInfoCallback* receiver, SevenZipErrorHook onError,
                 SevenZipProgressHook onProgress, SevenZipPhaseTimes* times, ArchiveCheck* prelisted) {
  SevenZipPhaseTimer timer(times);
  SevenZipHooks hooks{receiver, onError, onProgress};
  SevenZipConsoleReader reader(hooks);
  if (argc < 4 || argv == nullptr) {
    reader.OnEnd(SevenZipEnd::Exited, kSevenZipCommandLineError);
    return kSevenZipNotRun;
  }
  std::vector<std::string> args(argv, argv + argc);
  const std::string& archive = args[2];
  std::string passwordSwitch = args.size() > 4 ? args[4] : std::string();

  ArchiveCheck check = prelisted != nullptr && prelisted->Clean() ? std::move(*prelisted)
                                                                   : ListForCheck(archive, passwordSwitch);
  ArchiveListing& listing = check.listing;
  if (!listing.opened) {
    for (int code : check.errorCodes) {
      if (onError) onError(receiver, code);
    }
    WriteLog("SevenZipMain : cannot open archive %s.", archive.c_str());
    return kSevenZipNotRun;
  }
  if (!ReadLinkTargets(archive, passwordSwitch, listing)) {
    WriteLog("SevenZipMain : refused %s, its link targets cannot be read.", archive.c_str());
    return kSevenZipNotRun;
  }
  if (auto problem = FindEscapingEntry(listing.entries)) {
    WriteLog("SevenZipMain : refused %s, %s.", archive.c_str(), problem->c_str());
    return kSevenZipNotRun;
  }
  timer.Lap(&SevenZipPhaseTimes::listing);

  // Beyond the caller's vector: -y answers the overwrite questions, which nobody is
  // there to answer; -bsp1 keeps the percentage display on stdout although it is a
  // pipe; -bse1 puts the error lines into the same stream, so that they keep their
  // order against the percentages and the summary.
  std::vector<std::string> childArgs = args;
  childArgs.insert(childArgs.end(), {"-y", "-bsp1", "-bse1"});
  platform::ChildProcessRequest request = SevenZipRequest(childArgs, !passwordSwitch.empty());
  request.lineBreaks = "\n\r\b";
  request.onLine = [&](platform::ChildStream, std::string_view piece) { reader.OnPiece(piece); };
  platform::ChildProcessResult result = platform::RunChildProcess(request);
  reader.OnEnd(EndOf(result), result.exitCode);
  timer.Lap(&SevenZipPhaseTimes::extraction);
  if (result.outcome == platform::ChildOutcome::NotStarted) return kSevenZipNotRun;
  return result.outcome == platform::ChildOutcome::Exited ? result.exitCode : kSevenZipUserBreak;
}
