// The download manifest turned into a record: target, size, mirrors and digests.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/win_types.h"

namespace download {

inline constexpr int kMaxUrlCfg = 10;  // mirror entries a manifest may contribute
inline constexpr int kUrlBufferSize = 1040;

// One mirror entry of a manifest.
struct UrlCfg {
  char szUrl[kUrlBufferSize] = {};
  BYTE bValid = 0;              // loaded from the manifest; cleared when probing finds it unusable
  std::uint32_t nPingTime = 0;  // ICMP round trip in ms
  BYTE bNetworkNotFull = 0;     // the mirror reported spare capacity
};

// One load of a manifest. Copied by value into the engine when the transfer starts.
struct DownloadConfig {
  char szFilePath[kMaxPath] = {};         // target file, narrow text
  std::int32_t nFileSize = 0;             // expected byte length
  UrlCfg arrUrlCfg[kMaxUrlCfg] = {};      // manifest order; unused entries stay zero
  std::string strFileHash;                // whole-file MD5, 32 upper-case hex digits
  std::vector<std::string> vecBlockHash;  // MD5 of each 1 MiB block, in order
};

// Copies `text` into one of the fixed text buffers of these records, the rest zeroed;
// callers refuse text that does not fit before, as cut text would name something else.
inline void CopyToFixedBuffer(char* buffer, std::size_t bufferSize, const std::string& text) {
  std::memset(buffer, 0, bufferSize);
  std::strncpy(buffer, text.c_str(), bufferSize - 1);
}

// The engine's error code (GetErrorCode); GetDownloadErrorName gives its name.
enum DownloadError : int {
  NoError = 0,
  NoNeedDownload = 1,
  NeedUpdateDownload = 2,
  ConfigDownloadError = 3,
  ConfigLoadError = 4,
  ConfigLoadVersionError = 5,
  ConfigLoadFileSizeError = 6,
  ConfigLoadUrlSizeError = 7,
  ConfigLoadUrlError = 8,
  ConfigLoadHashSizeError = 9,
  ConfigLoadHashError = 10,
  DownloadCheckUrlError = 11,
  DownloadMallocError = 12,
  DownloadUrlCountError = 13,
  DownloadExeError = 14,
};

// "NoError" .. "DownloadExeError"; "Unknown" for codes outside 0..14.
const char* GetDownloadErrorName(int code);

}  // namespace download
