#include "tests/scenarios/output_excerpt.h"

#include <string_view>

namespace {

// "WARNING: ThreadSanitizer: data race", "==7==ERROR: AddressSanitizer: …",
// "==7==ERROR: LeakSanitizer: …", and UBSan's "file:1:2: runtime error: …".
bool StartsReport(std::string_view line) {
  if (line.find(": runtime error: ") != std::string_view::npos) return true;
  for (std::string_view marker : {std::string_view("WARNING: "), std::string_view("ERROR: ")}) {
    const std::size_t at = line.find(marker);
    if (at == std::string_view::npos) continue;
    const std::string_view tool = line.substr(at + marker.size());
    const std::size_t colon = tool.find(':');
    if (colon != std::string_view::npos && tool.substr(0, colon).ends_with("Sanitizer")) return true;
  }
  return false;
}

}  // namespace

OutputExcerpt SplitSanitizerReports(const std::string& output) {
  OutputExcerpt excerpt;
  bool inReport = false;
  std::size_t start = 0;
  while (start < output.size()) {
    std::size_t end = output.find('\n', start);
    end = end == std::string::npos ? output.size() : end + 1;
    const std::string_view line(output.data() + start, end - start);
    start = end;
    if (!inReport && StartsReport(line)) inReport = true;
    std::string& into = inReport ? excerpt.sanitizerReports : excerpt.rest;
    into.append(line);
    if (!line.ends_with('\n')) into += '\n';
    if (inReport && line.starts_with("SUMMARY: ")) inReport = false;
  }
  return excerpt;
}

std::string LastLines(const std::string& text, std::size_t count) {
  if (count == 0) return {};
  std::size_t from = text.size();
  if (from > 0 && text[from - 1] == '\n') --from;
  for (std::size_t seen = 0; from > 0; --from) {
    if (text[from - 1] == '\n' && ++seen == count) break;
  }
  std::string last = text.substr(from);
  if (!last.empty() && last.back() != '\n') last += '\n';
  return last;
}
