// The scripted mirrors of corvex-devserver as libcurl sees them, and the scenario
// format they are scripted with.
#include <curl/curl.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/child_process.h"
#include "tests/common/devserver_process.h"
#include "tests/common/sandbox.h"
#include "tools/devserver/scenario.h"

namespace {

namespace fs = std::filesystem;
using testing_support::DevserverProcess;

struct FetchResult {
  CURLcode code = CURLE_OK;
  long httpStatus = 0;
  std::string body;
  curl_off_t contentLength = -1;
  std::string redirect;
};

size_t AppendBody(char* data, size_t size, size_t count, void* out) {
  static_cast<std::string*>(out)->append(data, size * count);
  return size * count;
}

FetchResult Fetch(const std::string& url, const char* range = nullptr, bool head = false, long lowSpeedSeconds = 0) {
  FetchResult result;
  CURL* curl = curl_easy_init();
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, AppendBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &result.body);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT, 30L);
  if (range != nullptr) curl_easy_setopt(curl, CURLOPT_RANGE, range);
  if (head) curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
  if (lowSpeedSeconds > 0) {
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, lowSpeedSeconds);
  }
  result.code = curl_easy_perform(curl);
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &result.httpStatus);
  curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &result.contentLength);
  char* location = nullptr;
  if (curl_easy_getinfo(curl, CURLINFO_REDIRECT_URL, &location) == CURLE_OK && location) result.redirect = location;
  curl_easy_cleanup(curl);
  return result;
}

std::string Slice(const std::vector<std::uint8_t>& bytes, std::size_t from, std::size_t count) {
  return std::string(reinterpret_cast<const char*>(bytes.data()) + from, count);
}

constexpr char kMirrorScript[] = R"(# The devserver's own test mirrors.
# Second comment line.
[package]
size = 2621440
seed = 11
name = corvex_devserver_test.exe

[mirror 1]

[mirror 2]
corrupt_block = 1
fault_requests = 1

[mirror 3]
dead

[mirror 4]
reset_after = 100000

[mirror 5]
status = 500
flag = 0 busy

[mirror 6]
length = 2621441
content_status = 404
stall_after = 5000
stall_seconds = 20

[cdn]
rate = 4000000

[expect]
result = any
)";

class DevserverMirrors : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    sandbox_ = new testing_support::TempFolder("corvex-devserver-test");
    ASSERT_FALSE(sandbox_->Path().empty());
    ParseResult parsed = devserver::ParseScenario(kMirrorScript);
    ASSERT_TRUE(parsed.scenario) << parsed.error;
    scenario_ = new devserver::Scenario(*parsed.scenario);
    package_ = new std::vector<std::uint8_t>(devserver::GeneratePackage(scenario_->package));
    const fs::path packagePath = *sandbox_ / scenario_->package.name;
    std::ofstream(packagePath, std::ios::binary)
        .write(reinterpret_cast<const char*>(package_->data()), static_cast<std::streamsize>(package_->size()));
    server_ = new DevserverProcess();
    ASSERT_TRUE(server_->StartMirrors(kMirrorScript, packagePath.string())) << server_->Output();
  }

  static void TearDownTestSuite() {
    server_->Stop();
    EXPECT_TRUE(server_->EndedCleanly()) << server_->Output();
    delete server_;
    delete package_;
    delete scenario_;
    delete sandbox_;
  }

  static std::string Url(std::size_t mirror) { return server_->MirrorUrl(mirror); }
  static std::string FlagUrl(const std::string& address) {
    return "http://" + address + ":" + std::to_string(server_->MirrorPort()) + "/flag.php";
  }

  using ParseResult = devserver::ParseResult;
  static inline testing_support::TempFolder* sandbox_ = nullptr;
  static inline devserver::Scenario* scenario_ = nullptr;
  static inline std::vector<std::uint8_t>* package_ = nullptr;
  static inline DevserverProcess* server_ = nullptr;
};

TEST_F(DevserverMirrors, HealthyMirrorServesLengthRangesAndCapacity) {
  FetchResult head = Fetch(Url(0), nullptr, true);
  ASSERT_EQ(head.code, CURLE_OK);
  EXPECT_EQ(head.httpStatus, 200);
  EXPECT_EQ(head.contentLength, 2621440);

  FetchResult whole = Fetch(Url(0));
  ASSERT_EQ(whole.code, CURLE_OK);
  EXPECT_TRUE(whole.body == Slice(*package_, 0, package_->size()));

  FetchResult range = Fetch(Url(0), "1048570-1048600");
  EXPECT_EQ(range.httpStatus, 206);
  EXPECT_EQ(range.body, Slice(*package_, 1048570, 31));
  // A range past the end is cut to the end; one that starts past it is refused.
  FetchResult clamped = Fetch(Url(0), "2621400-9999999");
  EXPECT_EQ(clamped.httpStatus, 206);
  EXPECT_EQ(clamped.body, Slice(*package_, 2621400, 40));
  EXPECT_EQ(Fetch(Url(0), "2621440-2621441").httpStatus, 416);
  EXPECT_EQ(Fetch(Url(0), "-10").body, Slice(*package_, 2621430, 10));

  EXPECT_EQ(Fetch(FlagUrl("127.0.0.11")).body, devserver::kDefaultFlag);
  EXPECT_EQ(Fetch(FlagUrl("127.0.0.15")).body, "0 busy");
  EXPECT_EQ(Fetch("http://127.0.0.11:" + std::to_string(server_->MirrorPort()) + "/download/other.exe").httpStatus,
            404);
}

TEST_F(DevserverMirrors, CorruptBlockIsAlteredOnlyWithinItsBlockAndOnlyForFaultRequests) {
  FetchResult first = Fetch(Url(1), "1000000-2100000");
  ASSERT_EQ(first.code, CURLE_OK);
  ASSERT_EQ(first.body.size(), 1100001u);
  const std::string good = Slice(*package_, 1000000, 1100001);
  const std::size_t blockStart = 1048576 - 1000000;
  const std::size_t blockEnd = 2097152 - 1000000;
  EXPECT_EQ(first.body.substr(0, blockStart), good.substr(0, blockStart));
  for (std::size_t i = blockStart; i < blockEnd; ++i) ASSERT_NE(first.body[i], good[i]) << "offset " << i;
  EXPECT_EQ(first.body.substr(blockEnd), good.substr(blockEnd));
  // fault_requests = 1: the next request gets the true bytes.
  EXPECT_EQ(Fetch(Url(1), "1000000-2100000").body, good);
}

TEST_F(DevserverMirrors, FailingMirrorsFailTheWayTheScriptSays) {
  EXPECT_EQ(Fetch(Url(2), nullptr, true).code, CURLE_COULDNT_CONNECT);  // dead

  FetchResult reset = Fetch(Url(3), "0-999999");
  EXPECT_EQ(reset.code, CURLE_PARTIAL_FILE);
  EXPECT_EQ(reset.body, Slice(*package_, 0, 100000));

  FetchResult error = Fetch(Url(4), nullptr, true);
  EXPECT_EQ(error.httpStatus, 500);

  // Advertises one byte more than the package and refuses content with a 404.
  FetchResult head = Fetch(Url(5), nullptr, true);
  EXPECT_EQ(head.httpStatus, 200);
  EXPECT_EQ(head.contentLength, 2621441);
  EXPECT_EQ(Fetch(Url(5), "0-99").httpStatus, 404);
}

TEST_F(DevserverMirrors, CdnServesBelowItsMarkerPath) {
  ASSERT_NE(Url(6).find("/cdn.corvex.example/download/"), std::string::npos);
  FetchResult rated = Fetch(Url(6), "0-399999");
  ASSERT_EQ(rated.code, CURLE_OK);
  EXPECT_EQ(rated.body, Slice(*package_, 0, 400000));
}

TEST(DevserverStall, StalledResponseTripsTheLowSpeedLimitAfterItsBytes) {
  // Its own server: the stalled response holds a worker until the server stops.
  testing_support::TempFolder dir("corvex-devserver-stall");
  auto package = devserver::GeneratePackage(devserver::PackageParams{300000, 1, "corvex_scenario.exe"});
  std::ofstream(dir / "corvex_scenario.exe", std::ios::binary)
      .write(reinterpret_cast<const char*>(package.data()), static_cast<std::streamsize>(package.size()));
  DevserverProcess server;
  ASSERT_TRUE(
      server.StartMirrors("[mirror 1]\nstall_after = 7000\n", (dir / "corvex_scenario.exe").string(), {"--quiet"}))
      << server.Output();
  // Long enough that a loaded machine (or a sanitizer build) delivers the first bytes
  // before the limit judges the speed.
  FetchResult stalled = Fetch(server.MirrorUrl(0), "0-299999", false, 4);
  EXPECT_EQ(stalled.code, CURLE_OPERATION_TIMEDOUT);
  EXPECT_EQ(stalled.body, Slice(package, 0, 7000));
  server.Stop();
  EXPECT_TRUE(server.EndedCleanly()) << server.Output();
}

// Answers that break the protocol: a redirect, a body longer than the range its head
// names, a capacity answer cut off after its first byte.
TEST(DevserverProtocolFaults, RedirectOverlongRangeAndCutCapacityAnswer) {
  testing_support::TempFolder dir("corvex-devserver-faults");
  std::ofstream(dir / "p.exe") << std::string(500, 'a') << std::string(500, 'b');
  DevserverProcess server;
  ASSERT_TRUE(
      server.StartMirrors("[mirror 1]\nredirect = http://127.0.0.1:1/elsewhere\n"
                          "[mirror 2]\nextra_bytes = 5\nflag_reset_after = 1\n",
                          (dir / "p.exe").string()))
      << server.Output();
  const FetchResult redirect = Fetch(server.MirrorUrl(0), nullptr, true);
  EXPECT_EQ(redirect.httpStatus, 302);
  EXPECT_EQ(redirect.redirect, "http://127.0.0.1:1/elsewhere");
  EXPECT_EQ(Fetch(server.MirrorUrl(1), "490-499").body, std::string(10, 'a') + std::string(5, 'b'));
  EXPECT_EQ(Fetch(server.MirrorUrl(1), "990-999").body, std::string(10, 'b')) << "never past the end";
  const FetchResult flag = Fetch(server.MirrorBase(1) + "/flag.php");
  EXPECT_EQ(flag.code, CURLE_PARTIAL_FILE);
  EXPECT_EQ(flag.body, "1");
  server.Stop();
  EXPECT_TRUE(server.EndedCleanly()) << server.Output();
}

struct CommandRun {
  int exitCode = -1;
  std::string output;
};

CommandRun RunDevserver(const std::vector<std::string>& arguments) {
  platform::ChildProcessRequest request;
  request.program = testing_support::DevserverProgram();
  request.argv.push_back(request.program);
  request.argv.insert(request.argv.end(), arguments.begin(), arguments.end());
  CommandRun run;
  request.onLine = [&run](platform::ChildStream, std::string_view line) { run.output += std::string(line) + "\n"; };
  run.exitCode = platform::RunChildProcess(request).exitCode;
  return run;
}

TEST(DevserverCommandLine, MistakesEndWithAClearMessage) {
  CommandRun help = RunDevserver({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.output.find("--scenario FILE"), std::string::npos);

  CommandRun unknown = RunDevserver({"--sceanrio", "x"});
  EXPECT_EQ(unknown.exitCode, 2);
  EXPECT_NE(unknown.output.find("unknown option '--sceanrio'"), std::string::npos) << unknown.output;
  EXPECT_NE(RunDevserver({"--scenario", "x.scenario"}).output.find("mirror mode needs both --scenario and --package"),
            std::string::npos);
  EXPECT_NE(RunDevserver({"--vendor", "127.0.0.1"}).output.find("--vendor needs ADDR:PORT"), std::string::npos);
  EXPECT_NE(RunDevserver({}).output.find("nothing to serve"), std::string::npos);

  testing_support::TempFolder dir("corvex-devserver-cli");
  std::ofstream(dir / "bad.scenario") << "[mirror 1]\nrate = fast\n";
  std::ofstream(dir / "p.exe") << "x";
  CommandRun bad = RunDevserver({"--scenario", (dir / "bad.scenario").string(), "--package", (dir / "p.exe").string()});
  EXPECT_EQ(bad.exitCode, 1);
  EXPECT_NE(bad.output.find("bad.scenario: line 2: 'rate' needs a number, got 'fast'"), std::string::npos)
      << bad.output;
  std::ofstream(dir / "good.scenario") << "[mirror 1]\n";
  CommandRun missing =
      RunDevserver({"--scenario", (dir / "good.scenario").string(), "--package", (dir / "none.exe").string()});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_NE(missing.output.find("cannot read package"), std::string::npos) << missing.output;
}

TEST(ScenarioFormat, SectionsBecomeMirrorsInManifestOrder) {
  devserver::ParseResult parsed = devserver::ParseScenario(kMirrorScript);
  ASSERT_TRUE(parsed.scenario) << parsed.error;
  const devserver::Scenario& s = *parsed.scenario;
  EXPECT_EQ(s.description, "The devserver's own test mirrors. Second comment line.");
  EXPECT_EQ(s.package.size, 2621440u);
  EXPECT_EQ(s.package.name, "corvex_devserver_test.exe");
  ASSERT_EQ(s.mirrors.size(), 7u);
  EXPECT_EQ(s.mirrors[0].address, "127.0.0.11");
  EXPECT_EQ(s.mirrors[5].address, "127.0.0.16");
  EXPECT_TRUE(s.mirrors[2].dead);
  EXPECT_EQ(s.mirrors[1].corruptBlocks, std::vector<std::uint32_t>{1});
  EXPECT_EQ(s.mirrors[5].advertisedLength, 2621441u);
  EXPECT_TRUE(s.mirrors[6].isCdn);
  EXPECT_EQ(s.mirrors[6].address, "127.0.0.17");
  EXPECT_EQ(devserver::MirrorUrl(s.mirrors[6], 8700, "a.exe"),
            "http://127.0.0.17:8700/cdn.corvex.example/download/a.exe");
  EXPECT_EQ(devserver::MirrorUrl(s.mirrors[0], 8700, "a.exe"), "http://127.0.0.11:8700/download/a.exe");
  EXPECT_EQ(s.expect.result, devserver::ResultCheck::Any);
}

TEST(ScenarioFormat, ExpectationsKeepTheirTextWhole) {
  devserver::ParseResult parsed = devserver::ParseScenario(
      "[mirror 1]\n[expect]\nstatus = 4\nerror_code = 11\nresult = absent\n"
      "log = Download_CheckPing: ID(0), Invalid(true), time(0).\nno_log = a = b # not a comment\n");
  ASSERT_TRUE(parsed.scenario) << parsed.error;
  const devserver::Expectation& e = parsed.scenario->expect;
  EXPECT_EQ(e.status, 4);
  EXPECT_EQ(e.errorCode, 11);
  EXPECT_EQ(e.result, devserver::ResultCheck::Absent);
  EXPECT_EQ(e.logLines, std::vector<std::string>{"Download_CheckPing: ID(0), Invalid(true), time(0)."});
  EXPECT_EQ(e.absentLines, std::vector<std::string>{"a = b # not a comment"});
}

TEST(ScenarioFormat, MistakesAreReportedWithTheirLine) {
  auto error = [](const std::string& text) { return devserver::ParseScenario(text).error; };
  EXPECT_EQ(error("[mirror 1]\nstal_after = 5\n"), "line 2: unknown key 'stal_after' in [mirror 1]");
  EXPECT_EQ(error("[mirror 7]\n"), "line 1: mirror sections are numbered 1 to 6: [mirror 7]");
  EXPECT_EQ(error("[cdn]\n[mirror 1]\n"), "line 2: [cdn] must come after every [mirror N]");
  EXPECT_EQ(error("[mirror 1]\nreset_after = 12k\n"), "line 2: 'reset_after' needs a number, got '12k'");
  EXPECT_EQ(error("[package]\nsize = 0\n[mirror 1]\n"), "line 2: size must be above 0");
  EXPECT_EQ(error("# only words\n"), "line 1: no [mirror N] or [cdn] section");
  EXPECT_EQ(error("[mirror 1]\n[expect]\nresult = maybe\n"), "line 3: result is exact, absent or any, got 'maybe'");
}

TEST(ScenarioFormat, PackagesAreReproducible) {
  devserver::PackageParams params{1000003, 5, "x.exe"};
  auto a = devserver::GeneratePackage(params);
  EXPECT_EQ(a.size(), 1000003u);
  EXPECT_EQ(a, devserver::GeneratePackage(params));
  params.seed = 6;
  EXPECT_NE(a, devserver::GeneratePackage(params));
}

}  // namespace
