// The install log: one process-wide plain-text timeline, install.log.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

namespace base {

using LogCallback = int (*)(const char* text);

class ILog {
 public:
  virtual ~ILog() = default;

  // Stores the path, starts the clock, writes the run separator. Always 1.
  int Init(const std::wstring& path);
  void SetLogCallback(LogCallback callback);
  // Appends one message line (prefix, text, line feed), then calls the listener.
  void Write(const char* text);

  // "%02d:%02d:%02d : " of `elapsedMs`.
  static std::string FormatPrefix(std::uint32_t elapsedMs);

  // The longest formatted message, in bytes, without its terminator.
  static constexpr size_t kMaxMessage = 12999;

 private:
  std::mutex writeMutex_;  // keeps the lines of concurrent writers whole
  std::wstring path_;
  std::uint32_t startTick_ = 0;
  LogCallback callback_ = nullptr;
};

ILog* GetLog();
// printf-formatted message into a 13,000-byte buffer (longer messages are cut).
void WriteLog(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The desktop user's Documents folder, `subFolder` appended, its folder chain created
// when `create` is set, then `fileName` appended when not empty.
std::wstring GetDocumentsPath(const std::wstring& subFolder, const std::wstring& fileName, bool create);

}  // namespace base
