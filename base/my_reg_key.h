// A thin owner of a registry key of the registry store, for narrow values.
#pragma once

#include <string>

#include "platform/registry.h"

namespace base {

class CMyRegKey {
 public:
  CMyRegKey() = default;
  virtual ~CMyRegKey() { Close(); }
  CMyRegKey(const CMyRegKey&) = delete;
  CMyRegKey& operator=(const CMyRegKey&) = delete;

  // All results are Windows error codes, ERROR_SUCCESS meaning success.
  LONG Create(platform::HKEY root, const std::string& subKey);
  LONG SetString(const std::string& valueName, const std::string& text);
  LONG SetDword(const std::string& valueName, DWORD value);
  LONG QueryDword(const std::string& valueName, DWORD& out);
  // Reads into a 200-byte buffer: longer values fail with ERROR_MORE_DATA, `out` unchanged.
  LONG QueryString(const std::string& valueName, std::string& out);
  void Close();

  platform::HKEY Handle() const { return key_; }
  const std::string& SubKey() const { return subKey_; }

  static constexpr DWORD kStringBufferSize = 200;

 private:
  platform::HKEY key_ = nullptr;
  std::string subKey_;
};

}  // namespace base
