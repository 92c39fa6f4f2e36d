// One corvex-devserver in vendor mode for a whole test program, which the installer is
// configured to report to: it reads its vendor configuration once per process.
#pragma once

#include <cstdlib>
#include <fstream>
#include <string>

#include "tests/common/devserver_process.h"
#include "tests/common/sandbox.h"

namespace dialog_test {

class TestVendor {
 public:
  // Starts the server and points CORVEX_VENDOR_CONFIG at it; false when it did not start.
  bool Start() {
    if (!server_.StartVendor((folder_.Path() / "reports.log").string())) return false;
    const std::string config = (folder_.Path() / "vendor.conf").string();
    const std::string host = server_.VendorBase();
    std::ofstream(config) << "web_site=" << host << "\nstatistics_host=" << host << "\ncrash_host=" << host << "\n";
    ::setenv("CORVEX_VENDOR_CONFIG", config.c_str(), 1);
    return true;
  }
  void Stop() { server_.Stop(); }
  std::string Output() const { return server_.Output(); }

  // The JSON text of the last final report received.
  std::string LastFinalReport() const {
    std::string last;
    for (const testing_support::LoggedReport& report : server_.Reports()) {
      for (const testing_support::LoggedPart& part : report.parts) {
        if (part.name == "json_data" && part.value.find("\"run_app\"") != std::string::npos) last = part.value;
      }
    }
    return last;
  }

 private:
  testing_support::TempFolder folder_{"corvex-test-vendor"};
  testing_support::DevserverProcess server_;
};

// Whether a report's JSON text carries "key":"value".
inline bool Carries(const std::string& json, const std::string& key, const std::string& value) {
  return json.find("\"" + key + "\":\"" + value + "\"") != std::string::npos;
}

}  // namespace dialog_test
