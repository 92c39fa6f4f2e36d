#include "base/install_log.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include "base/file_helpers.h"
#include "base/jfile.h"
#include "platform/clock.h"
#include "platform/known_folders.h"
#include "platform/output_file.h"
#include "platform/path.h"
#include "platform/text.h"

namespace base {

namespace {

constexpr char kRunSeparator[] = "\n\n----------------------------------------\n";
constexpr char kFirstLine[] = "00:00:00 : Init Log OK.\n";

// Opens the log for appending; a file created here belongs to the desktop user. The
// log lives in the user's Documents: a link placed at its name is never written through.
bool OpenForAppend(JFile& file, const std::wstring& path) {
  if (path.empty()) return false;
  const bool existed = platform::PathFileExists(path);
  if (!existed) CreateParentFolder(path);
  if (!file.Adopt(platform::OpenAppendFile(platform::WideToNarrow(path)))) return false;
  if (!existed) platform::GiveToDesktopUser(platform::WideToNarrow(path));
  return true;
}

}  // namespace

std::string ILog::FormatPrefix(std::uint32_t elapsedMs) {
  const unsigned seconds = elapsedMs / 1000;
  char prefix[32];
  std::snprintf(prefix, sizeof prefix, "%02d:%02d:%02d : ", static_cast<int>(seconds / 3600),
                static_cast<int>(seconds % 3600 / 60), static_cast<int>(seconds % 60));
  return prefix;
}

int ILog::Init(const std::wstring& path) {
  std::lock_guard<std::mutex> lock(writeMutex_);
  path_ = path;
  startTick_ = platform::GetTickCount();
  JFile file;
  if (!OpenForAppend(file, path_)) return 1;
  file.SeekToEnd();
  file.Write(kRunSeparator, std::strlen(kRunSeparator));
  file.Write(kFirstLine, std::strlen(kFirstLine));
  file.Close();
  return 1;
}

void ILog::SetLogCallback(LogCallback callback) {
  std::lock_guard<std::mutex> lock(writeMutex_);
  callback_ = callback;
}

void ILog::Write(const char* text) {
  LogCallback callback = nullptr;
  {
    std::lock_guard<std::mutex> lock(writeMutex_);
    callback = callback_;
    JFile file;
    if (OpenForAppend(file, path_)) {
      file.SeekToEnd();
      const std::string prefix = FormatPrefix(platform::GetTickCount() - startTick_);
      file.Write(prefix.data(), prefix.size());
      file.Write(text, std::strlen(text));
      file.Write("\n", 1);
      file.Close();
    }
  }
  // Outside the lock: a listener may log in turn.
  if (callback) callback(text);
}

ILog* GetLog() {
  static ILog* const log = new ILog();
  return log;
}

void WriteLog(const char* format, ...) {
  std::vector<char> buffer(ILog::kMaxMessage + 1, '\0');
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer.data(), buffer.size(), format, args);
  va_end(args);
  GetLog()->Write(buffer.data());
}

std::wstring GetDocumentsPath(const std::wstring& subFolder, const std::wstring& fileName, bool create) {
  std::wstring path = platform::GetKnownFolder(platform::KnownFolder::Documents);
  if (path.empty()) return path;
  const std::wstring documents = path;
  platform::PathAppend(path, subFolder);
  if (create) {
    // Remember what is missing so that the folders made here go to the desktop user.
    std::vector<std::wstring> missing;
    for (std::wstring probe = path; probe.size() >= documents.size() && !platform::PathIsDirectory(probe);) {
      missing.push_back(probe);
      if (!platform::PathRemoveFileSpec(probe)) break;
    }
    CreateFolderChain(path);
    for (const auto& folder : missing) {
      if (platform::PathIsDirectory(folder)) platform::GiveToDesktopUser(platform::WideToNarrow(folder));
    }
  }
  if (!fileName.empty()) platform::PathAppend(path, fileName);
  return path;
}

}  // namespace base
