#include "download/download_config.h"

namespace download {

const char* GetDownloadErrorName(int code) {
  static const char* const kNames[] = {
      "NoError",
      "NoNeedDownload",
      "NeedUpdateDownload",
      "ConfigDownloadError",
      "ConfigLoadError",
      "ConfigLoadVersionError",
      "ConfigLoadFileSizeError",
      "ConfigLoadUrlSizeError",
      "ConfigLoadUrlError",
      "ConfigLoadHashSizeError",
      "ConfigLoadHashError",
      "DownloadCheckUrlError",
      "DownloadMallocError",
      "DownloadUrlCountError",
      "DownloadExeError",
  };
  if (code < 0 || code >= static_cast<int>(sizeof(kNames) / sizeof(kNames[0]))) return "Unknown";
  return kNames[code];
}

}  // namespace download
