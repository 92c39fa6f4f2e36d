// Turns the console output and exit status of the 7-Zip program into the handler's
// two hooks: percentages for the progress hook, error codes for the error hook.
#pragma once

#include <cstdint>
#include <string_view>

#include "install/seven_zip_callback.h"

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

 private:
  void Error(int code);
  void Progress(unsigned percent);

  SevenZipHooks hooks_;
  unsigned lastPercent_ = 0;
  bool askedForPassword_ = false;
};

// The error code the handler's final error handling reports for an exit status, 0
// when it reports none.
int SevenZipStatusError(SevenZipEnd end, int exitCode);
