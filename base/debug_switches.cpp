#include "base/debug_switches.h"

#include <atomic>

#include "base/install_log.h"
#include "platform/ini_file.h"
#include "platform/path.h"

namespace base {

namespace {

constexpr char kSection[] = "root";

int ReadSwitch(const char* key) {
  const std::wstring path = GetDebugIniPath();
  if (!platform::PathFileExists(path)) return 0;
  return platform::GetPrivateProfileInt(kSection, key, 0, path);
}

}  // namespace

std::wstring GetDebugIniPath() { return GetDocumentsPath(L"", L"VexDebugConfig.ini", true); }

bool IsInfoViewEnabled() { return ReadSwitch("show_info_view") == 1; }

bool IsSetupTestMode() {
  // Once on, test mode stays on without reading the file again; off is not cached.
  static std::atomic<bool> cachedOn{false};
  if (cachedOn.load()) return true;
  if (ReadSwitch("setup_test_mode") == 1) cachedOn.store(true);
  return cachedOn.load();
}

int GetDebugTestLanguage() { return ReadSwitch("setup_test_language"); }

}  // namespace base
