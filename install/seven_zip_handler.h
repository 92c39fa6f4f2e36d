// The archive handler: the 7-Zip console program run as a child with a console
// argument vector, its output turned into the progress and error hooks.
#pragma once

#include <string>
#include <vector>

#include "install/seven_zip_console.h"
#include "install/seven_zip_listing.h"

// SevenZipMain's result when no extraction was started: the program could not run,
// the archive could not be opened, or an item would land outside the output folder.
inline constexpr int kSevenZipNotRun = -1;

// What listing an archive before its extraction found.
struct ArchiveCheck {
  ArchiveListing listing;
  std::vector<int> errorCodes;  // the listing run's error reports
  // A listing made of a copy holding only the headers stands for the archive's own
  // only when it went through without a complaint.
  bool Clean() const { return listing.opened && errorCodes.empty(); }
};
ArchiveCheck ListForCheck(const std::string& archive, const std::string& passwordSwitch);

// `argv`: [0] our own path, "x", the archive, "-o<folder>", optionally "-p<password>".
// Lists the archive first (or takes `prelisted` when it is clean) and extracts only
// when every path and link stays inside the output folder. Returns the program's
// exit status or kSevenZipNotRun. `times` (may be null) receives the listing and
// extraction times.
int SevenZipMain(int argc, const char* const argv[], I7zFileInfoCallback* receiver, SevenZipErrorHook onError,
                 SevenZipProgressHook onProgress, SevenZipPhaseTimes* times = nullptr,
                 ArchiveCheck* prelisted = nullptr);
