// Multipart form posts to the vendor's report endpoints.
#pragma once

#include <string>
#include <vector>

namespace telemetry {

// One part of a multipart/form-data body: a text, or the content of a file.
struct FormPart {
  std::string name;
  std::string text;      // content of a text part
  std::string filePath;  // non-empty for a file part
  std::string fileName;  // the file name sent with a file part

  static FormPart Text(std::string name, std::string text);
  static FormPart File(std::string name, std::string filePath, std::string fileName);
  bool IsFile() const { return !filePath.empty(); }
};

// Every report transfer is bounded: the final report runs on the UI thread while the
// dialog closes, and a crashed process waits for its report.
struct TransferLimits {
  long connectTimeoutMs = 2000;
  long totalTimeoutMs = 5000;
};

// POSTs the parts in their order, over http or https with a verified certificate; a file part whose file does not exist
// is left out. The response body is read and ignored: true when the transfer completed without a transport error,
// whatever the HTTP status. `caFile` names CAs trusted instead of the system's store (tests only).
bool PostForm(const std::string& url, const std::vector<FormPart>& parts, const TransferLimits& limits,
              const std::string& caFile = std::string());

}  // namespace telemetry
