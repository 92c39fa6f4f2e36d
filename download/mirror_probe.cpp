#include "download/mirror_probe.h"

#include <cstring>

#include <curl/curl.h>

#include "base/install_log.h"
#include "base/log_text.h"
#include "download/curl_global.h"
#include "download/icmp_pinger.h"
#include "external/vendor_config.h"
#include "external/vendor_services.h"
#include "platform/web_transfer_policy.h"

namespace download {

namespace {

constexpr long kLengthProbeConnectSeconds = 3;
constexpr long kLengthProbeTotalSeconds = 5;
constexpr long kCapacityProbeSeconds = 2;
// The capacity answer is a few bytes ("1 ready"); a mirror that sends more within the
// probe's time is not believed, and its answer is not kept in memory.
constexpr std::size_t kCapacityAnswerLimit = 64 * 1024;

size_t DiscardBody(char*, size_t size, size_t count, void*) { return size * count; }

size_t AppendShortBody(char* data, size_t size, size_t count, void* user) {
  auto* body = static_cast<std::string*>(user);
  if (size * count > kCapacityAnswerLimit - body->size()) return 0;  // ends the transfer with an error
  body->append(data, size * count);
  return size * count;
}

}  // namespace

void ApplyProxy(void* handle, const std::string& proxy) {
  if (proxy.empty()) return;
  curl_easy_setopt(handle, CURLOPT_PROXY, proxy.c_str());
  curl_easy_setopt(handle, CURLOPT_PROXYTYPE, static_cast<long>(CURLPROXY_HTTP));
}

std::uint32_t GetDownloadFileLenth(const std::string& url, const std::string& proxy, const std::string& caFile) {
  std::uint32_t length = kUnknownLength;
  CURLcode result = CURLE_FAILED_INIT;
  if (CURL* handle = NewCurlHandle()) {
    curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
    curl_easy_setopt(handle, CURLOPT_HEADER, 1L);
    curl_easy_setopt(handle, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, DiscardBody);
    curl_easy_setopt(handle, CURLOPT_USERAGENT, kProbeUserAgent);
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, kLengthProbeConnectSeconds);
    curl_easy_setopt(handle, CURLOPT_TIMEOUT, kLengthProbeTotalSeconds);
    platform::ApplyWebTransferPolicy(handle, caFile);
    ApplyProxy(handle, proxy);
    result = curl_easy_perform(handle);
    if (result == CURLE_OK) {
      curl_off_t advertised = -1;
      if (curl_easy_getinfo(handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &advertised) == CURLE_OK && advertised >= 0 &&
          advertised < static_cast<curl_off_t>(kUnknownLength)) {
        length = static_cast<std::uint32_t>(advertised);
      }
    }
    curl_easy_cleanup(handle);
  }
  base::WriteLog("Download_GetDownloadFileLenth : result(%d), url_err(%d).\n", static_cast<int>(length),
                 static_cast<int>(result));
  return length;
}

std::string GetUrlText(const std::string& url, const std::string& caFile) {
  std::string body;
  CURL* handle = NewCurlHandle();
  if (!handle) return "error";
  curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
  curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(handle, CURLOPT_TIMEOUT, kCapacityProbeSeconds);
  curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, AppendShortBody);
  curl_easy_setopt(handle, CURLOPT_WRITEDATA, &body);
  platform::ApplyWebTransferPolicy(handle, caFile);
  const CURLcode result = curl_easy_perform(handle);
  curl_easy_cleanup(handle);
  return result == CURLE_OK ? body : std::string("error");
}

bool IsCdnUrl(const char* url, const std::string& marker) {
  // An empty marker would make every mirror the CDN.
  return url && !marker.empty() && std::strstr(url, marker.c_str()) != nullptr;
}

bool IsCdnUrl(const char* url) { return IsCdnUrl(url, GetVendorConfig().cdnDomainMarker); }

bool CapacityAnswerHasRoom(const std::string& body) { return body.size() >= 2 && body[0] == '1'; }

bool GetNetworkNotFull(const std::string& url, const std::string& caFile) {
  if (IsCdnUrl(url.c_str())) return true;
  std::string host;
  if (!MirrorHostPart(url, host)) return false;
  const char* scheme = url.rfind(vendor::kSecureUrlScheme, 0) == 0 ? vendor::kSecureUrlScheme : vendor::kUrlScheme;
  const std::string body = GetUrlText(scheme + host + vendor::kCapacityPath, caFile);
  base::WriteLog("Download : GetNetworkNotFull IP(%s), Result(%s).\n", base::PrintableLogText(host).c_str(),
                 base::PrintableLogText(body).c_str());
  return CapacityAnswerHasRoom(body);
}

}  // namespace download
