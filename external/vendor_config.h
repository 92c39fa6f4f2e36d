// The vendor's host names, compiled in from resources/vendor/*.conf.
#pragma once

#include <string>

struct VendorConfig {
  std::string webSite;          // "http://host[:port]" without a trailing '/'
  std::string statisticsHost;   // base of the statistics endpoint
  std::string crashHost;        // base of the crash endpoint
  std::string cdnDomainMarker;  // a mirror URL containing it is the CDN
  // Where the main product records its user once it has run: an HKLM key below
  // SOFTWARE and a text value in it (read in both registry views).
  std::string userRecordKey;
  std::string userRecordValue;
};

// The configuration compiled into this build (inside a sandbox root, the keys of the
// file named by CORVEX_VENDOR_CONFIG take precedence).
const VendorConfig& GetVendorConfig();
// Parses "key=value" lines ('#' comments); unknown keys are ignored.
VendorConfig ParseVendorConfig(const std::string& text);
// "http://127.0.0.1:8610" -> "127.0.0.1:8610": the host name shown in UI texts 41 and 42.
std::string HostNameOf(const std::string& url);
