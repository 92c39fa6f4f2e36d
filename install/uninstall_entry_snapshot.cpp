#include "install/uninstall_entry_snapshot.h"

#include "base/install_log.h"
#include "install/uninstall_registration.h"

namespace install {

void UninstallEntrySnapshot::Take(const std::string& entryName) {
  key_ = std::string(kUninstallKeyPrefix) + entryName;
  values_.clear();
  platform::HKEY key = nullptr;
  existed_ = platform::RegOpenKeyEx(HKEY_LOCAL_MACHINE, key_, &key) == ERROR_SUCCESS;
  if (!existed_) return;
  platform::RegEnumValues(key, values_);
  platform::RegCloseKey(key);
}

bool UninstallEntrySnapshot::Restore() const {
  if (key_.empty()) return true;
  platform::RegDeleteTree(HKEY_LOCAL_MACHINE, key_);
  if (!existed_) return true;
  platform::HKEY key = nullptr;
  if (platform::RegCreateKeyEx(HKEY_LOCAL_MACHINE, key_, &key) != ERROR_SUCCESS) {
    base::WriteLog("Uninstall entry %s cannot be restored.\n", key_.c_str());
    return false;
  }
  bool restored = true;
  for (const platform::RegValue& value : values_) {
    restored = platform::RegSetValueEx(key, value.name, value.type, value.data.data(),
                                       static_cast<DWORD>(value.data.size())) == ERROR_SUCCESS &&
               restored;
  }
  platform::RegCloseKey(key);
  return restored;
}

}  // namespace install
