// What every libcurl transfer of ours may reach: the web, and only with certificates
// that verify.
#pragma once

#include <string>

namespace platform {

// Limits a libcurl easy handle to http and https, for the first request and for every
// redirect, with peer and host name verification on. An empty `caFile` trusts the
// system's CA store; tests and tools may name a CA file of their own instead.
void ApplyWebTransferPolicy(void* curlHandle, const std::string& caFile);

}  // namespace platform
