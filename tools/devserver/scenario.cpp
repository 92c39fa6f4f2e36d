#include "tools/devserver/scenario.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <sstream>

namespace devserver {
namespace {

std::string Trim(const std::string& text) {
  const char* blanks = " \t\r";
  std::size_t first = text.find_first_not_of(blanks);
  if (first == std::string::npos) return {};
  std::size_t last = text.find_last_not_of(blanks);
  return text.substr(first, last - first + 1);
}

template <typename Number>
bool ParseNumber(const std::string& text, Number& out) {
  if (text.empty()) return false;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
  return ec == std::errc() && end == text.data() + text.size();
}

enum class Section { None, Package, Mirror, Expect };

class Parser {
 public:
  ParseResult Run(const std::string& text) {
    std::istringstream lines(text);
    std::string raw;
    bool inHeaderComment = true;
    while (std::getline(lines, raw)) {
      ++lineNumber_;
      std::string line = Trim(raw);
      if (line.empty()) continue;
      if (line[0] == '#') {
        if (inHeaderComment) AppendDescription(Trim(line.substr(1)));
        continue;
      }
      inHeaderComment = false;
      bool ok = line[0] == '[' ? OpenSection(line) : ReadKey(line);
      if (!ok) return {std::nullopt, error_};
    }
    if (scenario_.mirrors.empty()) {
      Fail("no [mirror N] or [cdn] section");
      return {std::nullopt, error_};
    }
    return {std::move(scenario_), {}};
  }

 private:
  void AppendDescription(const std::string& text) {
    if (!scenario_.description.empty()) scenario_.description += ' ';
    scenario_.description += text;
  }

  bool Fail(const std::string& message) {
    error_ = "line " + std::to_string(lineNumber_) + ": " + message;
    return false;
  }

  bool OpenSection(const std::string& line) {
    if (line.back() != ']') return Fail("section header without ']'");
    std::string name = Trim(line.substr(1, line.size() - 2));
    if (name == "package") {
      section_ = Section::Package;
    } else if (name == "expect") {
      section_ = Section::Expect;
    } else if (name == "cdn") {
      MirrorScript cdn;
      cdn.label = "cdn";
      cdn.isCdn = true;
      cdn.address = "127.0.0.17";
      cdn.pathPrefix = kDefaultCdnPrefix;
      scenario_.mirrors.push_back(cdn);
      section_ = Section::Mirror;
    } else if (name.rfind("mirror ", 0) == 0) {
      unsigned index = 0;
      if (!ParseNumber(Trim(name.substr(7)), index) || index < 1 || index > 6) {
        return Fail("mirror sections are numbered 1 to 6: [" + name + "]");
      }
      if (!scenario_.mirrors.empty() && scenario_.mirrors.back().isCdn) {
        return Fail("[cdn] must come after every [mirror N]");
      }
      MirrorScript mirror;
      mirror.label = name;
      mirror.address = "127.0.0." + std::to_string(10 + index);
      scenario_.mirrors.push_back(mirror);
      section_ = Section::Mirror;
    } else {
      return Fail("unknown section [" + name + "]");
    }
    sectionName_ = name;
    return true;
  }

  bool ReadKey(const std::string& line) {
    std::size_t equals = line.find('=');
    std::string key = Trim(line.substr(0, equals));
    std::string value = equals == std::string::npos ? std::string() : Trim(line.substr(equals + 1));
    switch (section_) {
      case Section::None: return Fail("key '" + key + "' before any section");
      case Section::Package: return ReadPackageKey(key, value);
      case Section::Mirror: return ReadMirrorKey(key, value, scenario_.mirrors.back());
      case Section::Expect: return ReadExpectKey(key, value);
    }
    return false;
  }

  template <typename T>
  bool ReadNumber(const std::string& key, const std::string& value, T& out) {
    if (!ParseNumber(value, out)) return Fail("'" + key + "' needs a number, got '" + value + "'");
    return true;
  }

  template <typename T>
  bool ReadOptional(const std::string& key, const std::string& value, std::optional<T>& out) {
    T parsed{};
    if (!ReadNumber(key, value, parsed)) return false;
    out = parsed;
    return true;
  }

  bool ReadPackageKey(const std::string& key, const std::string& value) {
    PackageParams& p = scenario_.package;
    if (key == "size") return ReadNumber(key, value, p.size) && (p.size > 0 || Fail("size must be above 0"));
    if (key == "seed") return ReadNumber(key, value, p.seed);
    if (key == "name") {
      if (value.empty() || value.find('/') != std::string::npos) return Fail("name must be a plain file name");
      p.name = value;
      return true;
    }
    if (key == "target") {
      if (value == "nothing")
        p.target = TargetBefore::Nothing;
      else if (value == "package")
        p.target = TargetBefore::Package;
      else if (value == "stale_longer")
        p.target = TargetBefore::StaleLonger;
      else if (value == "damaged")
        p.target = TargetBefore::Damaged;
      else
        return Fail("target is nothing, package, stale_longer or damaged, got '" + value + "'");
      return true;
    }
    if (key == "zero_block" || key == "bad_block") {
      std::uint32_t block = 0;
      if (!ReadNumber(key, value, block)) return false;
      (key == "zero_block" ? p.zeroBlocks : p.badBlocks).push_back(block);
      return true;
    }
    return UnknownKey(key);
  }

  bool ReadMirrorKey(const std::string& key, const std::string& value, MirrorScript& m) {
    if (key == "dead") return (m.dead = true);
    if (key == "ignore_ranges") return (m.ignoreRanges = true);
    if (key == "address") return !(m.address = value).empty() || Fail("empty address");
    if (key == "path_prefix") {
      if (!value.empty() && value[0] != '/') return Fail("path_prefix must start with '/'");
      m.pathPrefix = value;
      return true;
    }
    if (key == "status") return ReadNumber(key, value, m.status);
    if (key == "content_status") return ReadNumber(key, value, m.contentStatus);
    if (key == "length") return ReadOptional(key, value, m.advertisedLength);
    if (key == "flag") return (m.flag = value), true;
    if (key == "flag_reset_after") return ReadOptional(key, value, m.flagResetAfter);
    if (key == "redirect") return !(m.redirect = value).empty() || Fail("empty redirect");
    if (key == "corrupt_block") {
      std::uint32_t block = 0;
      if (!ReadNumber(key, value, block)) return false;
      m.corruptBlocks.push_back(block);
      return true;
    }
    if (key == "stall_after") return ReadOptional(key, value, m.stallAfter);
    if (key == "stall_seconds") return ReadNumber(key, value, m.stallSeconds);
    if (key == "reset_after") return ReadOptional(key, value, m.resetAfter);
    if (key == "extra_bytes") return ReadNumber(key, value, m.extraBytes);
    if (key == "rate") return ReadNumber(key, value, m.rateBytesPerSecond);
    if (key == "fault_requests") return ReadOptional(key, value, m.faultRequests);
    return UnknownKey(key);
  }

  bool ReadExpectKey(const std::string& key, const std::string& value) {
    Expectation& e = scenario_.expect;
    if (key == "status") return ReadOptional(key, value, e.status);
    if (key == "error_code") return ReadOptional(key, value, e.errorCode);
    if (key == "log") return value.empty() ? Fail("empty log line") : (e.logLines.push_back(value), true);
    if (key == "no_log") return value.empty() ? Fail("empty no_log line") : (e.absentLines.push_back(value), true);
    if (key == "time_limit") return ReadNumber(key, value, e.timeLimitSeconds);
    if (key == "fetch") {
      if (value == "any")
        e.fetch = FetchCheck::Any;
      else if (value == "damaged")
        e.fetch = FetchCheck::DamagedOnly;
      else
        return Fail("fetch is any or damaged, got '" + value + "'");
      return true;
    }
    if (key == "result") {
      if (value == "exact")
        e.result = ResultCheck::Exact;
      else if (value == "absent")
        e.result = ResultCheck::Absent;
      else if (value == "any")
        e.result = ResultCheck::Any;
      else
        return Fail("result is exact, absent or any, got '" + value + "'");
      return true;
    }
    return UnknownKey(key);
  }

  bool UnknownKey(const std::string& key) { return Fail("unknown key '" + key + "' in [" + sectionName_ + "]"); }

  Scenario scenario_;
  Section section_ = Section::None;
  std::string sectionName_;
  std::string error_;
  int lineNumber_ = 0;
};

}  // namespace

ParseResult ParseScenario(const std::string& text) { return Parser().Run(text); }

ParseResult LoadScenarioFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {std::nullopt, "cannot open " + path};
  std::ostringstream text;
  text << in.rdbuf();
  ParseResult result = ParseScenario(text.str());
  if (!result.scenario) result.error = path + ": " + result.error;
  return result;
}

std::vector<std::uint8_t> GeneratePackage(const PackageParams& params) {
  std::vector<std::uint8_t> bytes(params.size);
  // xorshift64*: cheap and the same on every machine.
  std::uint64_t state = 0x9E3779B97F4A7C15ull ^ params.seed;
  std::size_t i = 0;
  while (i < bytes.size()) {
    state ^= state >> 12;
    state ^= state << 25;
    state ^= state >> 27;
    std::uint64_t word = state * 0x2545F4914F6CDD1Dull;
    for (int k = 0; k < 8 && i < bytes.size(); ++k, ++i) bytes[i] = static_cast<std::uint8_t>(word >> (8 * k));
  }
  return bytes;
}

std::vector<std::uint8_t> DamagedCopy(const PackageParams& params, std::vector<std::uint8_t> package) {
  auto spoil = [&package](std::uint32_t block, bool zero) {
    const std::uint64_t start = std::uint64_t{block} * kBlockSize;
    const std::uint64_t end = std::min<std::uint64_t>(start + kBlockSize, package.size());
    for (std::uint64_t at = start; at < end; ++at)
      package[at] = zero ? 0 : static_cast<std::uint8_t>(package[at] ^ 0x5A);
  };
  for (std::uint32_t block : params.zeroBlocks) spoil(block, true);
  for (std::uint32_t block : params.badBlocks) spoil(block, false);
  return package;
}

std::string MirrorUrl(const MirrorScript& mirror, int port, const std::string& packageName) {
  return "http://" + mirror.address + ":" + std::to_string(port) + mirror.pathPrefix + "/download/" + packageName;
}

}  // namespace devserver
