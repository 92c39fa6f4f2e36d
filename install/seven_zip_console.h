// Turns the console output and exit status of the 7-Zip program into the handler's
// two hooks: percentages for the progress hook, error codes for the error hook.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "install/seven_zip_callback.h"

namespace install {

// Plain functions taking the receiver first; each forwards to the receiver's report
// when the receiver is not null.
using SevenZipErrorHook = void (*)(I7zFileInfoCallback* receiver, int code);
using SevenZipProgressHook = void (*)(I7zFileInfoCallback* receiver, std::uint32_t low, std::uint32_t high);
void ForwardSevenZipError(I7zFileInfoCallback* receiver, int code);
void ForwardSevenZipProgress(I7zFileInfoCallback* receiver, std::uint32_t low, std::uint32_t high);

struct SevenZipHooks {
  I7zFileInfoCallback* receiver = nullptr;
  SevenZipErrorHook onError = nullptr;
  SevenZipProgressHook onProgress = nullptr;
};

// How the program ended, as far as the hooks care.
enum class SevenZipEnd { Exited, Signalled, NotStarted };

// Fed with the output split at '\n', '\r' and '\b' (the program redraws its
// percentage in place with backspaces), in order, on one thread.
class SevenZipConsoleReader {
 public:
  explicit SevenZipConsoleReader(SevenZipHooks hooks) : hooks_(hooks) {}

  void OnPiece(std::string_view piece);
  // Reports the final status once: 2, 7, 8 or 255 (nothing for success or warnings).
  // A successful run that last showed less than 100% completes it.
  void OnEnd(SevenZipEnd end, int exitCode);

  bool AskedForPassword() const { return askedForPassword_; }
  // The program's complaints ("ERROR: ...", "System ERROR:" and what follows it):
  // how many, the first one for the log, and whether one said the disk was full or
  // the folder could not be written.
  int ErrorLines() const { return errorLines_; }
  const std::string& FirstErrorLine() const { return firstErrorLine_; }
  bool DiskFull() const { return diskFull_; }
  bool NotWritable() const { return notWritable_; }

 private:
  void Error(int code);
  void Progress(unsigned percent);
  void NoteErrorLine(std::string_view piece);

  SevenZipHooks hooks_;
  unsigned lastPercent_ = 0;
  bool askedForPassword_ = false;
  bool afterSystemError_ = false;
  int errorLines_ = 0;
  std::string firstErrorLine_;
  bool diskFull_ = false;
  bool notWritable_ = false;
};

// The error code the handler's final error handling reports for an exit status, 0
// when it reports none.
int SevenZipStatusError(SevenZipEnd end, int exitCode);

}  // namespace install
