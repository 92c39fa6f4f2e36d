#include "base/my_reg_key.h"

#include <cstring>

namespace base {

LONG CMyRegKey::Create(platform::HKEY root, const std::string& subKey) {
  Close();
  subKey_ = subKey;
  return platform::RegCreateKeyEx(root, subKey, &key_);
}

LONG CMyRegKey::SetString(const std::string& valueName, const std::string& text) {
  if (!key_) return ERROR_INVALID_HANDLE;
  return platform::RegSetValueEx(key_, valueName, platform::REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

LONG CMyRegKey::SetDword(const std::string& valueName, DWORD value) {
  if (!key_) return ERROR_INVALID_HANDLE;
  const unsigned char bytes[4] = {static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
                                  static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
  return platform::RegSetValueEx(key_, valueName, platform::REG_DWORD, bytes, sizeof bytes);
}

LONG CMyRegKey::QueryDword(const std::string& valueName, DWORD& out) {
  if (!key_) return ERROR_INVALID_HANDLE;
  unsigned char bytes[4] = {};
  DWORD size = sizeof bytes;
  const LONG rc = platform::RegQueryValueEx(key_, valueName, nullptr, bytes, &size);
  if (rc == ERROR_SUCCESS) {
    out = static_cast<DWORD>(bytes[0]) | static_cast<DWORD>(bytes[1]) << 8 | static_cast<DWORD>(bytes[2]) << 16 |
          static_cast<DWORD>(bytes[3]) << 24;
  }
  return rc;
}

LONG CMyRegKey::QueryString(const std::string& valueName, std::string& out) {
  if (!key_) return ERROR_INVALID_HANDLE;
  char buffer[kStringBufferSize] = {};
  DWORD size = sizeof buffer;
  const LONG rc = platform::RegQueryValueEx(key_, valueName, nullptr, buffer, &size);
  if (rc == ERROR_SUCCESS) {
    // A value that fills the buffer without a terminator ends at the buffer's end.
    out.assign(buffer, strnlen(buffer, size));
  }
  return rc;
}

void CMyRegKey::Close() {
  if (key_) platform::RegCloseKey(key_);
  key_ = nullptr;
}

}  // namespace base
