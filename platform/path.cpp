#include "platform/path.h"

#include <sys/stat.h>
#include <unistd.h>

#include "platform/text.h"

namespace platform {

namespace {

template <typename S>
void AppendImpl(S& path, const S& more) {
  using C = typename S::value_type;
  const C slash = static_cast<C>('/');
  size_t start = 0;
  while (start < more.size() && more[start] == slash) ++start;
  if (start == more.size() && !more.empty()) {
    if (path.empty()) path.push_back(slash);
    return;
  }
  if (more.empty()) return;
  if (!path.empty() && path.back() != slash) path.push_back(slash);
  if (path.empty() && start > 0) path.push_back(slash);
  path.append(more, start, S::npos);
}

template <typename S>
bool RemoveFileSpecImpl(S& path) {
  using C = typename S::value_type;
  const C slash = static_cast<C>('/');
  while (path.size() > 1 && path.back() == slash) path.pop_back();
  const auto pos = path.rfind(slash);
  if (pos == S::npos) {
    if (path.empty()) return false;
    path.clear();
    return true;
  }
  if (pos == 0) {
    if (path.size() == 1) return false;
    path.resize(1);
    return true;
  }
  path.resize(pos);
  return true;
}

template <typename S>
S FileNameImpl(const S& path) {
  using C = typename S::value_type;
  const auto pos = path.rfind(static_cast<C>('/'));
  return pos == S::npos ? path : path.substr(pos + 1);
}

}  // namespace

void PathAppend(std::wstring& path, const std::wstring& more) { AppendImpl(path, more); }
void PathAppend(std::string& path, const std::string& more) { AppendImpl(path, more); }

std::wstring PathJoin(const std::wstring& path, const std::wstring& more) {
  std::wstring out = path;
  PathAppend(out, more);
  return out;
}
std::string PathJoin(const std::string& path, const std::string& more) {
  std::string out = path;
  PathAppend(out, more);
  return out;
}

bool PathRemoveFileSpec(std::wstring& path) { return RemoveFileSpecImpl(path); }
bool PathRemoveFileSpec(std::string& path) { return RemoveFileSpecImpl(path); }

std::wstring PathFileName(const std::wstring& path) { return FileNameImpl(path); }
std::string PathFileName(const std::string& path) { return FileNameImpl(path); }

bool PathFileExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0;
}
bool PathIsDirectory(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}
bool PathFileExists(const std::wstring& path) { return PathFileExists(WideToNarrow(path)); }
bool PathIsDirectory(const std::wstring& path) { return PathIsDirectory(WideToNarrow(path)); }

std::string GetModuleFileName() {
  char buffer[4096];
  const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return {};
  return std::string(buffer, static_cast<size_t>(n));
}

}  // namespace platform
