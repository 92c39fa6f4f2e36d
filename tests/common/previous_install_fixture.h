// A previous install of the product as the installer leaves one, for tests that need a
// folder the installer may empty or an uninstall may remove: the uninstaller in the
// folder, and the product's uninstall entry naming the folder. Needs a sandbox root.
#pragma once

#include <fstream>
#include <string>

#include "platform/registry.h"

namespace testing_support {

inline constexpr char kUninstallEntryKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// Writes "InstallLocation" of the entry `entryName` ("Corvex 11", "Corvex 11(x64)").
inline bool RegisterInstallLocation(const std::string& entryName, const std::string& folder) {
  platform::HKEY key = nullptr;
  if (platform::RegCreateKeyEx(HKEY_LOCAL_MACHINE, kUninstallEntryKey + entryName, &key) != ERROR_SUCCESS) {
    return false;
  }
  const LONG rc = platform::RegSetValueEx(key, "InstallLocation", platform::REG_SZ, folder.c_str(),
                                          static_cast<DWORD>(folder.size() + 1));
  platform::RegCloseKey(key);
  return rc == ERROR_SUCCESS;
}

// `folder` must exist. The uninstaller is written by this (root) process.
inline bool MakePreviousInstall(const std::string& folder, const std::string& entryName) {
  std::ofstream(folder + "/uninstall.exe", std::ios::binary) << "program";
  return RegisterInstallLocation(entryName, folder);
}

}  // namespace testing_support
