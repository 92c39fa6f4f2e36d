// The engine against nginx TLS mirrors: certificates verify against the trusted CAs,
// and a mirror whose certificate does not is dropped, never trusted in silence.
#include <gtest/gtest.h>

#include "engine_harness.h"
#include "sandbox.h"
#include "tls_nginx.h"

namespace {

using namespace testing_support;

constexpr char kFile[] = "/download/pkg.exe";

TEST(HttpsMirrors, VerifiedMirrorsServeBadCertificatesAreReplaced) {
  Sandbox sandbox;
  const std::string content = PatternContent(3 * 1048576 + 77);
  const std::vector<TlsSite> sites = {{"127.0.0.71", TlsCertificate::Trusted},
                                      {"127.0.0.72", TlsCertificate::Trusted},
                                      {"127.0.0.73", TlsCertificate::WrongName},
                                      {"127.0.0.74", TlsCertificate::Untrusted}};
  // The manifest names the mirrors' ports, known once nginx runs.
  TlsNginx nginx(sandbox.root() + "/nginx", sites, {{kFile, content}});
  ASSERT_TRUE(nginx.Started()) << nginx.ErrorLog();
  std::vector<std::string> urls;
  PingTable pings;
  for (std::size_t i = 0; i < sites.size(); ++i) {
    urls.push_back(nginx.Base(i) + kFile);
    pings.echoMs[urls.back()] = i < 2 ? 5 : 1;  // the bad ones would be ranked first
  }
  const std::string manifest = ManifestFor(content, urls).Build();
  std::filesystem::create_directories(sandbox.root() + "/nginx/www/cfg");
  Sandbox::WriteFile(sandbox.root() + "/nginx/www/cfg/manifest.xml", manifest);

  LogCapture log;
  EventRecorder recorder;
  auto engine = NewEngine(pings, recorder);
  engine->SetCaFile(nginx.CaFile());
  const std::string target = sandbox.root() + "/pkg.exe";
  ASSERT_EQ(engine->DownloadByConfigUrl(nginx.Base(0) + "/cfg/manifest.xml", target), S_OK);
  ASSERT_TRUE(WaitForStop(*engine, recorder));
  EXPECT_EQ(engine->GetStatus(), 5) << engine->GetErrorString() << "\n" << log.Text();
  EXPECT_TRUE(Sandbox::ReadFile(target) == content) << "the file differs from the package";
  EXPECT_GT(nginx.Requests(0, "GET", kFile) + nginx.Requests(1, "GET", kFile), 0);
  EXPECT_GT(nginx.Requests(1, "GET", "/flag.php"), 0) << "the capacity probe asks over https too";
  for (std::size_t bad : {2u, 3u}) {
    EXPECT_EQ(nginx.Requests(bad, "HEAD", kFile) + nginx.Requests(bad, "GET", kFile), 0) << nginx.Base(bad);
  }
  engine.reset();

  // The system's store does not hold the test CA: nothing verifies, nothing is fetched.
  EventRecorder plain;
  auto untrusting = NewEngine(pings, plain);
  ASSERT_EQ(untrusting->DownloadByConfigData(manifest.c_str(), manifest.size(), sandbox.root() + "/other.exe"), S_OK);
  ASSERT_TRUE(WaitForStop(*untrusting, plain));
  EXPECT_EQ(untrusting->GetStatus(), 4);
  EXPECT_EQ(untrusting->GetErrorCode(), 11);
}

}  // namespace
