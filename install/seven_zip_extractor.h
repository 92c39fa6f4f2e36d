// Stages an archive (in memory, or a range of an open file) in a private temporary
// folder and runs the archive handler on it. Created on the stack for one extraction.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "install/seven_zip_callback.h"
#include "install/seven_zip_early_listing.h"
#include "install/seven_zip_handler.h"
#include "install/seven_zip_staging.h"

namespace install {

class C7ZExtractor {
 public:
  explicit C7ZExtractor(I7zFileInfoCallback* callback, const std::atomic<bool>* cancel = nullptr)
      : callback_(callback), cancel_(cancel) {}

  // True only when the archive was extracted completely: staged (else error 263), run
  // to its end without an error, and every entry found in the folder as listed.
  // Whatever the end, the private folder is removed unless the run succeeded and
  // `removeExtractTemp` is false. Failure() says why it failed.
  bool ExtractBuffer(const void* buffer, std::uint32_t size, const char* outputFolder, const char* password,
                     bool removeExtractTemp);
  // The same for the archive at [offset, offset + size) of `source`: the file itself
  // when nobody else can change it and the program finds exactly that archive in it,
  // else a copy made in the kernel. A range beyond the file is a staging failure.
  bool ExtractFileRange(std::FILE* source, std::uint64_t offset, std::uint32_t size, const char* outputFolder,
                        const char* password, bool removeExtractTemp);

  const SevenZipPhaseTimes& PhaseTimes() const { return times_; }
  ExtractFailure Failure() const { return failure_; }
  SevenZipGuard Guard() const { return guard_; }

 private:
  // The archive expected at a position of the staged file (the linked package).
  struct ExpectedRange {
    std::uint64_t offset;
    std::uint64_t size;
  };
  // Everything after staging: the log line, the handler run, the checks and the clean-up.
  bool ExtractStaged(SevenZipStaging& staging, SevenZipStaging::Result staged, ArchiveCheck* prelisted,
                     SevenZipPhaseTimer& timer, const char* outputFolder, const char* password, bool removeExtractTemp,
                     std::optional<ExpectedRange> expected = std::nullopt);
  // Why a run that ended failed, logged; None when it succeeded.
  ExtractFailure Judge(SevenZipRunReport& report, const char* outputFolder,
                       const std::optional<ExpectedRange>& expected);
  void ReportError(int code);

  I7zFileInfoCallback* callback_;
  const std::atomic<bool>* cancel_;
  SevenZipPhaseTimes times_;
  ExtractFailure failure_ = ExtractFailure::None;
  SevenZipGuard guard_ = SevenZipGuard::None;
};

}  // namespace install
