// The archive handler: the 7-Zip console program run as a child with a console
// argument vector, its output turned into the progress and error hooks.
#pragma once

#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include "install/seven_zip_console.h"
#include "install/seven_zip_listing.h"
#include "install/seven_zip_phase_times.h"

namespace install {

// The status when no extraction was started: the program could not run, the archive
// could not be opened, or an item would land outside the output folder.
inline constexpr int kSevenZipNotRun = -1;

// What listing an archive found.
struct ArchiveCheck {
  ArchiveListing listing;
  std::vector<int> errorCodes;  // the listing run's error reports
  // A listing made of a copy holding only the headers stands for the archive's own
  // only when it went through without a complaint.
  bool Clean() const { return listing.opened && errorCodes.empty(); }
};
// `cancel` (may be null) ends the listing run early.
ArchiveCheck ListForCheck(const std::string& archive, const std::string& passwordSwitch,
                          const std::atomic<bool>* cancel = nullptr, bool onlySevenZip = false);

// What kept the archive's entries inside the output folder.
enum class SevenZipGuard {
  None,          // nothing was extracted
  Landlock,      // the kernel confined the program to the folder: no listing first
  ListingCheck,  // the archive was listed and every path and link checked first
};

// What one run needs beyond its argument vector.
struct SevenZipRunControl {
  SevenZipPhaseTimes* times = nullptr;        // receives the listing and extraction times
  ArchiveCheck* prelisted = nullptr;          // a listing made before, taken when clean
  const std::atomic<bool>* cancel = nullptr;  // turns true: the program is killed
  bool allowLandlock = true;                  // false: list and check first in any case
  bool onlySevenZip = false;                  // "-t7z": the archive is a 7z one inside the file
};

// How the run ended and what the caller needs to check its result.
struct SevenZipRunReport {
  int status = kSevenZipNotRun;  // the exit status; kSevenZipUserBreak when killed
  SevenZipGuard guard = SevenZipGuard::None;
  int landlockAbi = 0;
  bool cancelled = false;
  // The program's complaints (SevenZipConsoleReader).
  int errorLines = 0;
  std::string firstErrorLine;
  bool diskFull = false;
  bool notWritable = false;
  // The archive's listing, made before or beside the extraction.
  ArchiveCheck check;
  bool Succeeded() const { return !cancelled && (status == 0 || status == 1) && errorLines == 0; }
};

// `argv`: [0] our own path, "x", the archive, "-o<folder>", optionally "-p<password>".
// Under a Landlock ruleset that lets the program read only the archive and change
// only the output folder, it extracts at once while the archive is listed beside it;
// without one it lists first (or takes a clean `prelisted`) and extracts only when
// every path and link stays inside the folder.
SevenZipRunReport SevenZipMain(int argc, const char* const argv[], I7zFileInfoCallback* receiver,
                               SevenZipErrorHook onError, SevenZipProgressHook onProgress,
                               const SevenZipRunControl& control = {});

// True when extraction would run confined: the kernel offers Landlock and the
// environment does not refuse it.
bool LandlockUsable();

// True when the environment asks for the listing check even where Landlock is
// available (CORVEX_EXTRACT_NO_LANDLOCK=1; set by the tests of that path).
bool LandlockRefusedByEnvironment();

}  // namespace install
