#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cjson/cJSON.h>

#include <ctime>
#include <fstream>
#include <sstream>

#include "external/vendor_services.h"
#include "platform/elf_symbols.h"
#include "sandbox.h"
#include "telemetry/crash_handler.h"
#include "telemetry/crash_symbolizer.h"
#include "telemetry/report_text.h"
#include "tests/common/devserver_process.h"

using namespace telemetry;

extern char** environ;

namespace {

using testing_support::DevserverProcess;
using testing_support::LoggedReport;
using testing_support::Sandbox;

std::tm June16() {
  std::tm moment{};
  moment.tm_year = 2020 - 1900;
  moment.tm_mon = 5;
  moment.tm_mday = 16;
  return moment;
}

CrashReportSources FixedSources() {
  CrashReportSources sources;
  sources.languageName = "German";
  sources.localTime = June16;
  sources.macList = [] { return std::vector<std::string>{"3c-97-0e-12-34-56"}; };
  return sources;
}

class CrashReportTest : public ::testing::Test {
 protected:
  CrashReportTest() { server.StartVendor(sandbox.root() + "/reports.jsonl"); }
  std::string url() const { return server.VendorBase() + vendor::kCrashPath; }
  std::string File(const std::string& name, const std::string& content) {
    const std::string path = sandbox.root() + "/" + name;
    Sandbox::WriteFile(path, content);
    return path;
  }
  Sandbox sandbox;
  DevserverProcess server;
};

TEST(CrashReportJson, KeysInOrder) {
  EXPECT_EQ(BuildCrashReportJson("3c-97-0e-12-34-56", "German", "RUN-UUID", "Corvex 11"),
            "{\"version\":1004,\"user_id\":\"3c-97-0e-12-34-56\",\"language\":\"German\",\"uuid\":\"RUN-UUID\","
            "\"app_id\":\"Corvex 11\",\"install_status\":\"crash\"}");
}

TEST_F(CrashReportTest, PartsFollowTheFilesThatExist) {
  ASSERT_TRUE(server.Ready());
  const std::string missing = sandbox.root() + "/missing";
  const std::string dump = File("install.dmp", "corvex crash dump 1\n");
  const std::string log = File("install.log", "00:00:00 : Init Log OK.\n");
  EXPECT_TRUE(SendCrashReport(url(), "Corvex 11", missing, missing, "RUN-UUID", FixedSources()));
  EXPECT_TRUE(SendCrashReport(url(), "Corvex 11", missing, log, "RUN-UUID", FixedSources()));
  EXPECT_TRUE(SendCrashReport(url(), "Corvex 11", dump, log, "", FixedSources()));
  // Nothing to send to, or nothing to send.
  EXPECT_FALSE(SendCrashReport("", "Corvex 11", dump, log, "RUN-UUID", FixedSources()));
  EXPECT_FALSE(SendCrashReport(url(), "", dump, log, "RUN-UUID", FixedSources()));
  EXPECT_FALSE(SendCrashReport(url(), "Corvex 11", "", log, "RUN-UUID", FixedSources()));

  const std::vector<LoggedReport> reports = server.Reports();
  ASSERT_EQ(reports.size(), 3u);
  EXPECT_EQ(reports[0].path, "/api/install/index_crash.php");
  EXPECT_EQ(reports[0].Names(), (std::vector<std::string>{"json_data", "app_id", "app_version"}));
  EXPECT_EQ(reports[0].parts[0].value, BuildCrashReportJson("3c-97-0e-12-34-56", "German", "RUN-UUID", "Corvex 11"));
  EXPECT_EQ(reports[0].parts[1].value, "Corvex 11");
  EXPECT_EQ(reports[0].parts[2].value, "20200616");

  EXPECT_EQ(reports[1].Names(), (std::vector<std::string>{"json_data", "app_id", "app_version", "crash_log"}));
  EXPECT_EQ(reports[1].parts[3].fileName, "RUN-UUID.log");
  EXPECT_EQ(reports[1].parts[3].size, 24);

  // Without a run id the report says "0000".
  ASSERT_EQ(reports[2].Names(),
            (std::vector<std::string>{"json_data", "app_id", "app_version", "crash_dump", "crash_log"}));
  EXPECT_NE(reports[2].parts[0].value.find("\"uuid\":\"0000\""), std::string::npos);
  EXPECT_EQ(reports[2].parts[3].fileName, "0000.dmp");
  EXPECT_EQ(reports[2].parts[3].size, 20);
  EXPECT_EQ(reports[2].parts[4].fileName, "0000.log");
}

__attribute__((noinline)) int SymbolisedHere(int value) { return value * 3 + 1; }

TEST(CrashSymboliser, NamesAFunctionOfARunningProgram) {
  const auto address = reinterpret_cast<std::uintptr_t>(&SymbolisedHere) + 4;
  char frame[32];
  std::snprintf(frame, sizeof frame, "0x%016llx", static_cast<unsigned long long>(address));
  const std::string dump = std::string("corvex crash dump 1\nframes\n") + frame + "\nmaps\n" +
                           Sandbox::ReadFile("/proc/self/maps") + "end\n";
  const CrashDumpContents contents = ParseCrashDump(dump);
  ASSERT_EQ(contents.frames.size(), 1u);
  EXPECT_EQ(contents.frames[0], address);
  const std::string named = SymboliseCrashDump(dump);
  EXPECT_NE(named.find("#0 " + std::string(frame) + " (anonymous namespace)::SymbolisedHere(int)+0x4 ("),
            std::string::npos)
      << named;
  EXPECT_EQ(SymbolisedHere(1), 4);
}

std::string Today() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return FormatDateStamp(local);
}

// Runs the crash child in the sandbox with the devserver as its crash host; its
// wait status.
int RunCrashChild(const Sandbox& sandbox, const DevserverProcess& server, const std::string& mode) {
  std::vector<std::string> environment = {"HOME=" + sandbox.home(), "CORVEX_SYSROOT=" + sandbox.root(),
                                          "CORVEX_CRASH_HOST=" + server.VendorBase(), "LANG=de_DE.UTF-8",
                                          "PATH=/usr/bin:/bin"};
  std::vector<char*> envp;
  for (std::string& entry : environment) envp.push_back(entry.data());
  envp.push_back(nullptr);
  std::string program = CORVEX_CRASH_CHILD_PATH;
  std::string modeArgument = mode;
  char* argv[] = {program.data(), modeArgument.data(), nullptr};
  pid_t child = -1;
  if (posix_spawn(&child, program.c_str(), nullptr, nullptr, argv, envp.data()) != 0) return -1;
  int status = 0;
  if (waitpid(child, &status, 0) != child) return -1;
  return status;
}

// What every crash must have sent; the uuid of the run.
std::string ExpectCompleteCrashReport(const Sandbox& sandbox, const LoggedReport& report, const std::string& before,
                                      const std::string& dump) {
  EXPECT_EQ(report.path, "/api/install/index_crash.php");
  EXPECT_EQ(report.Names(),
            (std::vector<std::string>{"json_data", "app_id", "app_version", "crash_dump", "crash_log"}));
  if (report.parts.size() != 5) return "";
  cJSON* json = cJSON_Parse(report.parts[0].value.c_str());
  EXPECT_NE(json, nullptr);
  if (json == nullptr) return "";
  const std::string uuid = cJSON_GetObjectItem(json, "uuid")->valuestring;
  EXPECT_EQ(uuid.size(), 36u);
  EXPECT_STREQ(cJSON_GetObjectItem(json, "install_status")->valuestring, "crash");
  EXPECT_STREQ(cJSON_GetObjectItem(json, "app_id")->valuestring, "Corvex 11");
  // The UI language chosen after the handler was first armed.
  EXPECT_STREQ(cJSON_GetObjectItem(json, "language")->valuestring, "German");
  cJSON_Delete(json);

  EXPECT_EQ(report.parts[1].value, "Corvex 11");
  const std::string after = Today();
  EXPECT_TRUE(report.parts[2].value == before || report.parts[2].value == after) << report.parts[2].value;
  EXPECT_EQ(report.parts[3].fileName, uuid + ".dmp");
  EXPECT_EQ(report.parts[4].fileName, uuid + ".log");
  EXPECT_EQ(report.parts[3].size, static_cast<long>(dump.size()));
  EXPECT_NE(dump.find("\nmodules\n"), std::string::npos);
  EXPECT_NE(dump.find("\nsymbolised\n"), std::string::npos);

  const std::string log = Sandbox::ReadFile(sandbox.documents() + "/Corvex11/Log/install.log");
  EXPECT_EQ(report.parts[4].size, static_cast<long>(log.size()));
  EXPECT_NE(log.find("crash child: about to crash"), std::string::npos);
  return uuid;
}

std::string FirstNamedFrame(const std::string& dump) {
  const auto named = dump.find("\nsymbolised\n#0 ");
  if (named == std::string::npos) return "";
  const auto start = named + 12;
  return dump.substr(start, dump.find('\n', start) - start);
}

std::string DumpOf(const Sandbox& sandbox) { return Sandbox::ReadFile(sandbox.documents() + "/Corvex 11/install.dmp"); }

TEST_F(CrashReportTest, CrashedChildReportsItsDumpAndLogAndEndsQuietly) {
  ASSERT_TRUE(server.Ready());
  const std::string before = Today();
  const int status = RunCrashChild(sandbox, server, "");
  // Ended by the handler: an exit, not a death by signal (no core, no message).
  ASSERT_TRUE(WIFEXITED(status)) << "status " << status;
  EXPECT_EQ(WEXITSTATUS(status), 128 + SIGSEGV);

  const std::vector<LoggedReport> reports = server.Reports();
  ASSERT_EQ(reports.size(), 1u);
  const std::string dump = DumpOf(sandbox);
  ExpectCompleteCrashReport(sandbox, reports[0], before, dump);
  EXPECT_EQ(dump.rfind("corvex crash dump 1\nsignal 11 SIGSEGV\n", 0), 0u) << dump.substr(0, 200);
  EXPECT_NE(dump.find("fault_address 0x0000000000000000\n"), std::string::npos);
  // The reporter named the frames; the first is the function that faulted.
  EXPECT_NE(FirstNamedFrame(dump).find("CrashByNullDereference"), std::string::npos) << dump;
  EXPECT_NE(dump.find(" main+0x"), std::string::npos) << "the caller is named too";

  // The module table carries the build id the program file has on disk.
  platform::ElfSymbolTable program;
  ASSERT_TRUE(program.Load(CORVEX_CRASH_CHILD_PATH));
  ASSERT_EQ(program.BuildId().size(), 40u);
  EXPECT_NE(dump.find(" " + program.BuildId() + " " + std::string(CORVEX_CRASH_CHILD_PATH) + "\n"), std::string::npos);
}

TEST(CrashSymboliser, StrippedLibraryIsNamedThroughItsInstalledDebugFile) {
  const char* const libcPath = "/lib/x86_64-linux-gnu/libc.so.6";
  if (access(libcPath, R_OK) != 0) GTEST_SKIP() << "not a Debian x86-64 system";
  platform::ElfSymbolTable libc;
  ASSERT_TRUE(libc.Load(libcPath));
  EXPECT_FALSE(libc.HasFullSymbolTable());
  const std::string debugPath = platform::DebugFileForBuildId(libc.BuildId());
  if (access(debugPath.c_str(), R_OK) != 0) GTEST_SKIP() << "no debug file for the C library";
  platform::ElfSymbolTable debugFile;
  ASSERT_TRUE(debugFile.Load(debugPath));
  EXPECT_TRUE(debugFile.HasFullSymbolTable());
}

TEST_F(CrashReportTest, WorkerThreadCrashAndAbortAreReportedToo) {
  ASSERT_TRUE(server.Ready());
  const std::string before = Today();
  int status = RunCrashChild(sandbox, server, "thread");
  ASSERT_TRUE(WIFEXITED(status)) << "status " << status;
  EXPECT_EQ(WEXITSTATUS(status), 128 + SIGSEGV);
  std::vector<LoggedReport> reports = server.Reports();
  ASSERT_EQ(reports.size(), 1u);
  std::string dump = DumpOf(sandbox);
  const std::string firstUuid = ExpectCompleteCrashReport(sandbox, reports[0], before, dump);
  EXPECT_NE(FirstNamedFrame(dump).find("CrashByNullDereference"), std::string::npos) << dump;

  status = RunCrashChild(sandbox, server, "abort");
  ASSERT_TRUE(WIFEXITED(status)) << "status " << status;
  EXPECT_EQ(WEXITSTATUS(status), 128 + SIGABRT);
  reports = server.Reports();
  ASSERT_EQ(reports.size(), 2u);
  dump = DumpOf(sandbox);  // replaced by the second crash
  EXPECT_EQ(dump.rfind("corvex crash dump 1\nsignal 6 SIGABRT\n", 0), 0u) << dump.substr(0, 200);
  EXPECT_NE(ExpectCompleteCrashReport(sandbox, reports[1], before, dump), firstUuid);
}

TEST_F(CrashReportTest, ArmedProgramThatDoesNotCrashEndsNormallyWithoutReport) {
  ASSERT_TRUE(server.Ready());
  const int status = RunCrashChild(sandbox, server, "exit");
  ASSERT_TRUE(WIFEXITED(status)) << "status " << status;
  EXPECT_EQ(WEXITSTATUS(status), 0);  // in the sanitizer build: nothing leaked either
  EXPECT_TRUE(server.Reports().empty());
}

TEST_F(CrashReportTest, StackOverflowStillReachesTheHandler) {
  ASSERT_TRUE(server.Ready());
  const std::string before = Today();
  const int status = RunCrashChild(sandbox, server, "overflow");
  ASSERT_TRUE(WIFEXITED(status)) << "status " << status;
  EXPECT_EQ(WEXITSTATUS(status), 128 + SIGSEGV);
  const std::vector<LoggedReport> reports = server.Reports();
  ASSERT_EQ(reports.size(), 1u);
  const std::string dump = DumpOf(sandbox);
  ExpectCompleteCrashReport(sandbox, reports[0], before, dump);
  EXPECT_NE(FirstNamedFrame(dump).find("RecurseWithoutEnd"), std::string::npos) << FirstNamedFrame(dump);
  EXPECT_NE(dump.find("\nstack 0x"), std::string::npos);
}

}  // namespace
