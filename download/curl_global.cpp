#include "download/curl_global.h"

#include <mutex>

#include "platform/web_transfer_policy.h"

namespace download {

CURL* NewCurlHandle() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_ALL); });
  return curl_easy_init();
}

void SetTransferOptions(CURL* handle, const char* url, CurlWriter writer, void* writerData, const char* userAgent,
                        const std::string& caFile) {
  curl_easy_setopt(handle, CURLOPT_URL, url);
  curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, writer);
  curl_easy_setopt(handle, CURLOPT_WRITEDATA, writerData);
  curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 1L);
  curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, 5L);
  curl_easy_setopt(handle, CURLOPT_TIMEOUT, 20000L);
  curl_easy_setopt(handle, CURLOPT_USERAGENT, userAgent);
  curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
  platform::ApplyWebTransferPolicy(handle, caFile);
}

}  // namespace download
