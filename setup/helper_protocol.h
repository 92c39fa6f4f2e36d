// What the dialog and the install helper say to each other. Every request is
// answered by exactly one kResult; before it the helper may send any number of log
// lines and progress events. kCancel is never answered: it only stops the running
// request. The payloads are field lists written with MessageWriter.
#pragma once

#include <cstdint>
#include <string>

namespace setup {

enum class HelperMessage : std::uint16_t {
  // Requests, dialog to helper.
  kReceivePackage = 1,  // descriptor: the verified package; fields: is64Bit
  kCloseProcesses = 2,  // fields: install folder
  kPrepareFolder = 3,   // fields: install folder
  kExtract = 4,
  kSwapFolder = 5,
  kSystemShortcuts = 6,  // the all-users menu entries and the link in the install folder
  kWriteEntry = 7,       // fields: install options, silent
  kRunElevated = 8,      // fields: HelperProgram, parameters
  kRemove = 9,           // fields: UninstallRequest
  kRollback = 10,        // fields: step id
  kCommit = 11,          // fields: step id
  kCancel = 12,
  kEnd = 13,  // the dialog is done; what is not committed is rolled back
  // Replies, helper to dialog.
  kLog = 100,     // fields: the message text
  kEvent = 101,   // fields: event, code, value of a progress callback
  kResult = 102,  // fields: HelperResult
};

// The programs the helper starts as root: only the product's own, from the install folder.
enum class HelperProgram : std::uint32_t {
  kRepair = 1,
  kMainInstallMode = 2,
};

// One request's answer. `step` names a step that can be rolled back or committed
// later (0: nothing to undo); `failure` is an InstallFailure, `value` a request's own
// number (an exit code, an uninstall outcome).
struct HelperResult {
  bool ok = false;
  std::uint32_t step = 0;
  std::uint32_t failure = 0;
  std::int64_t value = 0;
};

class MessageWriter {
 public:
  MessageWriter& Number(std::int64_t value);
  MessageWriter& Text(const std::string& text);
  const std::string& Bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

// Reads the fields back in the order they were written; a field that is missing or
// malformed sets Failed and reads as 0 or empty from then on.
class MessageReader {
 public:
  explicit MessageReader(const std::string& bytes) : bytes_(bytes) {}
  std::int64_t Number();
  std::string Text();
  bool Failed() const { return failed_; }

 private:
  bool Take(std::size_t size, const char** out);

  const std::string& bytes_;
  std::size_t position_ = 0;
  bool failed_ = false;
};

std::string EncodeResult(const HelperResult& result);
bool DecodeResult(const std::string& bytes, HelperResult& out);

// The helper's command-line argument; the helper accepts no other.
inline constexpr char kInstallHelperArgument[] = "--install-helper";

}  // namespace setup
