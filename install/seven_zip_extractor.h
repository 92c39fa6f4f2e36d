// Stages an archive (in memory, or a range of an open file) in a private temporary
// folder and runs the archive handler on it. Created on the stack for one extraction.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "install/seven_zip_callback.h"
#include "install/seven_zip_early_listing.h"
#include "install/seven_zip_staging.h"

class C7ZExtractor {
 public:
  explicit C7ZExtractor(I7zFileInfoCallback* callback) : callback_(callback) {}

  // False when an argument is null, the archive cannot be staged (error 263), or the
  // handler did not run; true once it ran, whatever it reported.
  bool ExtractBuffer(const void* buffer, std::uint32_t size, const char* outputFolder, const char* password,
                     bool removeExtractTemp);
  // The same for the archive at [offset, offset + size) of `source`: the file itself
  // when nobody else can change it and the program finds exactly that archive in it,
  // else a copy made in the kernel. A range beyond the file is a staging failure.
  bool ExtractFileRange(std::FILE* source, std::uint64_t offset, std::uint32_t size, const char* outputFolder,
                        const char* password, bool removeExtractTemp);

  const SevenZipPhaseTimes& PhaseTimes() const { return times_; }

 private:
  // Everything after staging: the log line, the handler run and the clean-up.
  bool ExtractStaged(SevenZipStaging& staging, SevenZipStaging::Result staged, ArchiveCheck* prelisted,
                     SevenZipPhaseTimer& timer, const char* outputFolder, const char* password,
                     bool removeExtractTemp);
  void ReportError(int code);

  I7zFileInfoCallback* callback_;
  SevenZipPhaseTimes times_;
};
