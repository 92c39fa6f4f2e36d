// libcurl handles for the engine: the library's global set-up runs once, before the
// first handle, whatever thread asks first.
#pragma once

#include <curl/curl.h>

#include <string>

namespace download {

CURL* NewCurlHandle();

using CurlWriter = size_t (*)(char* data, size_t size, size_t count, void* user);

// The options every engine transfer shares: the URL, the writer and its data, no
// progress meter or signals, the low-speed rule (1 byte/s for 5 s), the overall limit,
// the user agent, followed redirects, and web protocols only with verified
// certificates (`caFile` empty: the system's CA store).
void SetTransferOptions(CURL* handle, const char* url, CurlWriter writer, void* writerData, const char* userAgent,
                        const std::string& caFile);

}  // namespace download
