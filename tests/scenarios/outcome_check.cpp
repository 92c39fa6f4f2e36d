#include "tests/scenarios/outcome_check.h"

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
    case devserver::ResultCheck::Any:
      return;
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
        failures.push_back("the target differs from the package from byte " + std::to_string(at) +
                           " (block " + std::to_string(at / devserver::kBlockSize) + ")");
      }
      return;
    }
  }
}

}  // namespace

std::vector<std::string> CheckOutcome(const devserver::Expectation& expect, const FetchOutcome& outcome,
                                      const std::vector<std::uint8_t>& package,
                                      const std::filesystem::path& target) {
  std::vector<std::string> failures;
  if (!outcome.finished) {
    failures.push_back("the download did not end within " + std::to_string(expect.timeLimitSeconds) + " s");
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
