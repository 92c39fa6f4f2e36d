// libcurl handles for the engine: the library's global set-up runs once, before the
// first handle, whatever thread asks first.
#pragma once

#include <curl/curl.h>

CURL* NewCurlHandle();
