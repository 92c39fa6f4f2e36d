// The vendor's statistics and crash endpoints and web pages, added to a devserver.
//
// Every report posted to an endpoint is appended to the report log as one JSON line:
//   {"path":"/api/install/index_ex.php","parts":[{"name":"json_data","value":"{...}"},
//    {"name":"install_log","filename":"8F14...","size":1234}]}
// with the form parts in the order they arrived; text parts carry their value, file
// parts their file name and size.
#pragma once

#include <httplib.h>

#include <string>

void AddVendorEndpoints(httplib::Server& server, const std::string& reportLogPath);
