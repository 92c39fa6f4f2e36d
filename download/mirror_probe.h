// The small HTTP requests of mirror selection: the length of the package on a mirror,
// the mirror's capacity page, and the CDN test.
#pragma once

#include <cstdint>
#include <string>

namespace download {

inline constexpr const char kProbeUserAgent[] = "Lavf/55.13.102";
inline constexpr std::uint32_t kUnknownLength = 0xFFFFFFFFu;

// Every probe is held to the engine's transfer rules: http and https only, verified
// certificates, `caFile` (empty: the system's CA store) as the trusted CAs.

// Length the mirror advertises for `url` (a HEAD request); kUnknownLength when it
// gives none or the request fails. Limited to a few seconds, so a dead mirror cannot
// hold up the start.
std::uint32_t GetDownloadFileLenth(const std::string& url, const std::string& proxy, const std::string& caFile);

// Body of `url` (2 seconds and 64 KiB at most), or "error" when the request fails or
// the body is longer.
std::string GetUrlText(const std::string& url, const std::string& caFile);

// A URL that contains the CDN domain marker of the vendor configuration.
bool IsCdnUrl(const char* url);
bool IsCdnUrl(const char* url, const std::string& marker);

// True for a CDN URL; otherwise asks "http://<host>/flag.php" (https for an https
// mirror) and accepts a body of at least two characters that starts with '1'.
bool GetNetworkNotFull(const std::string& url, const std::string& caFile);
// The capacity rule on its own.
bool CapacityAnswerHasRoom(const std::string& body);

// Sets the HTTP proxy on a transfer handle when `proxy` is not empty.
void ApplyProxy(void* handle, const std::string& proxy);

}  // namespace download
