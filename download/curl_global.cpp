#include "download/curl_global.h"

#include <mutex>

CURL* NewCurlHandle() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_ALL); });
  return curl_easy_init();
}
