// Mirrors, manifest URLs and targets shaped by someone who wants the engine to read a
// local file, grow a file without end, or write where it must not.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <httplib.h>

#include <filesystem>
#include <thread>

#include "base/log_text.h"
#include "download/mirror_probe.h"
#include "engine_harness.h"
#include "sandbox.h"

using namespace base;
using namespace download;

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

struct Outcome {
  int status;
  int error;
};

// Runs one download of `manifest` into `target` and waits until the engine let go.
Outcome Fetch(const std::string& manifest, const std::string& target, const PingTable& pings,
              const std::string& manifestUrl = std::string()) {
  EventRecorder recorder;
  auto engine = NewEngine(pings, recorder);
  const HRESULT started = manifestUrl.empty() ? engine->DownloadByConfigData(manifest.c_str(), manifest.size(), target)
                                              : engine->DownloadByConfigUrl(manifestUrl, target);
  EXPECT_EQ(started, S_OK);
  EXPECT_TRUE(WaitForStop(*engine, recorder));
  const Outcome outcome{engine->GetStatus(), engine->GetErrorCode()};
  auto lifetime = engine->StateLifetime();
  engine.reset();
  EXPECT_TRUE(WaitForRelease(lifetime));
  return outcome;
}

// A local file the size of the package, where a file:// mirror URL points: a root
// process must never copy it into the target, whatever the URL looks like.
TEST(HostileInput, LocalFilesAreNeverFetched) {
  Sandbox sandbox;
  const std::string secret = PatternContent(5000, 3);
  const std::string secretPath = sandbox.root() + "/cdn.corvex.example/download/pkg.exe";
  fs::create_directories(fs::path(secretPath).parent_path());
  Sandbox::WriteFile(secretPath, secret);
  const std::string target = sandbox.root() + "/pkg.exe";

  // One redirects the package to the secret, the other to a local manifest.
  ScriptedMirrors mirrors("[mirror 1]\nredirect = file://" + secretPath + "\n[mirror 2]\nredirect = file://" +
                              sandbox.root() + "/local.xml\n",
                          secret);
  Sandbox::WriteFile(sandbox.root() + "/local.xml", ManifestFor(secret, {"file://" + secretPath}).Build());

  PingTable pings;
  pings.echoMs = {{"file://" + secretPath, 1}, {mirrors.Url(0), 1}};
  for (const std::string& url : {"file://" + secretPath, "file://localhost" + secretPath, mirrors.Url(0)}) {
    const Outcome outcome = Fetch(ManifestFor(secret, {url}).Build(), target, pings);
    EXPECT_EQ(outcome.status, 4) << url;
    EXPECT_EQ(outcome.error, 11) << url << ": no mirror may be usable";
    EXPECT_FALSE(Sandbox::ReadFile(target) == secret) << url;
  }
  for (const std::string& manifestUrl : {"file://" + sandbox.root() + "/local.xml", mirrors.Url(1)}) {
    const Outcome outcome = Fetch("", target, pings, manifestUrl);
    EXPECT_EQ(outcome.error, 3) << manifestUrl;
    EXPECT_EQ(Sandbox::ReadFile(target + ".cfg"), "") << manifestUrl;
  }
}

// What the capacity probe makes of a mirror that answers "/flag.php" with `body`.
struct CapacityProbe {
  bool room = false;
  int port = 0;
  std::string logged;
};
CapacityProbe ProbeCapacityAnswer(const std::string& body) {
  CapacityProbe probe;
  httplib::Server mirror;
  mirror.Get("/flag.php", [&body](const httplib::Request&, httplib::Response& response) {
    response.set_content(body, "text/html");
  });
  probe.port = mirror.bind_to_any_port("127.0.0.1");
  if (probe.port <= 0) return probe;
  std::thread serving([&mirror] { mirror.listen_after_bind(); });
  {
    LogCapture capture;
    probe.room = GetNetworkNotFull("http://127.0.0.1:" + std::to_string(probe.port) + "/download/pkg.exe", "");
    probe.logged = capture.Text();
  }
  mirror.stop();
  serving.join();
  return probe;
}

// A mirror's capacity answer reaches the log as one short printable line, whatever
// it holds: no forged log lines, no flood.
TEST(HostileInput, CapacityAnswerIsLoggedAsOneShortPrintableLine) {
  std::string body = "1";
  for (int i = 0; body.size() < 12000; ++i) body += "\n00:00:0" + std::to_string(i % 10) + " : Install : forged.";
  body.resize(12000);
  const CapacityProbe probe = ProbeCapacityAnswer(body);
  ASSERT_GT(probe.port, 0);
  const std::string& logged = probe.logged;

  EXPECT_TRUE(probe.room) << "the answer itself is read as it came";
  const std::string start = "Download : GetNetworkNotFull IP(127.0.0.1:" + std::to_string(probe.port) + "), Result(";
  ASSERT_EQ(logged.rfind(start, 0), 0u) << logged.substr(0, 300);
  EXPECT_EQ(logged.find('\n'), logged.size() - 1) << "one line";
  const std::string result = logged.substr(start.size(), logged.size() - start.size() - 3);
  EXPECT_EQ(logged.substr(logged.size() - 3), ").\n");
  EXPECT_EQ(result, PrintableLogText(body));
  EXPECT_EQ(result.size(), 200u);
  EXPECT_EQ(result.rfind("1?00:00:00 : Install : forged.?00:00:01", 0), 0u) << result;
}

// A mirror that answers the capacity probe with megabytes is not believed, and the
// answer is not held in memory meanwhile.
TEST(HostileInput, OversizedCapacityAnswerIsRefused) {
  const CapacityProbe probe = ProbeCapacityAnswer("1" + std::string(8 << 20, 'x'));
  ASSERT_GT(probe.port, 0);
  EXPECT_FALSE(probe.room);
  EXPECT_NE(probe.logged.find("Result(error)."), std::string::npos) << probe.logged.substr(0, 300);
}

// An endless manifest body stops at the reader's limit and is refused as a manifest
// that does not load; the ".cfg" file never grows past that limit.
TEST(HostileInput, OversizedManifestIsCutAndRefused) {
  Sandbox sandbox;
  const std::string target = sandbox.root() + "/pkg.exe";
  ScriptedMirrors mirror("[mirror 1]\n", PatternContent(5000));
  std::string manifest = ManifestFor(PatternContent(5000), {mirror.Url(0)}).Build();
  manifest.append(3 * 1048576, ' ');
  ScriptedMirrors manifestServer("[mirror 1]\n", manifest, "manifest.xml");
  PingTable pings;
  const Outcome outcome = Fetch("", target, pings, manifestServer.Url(0));
  EXPECT_EQ(outcome.status, 4);
  EXPECT_EQ(outcome.error, 4);
  EXPECT_LE(fs::file_size(target + ".cfg"), 1048576u);
  EXPECT_EQ(mirror.Gets(0), 0);
}

// The target's final name is never a link (the installer runs as root in the user's
// folders) nor a device that would swallow the bytes and report a verified file.
TEST(HostileInput, TargetLinksAndDevicesAreRefused) {
  Sandbox sandbox;
  const std::string content = PatternContent(5000);
  // The first serves the refused targets, the second the one that is followed.
  ScriptedMirrors mirrors("[mirror 1]\n[mirror 2]\n", content);
  PingTable pings;
  pings.echoMs = {{mirrors.Url(0), 1}, {mirrors.Url(1), 1}};
  const std::string manifest = ManifestFor(content, {mirrors.Url(0)}).Build();

  const std::string victim = sandbox.root() + "/precious";
  Sandbox::WriteFile(victim, "keep me");
  const std::string copy = sandbox.root() + "/complete-copy";
  Sandbox::WriteFile(copy, content);
  const std::string toVictim = sandbox.root() + "/to-victim";
  const std::string toCopy = sandbox.root() + "/to-copy";
  ASSERT_EQ(::symlink(victim.c_str(), toVictim.c_str()), 0);
  ASSERT_EQ(::symlink(copy.c_str(), toCopy.c_str()), 0);
  for (const std::string& target : {toVictim, toCopy, std::string("/dev/null")}) {
    const Outcome outcome = Fetch(manifest, target, pings);
    EXPECT_EQ(outcome.status, 4) << target;
    EXPECT_EQ(outcome.error, 14) << target;
  }
  EXPECT_EQ(Sandbox::ReadFile(victim), "keep me");
  EXPECT_TRUE(fs::is_symlink(toVictim));

  // A link in the folders above the final name is followed.
  fs::create_directories(sandbox.root() + "/real");
  ASSERT_EQ(::symlink((sandbox.root() + "/real").c_str(), (sandbox.root() + "/linked").c_str()), 0);
  EXPECT_EQ(Fetch(ManifestFor(content, {mirrors.Url(1)}).Build(), sandbox.root() + "/linked/pkg.exe", pings).status, 5);
  EXPECT_TRUE(Sandbox::ReadFile(sandbox.root() + "/real/pkg.exe") == content);
  EXPECT_EQ(mirrors.Gets(0), 0) << "refused before any segment";
}

}  // namespace
