// Shared helpers of the registration, process and shortcut tests.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "base/install_log.h"
#include "platform/registry.h"
#include "sandbox.h"

namespace system_test {

struct StoredValue {
  DWORD type = platform::REG_NONE;
  std::string data;  // REG_SZ without its terminator, REG_DWORD as its number in text
};

// A value as it lies in the registry store, read without the code under test.
inline std::optional<StoredValue> ReadValue(platform::HKEY root, const std::string& key, const std::string& name) {
  platform::HKEY handle = nullptr;
  if (platform::RegOpenKeyEx(root, key, &handle) != ERROR_SUCCESS) return std::nullopt;
  char buffer[1024] = {};
  DWORD size = sizeof buffer;
  StoredValue value;
  const LONG rc = platform::RegQueryValueEx(handle, name, &value.type, buffer, &size);
  platform::RegCloseKey(handle);
  if (rc != ERROR_SUCCESS) return std::nullopt;
  if (value.type == platform::REG_DWORD && size == 4) {
    DWORD number = 0;
    std::memcpy(&number, buffer, 4);
    value.data = std::to_string(number);
  } else {
    value.data.assign(buffer, size > 0 && buffer[size - 1] == '\0' ? size - 1 : size);
  }
  return value;
}

inline bool KeyExists(platform::HKEY root, const std::string& key) {
  platform::HKEY handle = nullptr;
  if (platform::RegOpenKeyEx(root, key, &handle) != ERROR_SUCCESS) return false;
  platform::RegCloseKey(handle);
  return true;
}

// Polls `condition` for up to `limitMs`; the limit only bounds a failing test.
inline bool Eventually(const std::function<bool()>& condition, int limitMs = 5000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

// The install log of one test, in the sandbox.
inline std::string StartLog(const testing_support::Sandbox& sandbox) {
  const std::string path = sandbox.root() + "/install.log";
  base::GetLog()->Init(std::wstring(path.begin(), path.end()));
  return path;
}

inline void MakeFolders(const std::string& path) {
  std::string prefix;
  for (size_t i = 1; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '/') ::mkdir(path.substr(0, i).c_str(), 0755);
  }
}

}  // namespace system_test
