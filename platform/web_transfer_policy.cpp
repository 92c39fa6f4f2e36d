#include "platform/web_transfer_policy.h"

#include <curl/curl.h>

namespace platform {

void ApplyWebTransferPolicy(void* curlHandle, const std::string& caFile) {
  CURL* handle = static_cast<CURL*>(curlHandle);
  // Without these a mirror list or a redirect could name file://, ftp:// and the like,
  // and a root process would copy local files into the target.
  curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 2L);
  if (!caFile.empty()) curl_easy_setopt(handle, CURLOPT_CAINFO, caFile.c_str());
}

}  // namespace platform
