#include "tests/scenarios/outcome_check.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace {

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The first offset at which the two differ, or the shorter length.
std::size_t FirstDifference(const std::string& a, const std::vector<std::uint8_t>& b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    if (static_cast<std::uint8_t>(a[i]) != b[i]) return i;
  }
  return n;
}

void CheckResultFile(devserver::ResultCheck check, const std::vector<std::uint8_t>& package,
                     const std::filesystem::path& target, std::vector<std::string>& failures) {
  std::error_code ec;
  const bool exists = std::filesystem::exists(target, ec);
  switch (check) {
    case devserver::ResultCheck::Any: return;
    case devserver::ResultCheck::Absent:
      if (exists) failures.push_back("the target file was created: " + target.string());
      return;
    case devserver::ResultCheck::Exact: {
      if (!exists) {
        failures.push_back("no target file at " + target.string());
        return;
      }
      const std::string bytes = ReadFile(target);
      if (bytes.size() != package.size()) {
        failures.push_back("the target holds " + std::to_string(bytes.size()) + " bytes, the package " +
                           std::to_string(package.size()));
      }
      const std::size_t at = FirstDifference(bytes, package);
      if (at < std::min(bytes.size(), package.size())) {
        failures.push_back("the target differs from the package from byte " + std::to_string(at) + " (block " +
                           std::to_string(at / devserver::kBlockSize) + ")");
      }
      return;
    }
  }
}

}  // namespace

std::vector<std::string> CheckOutcome(const devserver::Expectation& expect, const FetchOutcome& outcome,
                                      const std::vector<std::uint8_t>& package, const std::filesystem::path& target) {
  std::vector<std::string> failures;
  if (!outcome.finished) {
    const std::string how = DescribeEnd(outcome.end, expect.timeLimitSeconds);
    failures.push_back(outcome.end.kind == EndKind::TimedOut
                           ? "the download did not end within " + std::to_string(expect.timeLimitSeconds) +
                                 " s: the tool " + how
                           : "the download did not end by itself: the tool " + how);
  }
  auto shown = [](const std::optional<int>& v) { return v ? std::to_string(*v) : std::string("none"); };
  if (expect.status && outcome.status != expect.status) {
    failures.push_back("status " + shown(outcome.status) + ", expected " + std::to_string(*expect.status));
  }
  if (expect.errorCode && outcome.errorCode != expect.errorCode) {
    failures.push_back("error code " + shown(outcome.errorCode) + ", expected " + std::to_string(*expect.errorCode));
  }
  for (const std::string& line : expect.logLines) {
    if (outcome.log.find(line) == std::string::npos) failures.push_back("missing log line: " + line);
  }
  for (const std::string& line : expect.absentLines) {
    if (outcome.log.find(line) != std::string::npos) failures.push_back("unexpected log line: " + line);
  }
  CheckResultFile(expect.result, package, target, failures);
  return failures;
}

std::vector<ServedContent> ServedContentOf(const std::string& serverOutput, std::uint64_t packageSize) {
  std::vector<ServedContent> served;
  std::size_t start = 0;
  while (start < serverOutput.size()) {
    std::size_t end = serverOutput.find('\n', start);
    if (end == std::string::npos) end = serverOutput.size();
    const std::string line = serverOutput.substr(start, end - start);
    start = end + 1;
    // "sent N bytes: mirror 1 127.0.0.11 GET /download/x.exe (bytes=A-B)"
    const std::size_t request = line.find(" bytes: ");
    if (line.rfind("sent ", 0) != 0 || request == std::string::npos) continue;
    ServedContent content;
    content.request = line.substr(request + 8);
    content.sent = std::strtoull(line.c_str() + 5, nullptr, 10);
    content.last = packageSize > 0 ? packageSize - 1 : 0;
    const std::size_t range = content.request.find("(bytes=");
    if (range != std::string::npos) {
      char* dash = nullptr;
      content.first = std::strtoull(content.request.c_str() + range + 7, &dash, 10);
      if (dash && *dash == '-' && dash[1] != ')') content.last = std::strtoull(dash + 1, nullptr, 10);
    }
    served.push_back(content);
  }
  return served;
}

std::uint64_t SentBytes(const std::vector<ServedContent>& served) {
  std::uint64_t total = 0;
  for (const ServedContent& content : served) total += content.sent;
  return total;
}

std::vector<std::string> RequestsOutside(const std::vector<ServedContent>& served,
                                         const std::vector<std::uint32_t>& allowed) {
  std::vector<std::string> failures;
  for (const ServedContent& content : served) {
    for (std::uint64_t block = content.first / devserver::kBlockSize; block <= content.last / devserver::kBlockSize;
         ++block) {
      if (std::find(allowed.begin(), allowed.end(), block) == allowed.end()) {
        failures.push_back(content.request + " asks for block " + std::to_string(block));
        break;
      }
    }
  }
  return failures;
}
