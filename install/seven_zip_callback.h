// The receiver of the archive handler's reports and its one implementation, which
// forwards them to the install dialog as ProgressCallback events.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>

#include "base/progress_callback.h"
#include "install/seven_zip_phase_times.h"

namespace install {

class I7zFileInfoCallback {
 public:
  virtual ~I7zFileInfoCallback() = default;
  // A 64-bit progress value in two halves, low half first.
  virtual void OnProgress(std::uint32_t low, std::uint32_t high) = 0;
  virtual void OnError(int code) = 0;
};

// Error codes of the handler (and 263 of the driver).
enum SevenZipError : int {
  kSevenZipFatalError = 2,
  kSevenZipCommandLineError = 7,
  kSevenZipOutOfMemory = 8,
  kSevenZipUserBreak = 255,
  kSevenZipPasswordMissing = 260,
  kSevenZipDataError = 261,
  kSevenZipArchivesWithErrors = 262,
  kSevenZipStagingFailed = 263,
};

// Why an extraction did not complete.
enum class ExtractFailure {
  None,
  Staging,          // the archive could not be staged (error 263)
  ArchiveUnusable,  // not opened, or refused: an entry would land outside the folder
  DiskFull,         // the program said the disk was full
  NotWritable,      // the program could not write the folder
  Failed,           // any other error, or the folder does not hold what the archive lists
  Cancelled,
};
// Which guard kept the entries inside the folder (install/seven_zip_handler.h).
enum class SevenZipGuard;

// Owned by the thread that extracts; reports arrive on that thread.
class C7ZOperator : public I7zFileInfoCallback {
 public:
  void SetProgressCallback(base::ProgressCallback progress) { progress_ = std::move(progress); }
  // Another thread may set `cancel` (which outlives the extraction) to end it.
  void SetCancelFlag(const std::atomic<bool>* cancel) { cancel_ = cancel; }

  // Stages `buffer` as an archive file and extracts it into `outputFolder` (UTF-8).
  // True only when everything was extracted as listed; LastFailure() says why not.
  bool Extract(const void* buffer, std::uint32_t size, const char* outputFolder, const char* password,
               bool removeExtractTemp);
  // The same for the archive at [offset, offset + size) of `source`, staged by a
  // kernel copy instead of from memory.
  bool ExtractFileRange(std::FILE* source, std::uint64_t offset, std::uint32_t size, const char* outputFolder,
                        const char* password, bool removeExtractTemp);

  void OnProgress(std::uint32_t low, std::uint32_t high) override;
  void OnError(int code) override;

  int LastError() const { return lastError_; }
  const SevenZipPhaseTimes& LastPhaseTimes() const { return phaseTimes_; }
  ExtractFailure LastFailure() const { return failure_; }
  SevenZipGuard LastGuard() const { return guard_; }

 private:
  template <typename Run>
  bool RunExtractor(Run run);

  int lastError_ = 0;
  base::ProgressCallback progress_;
  const std::atomic<bool>* cancel_ = nullptr;
  SevenZipPhaseTimes phaseTimes_;
  ExtractFailure failure_ = ExtractFailure::None;
  SevenZipGuard guard_{};
};

}  // namespace install
