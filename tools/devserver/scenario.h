// A mirror scenario: what each mirror of a download answers and what the download
// must end with. One data file per case, shared by the devserver (which serves it)
// and the scenario runner (which checks the outcome).
//
//   # comment
//   [package]            size = 3145728   seed = 7   name = corvex_test.exe
//                        target = nothing | package | stale_longer | damaged
//                        zero_block = K   bad_block = K   (damaged: repeatable)
//   [mirror 1]           one section per mirror, listed in manifest order;
//                        "mirror N" listens on 127.0.0.(10+N) unless address = is given
//   [cdn]                the CDN mirror, 127.0.0.17, path prefix /cdn.corvex.example
//   [expect]             status, error_code, result, log, no_log, time_limit, fetch
//
// Mirror keys: dead, status, content_status, length, flag, flag_reset_after, redirect,
// corrupt_block, stall_after, stall_seconds, reset_after, extra_bytes, rate,
// fault_requests, ignore_ranges, address, path_prefix.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace devserver {

inline constexpr std::uint32_t kBlockSize = 1048576;
inline constexpr char kDefaultCdnPrefix[] = "/cdn.corvex.example";
inline constexpr char kDefaultFlag[] = "1 spare capacity";

// What lies at the download's target path before the download starts.
enum class TargetBefore {
  Nothing,
  Package,      // the intact package: nothing needs to be fetched
  StaleLonger,  // other, longer content that the download must replace entirely
  Damaged,      // the package with some 1 MiB blocks zeroed or altered: a cut-off download
};

struct PackageParams {
  std::uint64_t size = 3 * kBlockSize;
  std::uint32_t seed = 1;
  std::string name = "corvex_scenario.exe";
  TargetBefore target = TargetBefore::Nothing;
  std::vector<std::uint32_t> zeroBlocks = {};  // Damaged: blocks that hold zeros
  std::vector<std::uint32_t> badBlocks = {};   // Damaged: blocks that hold altered bytes
};

// How one mirror answers. Every fault applies to content requests (GET of the
// package); the first `faultRequests` of them when set, else all.
struct MirrorScript {
  std::string label;       // "mirror 3" or "cdn"
  std::string address;     // IPv4 to listen on
  std::string pathPrefix;  // before "/download/<name>"; the CDN's carries its marker
  bool isCdn = false;
  bool dead = false;                              // does not listen at all
  int status = 200;                               // answer to HEAD and GET of the package (404, 500, ...)
  int contentStatus = 0;                          // when set: the answer to GET only (HEAD stays fine)
  std::optional<std::uint64_t> advertisedLength;  // Content-Length other than the size
  std::string flag = kDefaultFlag;                // body of /flag.php
  std::optional<std::uint64_t> flagResetAfter;    // bytes of the /flag.php answer before the drop
  std::string redirect;                           // when set: HEAD and GET of the package answer 302 to it
  std::vector<std::uint32_t> corruptBlocks;       // 1 MiB blocks served altered
  std::optional<std::uint64_t> stallAfter;        // bytes of a response before it stalls
  std::uint32_t stallSeconds = 30;
  std::optional<std::uint64_t> resetAfter;  // bytes of a response before the drop
  std::uint64_t extraBytes = 0;             // sent past the end of a requested range
  std::uint64_t rateBytesPerSecond = 0;     // 0: unlimited
  std::optional<std::uint32_t> faultRequests;
  bool ignoreRanges = false;  // answers range requests with 200 and the whole file
};

enum class FetchCheck {
  Any,          // not checked
  DamagedOnly,  // every content request lies inside the damaged blocks of the target
};

enum class ResultCheck {
  Exact,   // the target file holds exactly the package
  Absent,  // no target file was created
  Any,     // not checked
};

struct Expectation {
  std::optional<int> status;
  std::optional<int> errorCode;
  ResultCheck result = ResultCheck::Exact;
  std::vector<std::string> logLines;     // each must occur in the log
  std::vector<std::string> absentLines;  // none may occur
  std::uint32_t timeLimitSeconds = 90;   // the fetch is ended after this
  FetchCheck fetch = FetchCheck::Any;
};

struct Scenario {
  std::string description;  // the leading comment lines
  PackageParams package;
  std::vector<MirrorScript> mirrors;  // manifest order; the CDN last when present
  Expectation expect;
};

struct ParseResult {
  std::optional<Scenario> scenario;
  std::string error;  // "line 12: unknown key 'stal_after' in [mirror 2]"
};

ParseResult ParseScenario(const std::string& text);
ParseResult LoadScenarioFile(const std::string& path);

// The package bytes a scenario describes: a reproducible pseudo-random sequence.
std::vector<std::uint8_t> GeneratePackage(const PackageParams& params);
// What lies at the target before a Damaged download: `package` with the zero and bad
// blocks of `params` spoilt.
std::vector<std::uint8_t> DamagedCopy(const PackageParams& params, std::vector<std::uint8_t> package);

// "http://127.0.0.11:8700/download/corvex_scenario.exe" (the prefix goes before
// "/download/").
std::string MirrorUrl(const MirrorScript& mirror, int port, const std::string& packageName);

}  // namespace devserver
