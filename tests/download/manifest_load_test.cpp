// Loading manifests: the order of checks, their error codes and the end they report.
#include <gtest/gtest.h>

#include "download/md5_digest.h"
#include "engine_harness.h"
#include "platform/path.h"
#include "sandbox.h"

using namespace base;
using namespace download;

namespace {

using namespace testing_support;

constexpr char kUrl[] = "http://127.0.0.70:9/download/pkg.exe";  // nobody answers there
const std::string& Content() {
  static const std::string content = PatternContent(3000);
  return content;
}

struct LoadOutcome {
  int status;
  int error;
  std::vector<Event> ends;
  int pings;
};

// `live`: a mirror that answers and serves Content(), so that a manifest that should be
// refused but loads ends in a finished download instead of failing for want of mirrors.
LoadOutcome Load(const std::string& manifest, const std::string& existingFile = std::string(), bool withFile = false,
                 const std::string& live = std::string()) {
  Sandbox sandbox;
  const std::string target = sandbox.root() + "/pkg.exe";
  if (withFile) Sandbox::WriteFile(target, existingFile);
  EventRecorder recorder;
  PingTable pings;
  if (!live.empty()) pings.echoMs[live] = 1;
  auto engine = NewEngine(pings, recorder);
  EXPECT_EQ(engine->DownloadByConfigData(manifest.c_str(), manifest.size(), target), S_OK);
  EXPECT_TRUE(WaitForStop(*engine, recorder));
  LoadOutcome outcome{engine->GetStatus(), engine->GetErrorCode(), recorder.Ends(), *pings.calls};
  auto lifetime = engine->StateLifetime();
  engine.reset();
  EXPECT_TRUE(WaitForRelease(lifetime));
  return outcome;
}

void ExpectFailedEnd(const LoadOutcome& outcome) {
  ASSERT_EQ(outcome.ends.size(), 1u);
  EXPECT_EQ(outcome.ends[0].event, kDownloadEventFailed);
  EXPECT_EQ(outcome.ends[0].code, 0u);
  EXPECT_EQ(outcome.ends[0].value, 0);
}

// One live mirror for the manifests of a test.
class ManifestLoad : public ::testing::Test {
 protected:
  ManifestText Good() const { return ManifestFor(Content(), {mirror.Url(0)}); }

  void ExpectRefused(const ManifestText& manifest, int error, int status) {
    const LoadOutcome outcome = Load(manifest.Build(), std::string(), false, mirror.Url(0));
    EXPECT_EQ(outcome.error, error) << manifest.Build();
    EXPECT_EQ(outcome.status, status);
    EXPECT_EQ(outcome.pings, 0) << "refused before any mirror was asked";
    ExpectFailedEnd(outcome);
  }

  void ExpectLoaded(const ManifestText& manifest) {
    const LoadOutcome outcome = Load(manifest.Build(), std::string(), false, mirror.Url(0));
    EXPECT_EQ(outcome.error, 0) << manifest.Build();
    EXPECT_EQ(outcome.status, 5);
  }

  ScriptedMirrors mirror{"[mirror 1]\n", Content()};
};

void ExpectUnreachable(const ManifestText& manifest, int error, int status) {
  const LoadOutcome outcome = Load(manifest.Build());
  EXPECT_EQ(outcome.error, error) << manifest.Build();
  EXPECT_EQ(outcome.status, status);
  ExpectFailedEnd(outcome);
}

TEST_F(ManifestLoad, VersionGate) {
  for (const char* accepted : {"1", "0"}) {
    ManifestText m = Good();
    m.version = accepted;
    ExpectLoaded(m);
  }
  ManifestText newer = Good();
  newer.version = "2";
  ExpectRefused(newer, 2, 3);
  ManifestText missing = Good();
  missing.version.clear();
  ExpectRefused(missing, 5, 3);
  ManifestText fraction = Good();
  fraction.version = "1.0";
  ExpectRefused(fraction, 5, 3);
}

TEST_F(ManifestLoad, FileSize) {
  for (const char* bad : {"abc", "3000000000", "0", "-5", ""}) {
    ManifestText m = Good();
    m.size = bad;
    ExpectRefused(m, 6, 4);
  }
}

TEST_F(ManifestLoad, UrlList) {
  ManifestText twelve = Good();
  twelve.urls.assign(12, kUrl);
  for (std::size_t i = 0; i < twelve.urls.size(); ++i)
    twelve.urls[i] = "http://127.0.0.70:9/download/p" + std::to_string(i);
  const LoadOutcome outcome = Load(twelve.Build());
  EXPECT_EQ(outcome.error, 11);
  EXPECT_EQ(outcome.pings, 10) << "URLs past the tenth are ignored";

  ManifestText shortList = Good();
  shortList.urls = {kUrl, kUrl};
  shortList.urlSize = "3";
  ExpectRefused(shortList, 8, 4);

  ManifestText noCount = Good();
  noCount.urlSize = "many";
  ExpectRefused(noCount, 7, 4);

  ManifestText noHost = Good();
  noHost.urls = {"ftp://127.0.0.70/pkg.exe"};
  ExpectUnreachable(noHost, 11, 4);
}

TEST_F(ManifestLoad, DigestList) {
  ManifestText noCount = Good();
  noCount.hashSize = "x";
  ExpectRefused(noCount, 9, 4);

  ManifestText missingItem = Good();
  missingItem.hashSize = std::to_string(missingItem.digests.size() + 1);
  ExpectRefused(missingItem, 10, 4);

  ManifestText none = Good();
  none.digests.clear();
  ExpectRefused(none, 10, 4);
  EXPECT_EQ(mirror.Gets(0), 0) << "nothing was fetched for a manifest that cannot verify a file";
}

TEST_F(ManifestLoad, NotXml) {
  for (const std::string& text :
       {std::string("this is not xml"), std::string("<download version=\"1\">"),
        std::string("<download version=\"1\"><url></download>"), std::string(), std::string("   ")}) {
    const LoadOutcome outcome = Load(text);
    EXPECT_EQ(outcome.error, 4) << text;
    EXPECT_EQ(outcome.status, 4);
    ASSERT_EQ(outcome.ends.size(), 1u);
    EXPECT_EQ(outcome.ends[0].event, kDownloadEventFailed);
  }
}

TEST_F(ManifestLoad, PackageAlreadyPresent) {
  const std::string content = PatternContent(3000);
  ManifestText m = ManifestFor(content, {kUrl});
  const LoadOutcome present = Load(m.Build(), content, true);
  EXPECT_EQ(present.status, 5);
  EXPECT_EQ(present.error, 1);
  EXPECT_EQ(present.pings, 0) << "no network access";
  ASSERT_EQ(present.ends.size(), 1u);
  EXPECT_EQ(present.ends[0].event, kDownloadEventFinished);
  EXPECT_EQ(present.ends[0].code, 0u);
  EXPECT_EQ(present.ends[0].value, 1);

  const LoadOutcome different = Load(m.Build(), content.substr(1), true);
  EXPECT_EQ(different.error, 11);

  ManifestText lower = m;
  for (auto& digest : lower.digests) {
    for (char& c : digest) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  const LoadOutcome lowerCase = Load(lower.Build(), content, true);
  EXPECT_EQ(lowerCase.error, 1) << "digests compare without regard to case";
  EXPECT_EQ(lowerCase.status, 5);
}

// Manifests as a hostile mirror or manifest URL may shape them: each is refused at
// load, with the load error its fault calls for, and never crashes the engine.
TEST_F(ManifestLoad, HostileManifestsAreRefused) {
  for (const std::string& digest : {std::string(32, 'G'), std::string(31, 'A'), std::string(33, 'A'),
                                    std::string("0123456789ABCDEF0123456789ABCDE ")}) {
    ManifestText m = Good();
    m.digests.back() = digest;
    ExpectRefused(m, 10, 4);
    m = Good();
    m.digests.front() = digest;
    ExpectRefused(m, 10, 4);
  }

  ManifestText longUrl = Good();
  const std::string prefix = "http://127.0.0.70:9/download/";
  longUrl.urls = {prefix + std::string(kUrlBufferSize - prefix.size(), 'u')};
  ExpectRefused(longUrl, 4, 4);
  longUrl.urls = {prefix + std::string(kUrlBufferSize - 1 - prefix.size(), 'u')};
  EXPECT_EQ(Load(longUrl.Build()).pings, 1) << "the longest URL that fits is used";

  std::string deep = Good().Build();
  const std::size_t root = deep.find("<url");
  deep.insert(root, std::string(100000 * 3, ' '));
  for (std::size_t i = 0; i < 100000; ++i) deep.replace(root + 3 * i, 3, "<a>");
  const LoadOutcome nested = Load(deep);
  EXPECT_EQ(nested.error, 4);
  EXPECT_EQ(nested.status, 4);
}

TEST(EngineInterface, EmptyCallbackIsRefused) {
  IDownloader* engine = nullptr;
  ASSERT_TRUE(CreateDownloader(&engine));
  EXPECT_EQ(engine->SetCallback(ProgressCallback()), E_POINTER);
  EXPECT_EQ(engine->SetCallback([](int, unsigned, long) { return 1; }), S_OK);
  EXPECT_EQ(engine->GetStatus(), 0);
  EXPECT_EQ(engine->GetErrorString(), "NoError");
  EXPECT_FALSE(engine->IsDownloading());
  EXPECT_EQ(engine->StopDownload(), S_OK);
  delete engine;
  EXPECT_FALSE(CreateDownloader(nullptr));
}

TEST(EngineInterface, TargetPathsThatDoNotFitAreRefused) {
  EventRecorder recorder;
  PingTable pings;
  auto engine = NewEngine(pings, recorder);
  const std::string longPath = "/tmp/" + std::string(300, 'p');
  const std::string manifest = ManifestFor(Content(), {kUrl}).Build();
  EXPECT_EQ(engine->DownloadByConfigData(manifest.c_str(), manifest.size(), longPath), E_INVALIDARG);
  EXPECT_EQ(engine->DownloadByConfigUrl("http://127.0.0.70:9/m.xml", "/tmp/" + std::string(252, 'p')), E_INVALIDARG)
      << "the path with \".cfg\" appended does not fit";
  EXPECT_FALSE(engine->IsDownloading());
  EXPECT_EQ(recorder.Count(), 0u);
}

TEST(EngineInterface, ErrorNames) {
  EXPECT_STREQ(GetDownloadErrorName(0), "NoError");
  EXPECT_STREQ(GetDownloadErrorName(10), "ConfigLoadHashError");
  EXPECT_STREQ(GetDownloadErrorName(14), "DownloadExeError");
  EXPECT_STREQ(GetDownloadErrorName(15), "Unknown");
  EXPECT_STREQ(GetDownloadErrorName(-1), "Unknown");
}

}  // namespace
