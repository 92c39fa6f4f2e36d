// The archive handler: the 7-Zip console program run as a child with a console
// argument vector, its output turned into the progress and error hooks.
#pragma once

#include "install/seven_zip_console.h"

// SevenZipMain's result when no extraction was started: the program could not run,
// the archive could not be opened, or an item would land outside the output folder.
inline constexpr int kSevenZipNotRun = -1;

// `argv`: [0] our own path, "x", the archive, "-o<folder>", optionally "-p<password>".
// Lists the archive first and extracts only when every path and link stays inside
// the output folder. Returns the program's exit status or kSevenZipNotRun. `times`
// (may be null) receives the listing and extraction times.
int SevenZipMain(int argc, const char* const argv[], I7zFileInfoCallback* receiver, SevenZipErrorHook onError,
                 SevenZipProgressHook onProgress, SevenZipPhaseTimes* times = nullptr);
