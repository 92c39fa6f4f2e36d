// corvex-manifest and corvex-fetch as a mirror operator runs them.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>

#include "engine_harness.h"
#include "sandbox.h"
#include "tls_nginx.h"

namespace {

using namespace testing_support;

struct Result {
  int exitCode;
  std::string output;  // stdout and stderr
};

Result RunTool(const std::string& tool, const std::string& arguments) {
  const char* binary = std::getenv("CORVEX_BINARY_DIR");
  const std::string command =
      std::string(binary ? binary : ".") + "/tools/" + tool + "/" + tool + " " + arguments + " 2>&1";
  Result result{-1, ""};
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return result;
  char buffer[4096];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0) result.output.append(buffer, got);
  const int status = ::pclose(pipe);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

TEST(Tools, ManifestThenFetchFromTwoMirrors) {
  Sandbox sandbox;
  const std::string content = PatternContent(3 * 1048576 + 1234);
  const std::string package = sandbox.root() + "/package.exe";
  Sandbox::WriteFile(package, content);
  testing_support::DevserverProcess mirrors;
  ASSERT_TRUE(mirrors.StartMirrors("[mirror 1]\n[mirror 2]\n", package)) << mirrors.Output();

  const std::string manifest = sandbox.root() + "/manifest.xml";
  const Result written =
      RunTool("corvex-manifest", "--package " + package + " --stem corvex11mini --x64 --version 11.0.9.2" +
                                     " --url-name package.exe --mirror " + mirrors.MirrorBase(0) + " --mirror " +
                                     mirrors.MirrorBase(1) + " --output " + manifest);
  ASSERT_EQ(written.exitCode, 0) << written.output;
  const std::string text = Sandbox::ReadFile(manifest);
  EXPECT_NE(text.find("name=\"corvex11mini_x64_11092_"), std::string::npos) << text;
  EXPECT_NE(text.find("<hash size=\"5\">"), std::string::npos) << "whole file plus four blocks";

  const std::string target = sandbox.root() + "/fetched.exe";
  const std::string log = sandbox.root() + "/fetch.log";
  const Result fetched =
      RunTool("corvex-fetch", "--manifest " + manifest + " --output " + target + " --no-ping --segments --log " + log);
  ASSERT_EQ(fetched.exitCode, 0) << fetched.output;
  EXPECT_TRUE(Sandbox::ReadFile(target) == content) << "the file differs from the package";
  EXPECT_NE(fetched.output.find("complete and verified"), std::string::npos) << fetched.output;
  EXPECT_NE(fetched.output.find(mirrors.MirrorUrl(0)), std::string::npos) << "the segment table names the mirrors";
  EXPECT_NE(Sandbox::ReadFile(log).find("Download_CheckFinish : Finish download."), std::string::npos);

  // A complete file is not fetched again: it needs no mirror.
  mirrors.Stop();
  const Result again = RunTool("corvex-fetch", "--manifest " + manifest + " --output " + target + " --no-ping --quiet");
  EXPECT_EQ(again.exitCode, 0) << again.output;
}

// A mirror operator with a private CA points corvex-fetch at it through the
// environment; without it the same mirror does not verify.
TEST(Tools, FetchFromHttpsMirrorWithPrivateCa) {
  Sandbox sandbox;
  const std::string content = PatternContent(1048576 + 99);
  const std::string package = sandbox.root() + "/package.exe";
  Sandbox::WriteFile(package, content);
  TlsNginx nginx(sandbox.root() + "/nginx", {{"127.0.0.83", TlsCertificate::Trusted}},
                 {{"/download/package.exe", content}});
  ASSERT_TRUE(nginx.Started()) << nginx.ErrorLog();
  const std::string manifest = sandbox.root() + "/manifest.xml";
  const Result written =
      RunTool("corvex-manifest", "--package " + package + " --stem corvex11mini --version 11.0.9.2" +
                                     " --url-name package.exe --mirror " + nginx.Base(0) + " --output " + manifest);
  ASSERT_EQ(written.exitCode, 0) << written.output;

  const std::string target = sandbox.root() + "/fetched.exe";
  const std::string arguments = "--manifest " + manifest + " --output " + target + " --no-ping --quiet";
  const Result untrusted = RunTool("corvex-fetch", arguments);
  EXPECT_EQ(untrusted.exitCode, 1);
  EXPECT_NE(untrusted.output.find("DownloadCheckUrlError"), std::string::npos) << untrusted.output;
  ::setenv("CORVEX_CA_FILE", nginx.CaFile().c_str(), 1);
  const Result trusted = RunTool("corvex-fetch", arguments);
  ::unsetenv("CORVEX_CA_FILE");
  EXPECT_EQ(trusted.exitCode, 0) << trusted.output;
  EXPECT_TRUE(Sandbox::ReadFile(target) == content) << "the file differs from the package";
}

TEST(Tools, FailuresAndUsage) {
  Sandbox sandbox;
  const std::string manifest = sandbox.root() + "/broken.xml";
  Sandbox::WriteFile(manifest, "<download version=\"1\" size=\"nope\"/>");
  const Result broken =
      RunTool("corvex-fetch", "--manifest " + manifest + " --output " + sandbox.root() + "/x --no-ping");
  EXPECT_EQ(broken.exitCode, 1);
  EXPECT_NE(broken.output.find("ConfigLoadFileSizeError"), std::string::npos) << broken.output;

  EXPECT_EQ(RunTool("corvex-fetch", "--help").exitCode, 0);
  EXPECT_EQ(RunTool("corvex-manifest", "--help").exitCode, 0);
  const Result noOutput = RunTool("corvex-fetch", "--manifest " + manifest);
  EXPECT_EQ(noOutput.exitCode, 2);
  EXPECT_NE(noOutput.output.find("--output"), std::string::npos);
  const Result missing = RunTool(
      "corvex-manifest", "--package " + sandbox.root() + "/none.exe --stem a --version 1 --mirror http://127.0.0.1");
  EXPECT_EQ(missing.exitCode, 2);
  EXPECT_NE(missing.output.find("cannot read package"), std::string::npos) << missing.output;
  const Result badMirror =
      RunTool("corvex-manifest", "--package " + manifest + " --stem a --version 1 --mirror ftp://x");
  EXPECT_EQ(badMirror.exitCode, 2);
}

}  // namespace
