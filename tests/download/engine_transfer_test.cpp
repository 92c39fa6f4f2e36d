// The engine against real HTTP mirrors on loopback addresses.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <thread>

#include "download/md5_digest.h"
#include "download/repair_ledger.h"

#include "engine_harness.h"
#include "platform/path.h"
#include "sandbox.h"
#include "test_mirror.h"

namespace {

using namespace testing_support;
using namespace std::chrono_literals;

constexpr char kFile[] = "/download/pkg.exe";
constexpr char kCdnMarker[] = "cdn.corvex.example";

struct Download {
  Sandbox sandbox;
  EventRecorder recorder;
  PingTable pings;
  std::string target = sandbox.root() + "/pkg.exe";

  std::unique_ptr<DownloaderCurl> Start(const std::string& manifest) {
    auto engine = NewEngine(pings, recorder);
    EXPECT_EQ(engine->DownloadByConfigData(manifest.c_str(), manifest.size(), target), S_OK);
    return engine;
  }
};

std::shared_ptr<const std::string> Share(const std::string& content) {
  return std::make_shared<const std::string>(content);
}

std::vector<std::string> SegmentUrls(DownloaderCurl& engine, std::size_t count) {
  DownloadInfo info;
  engine.GetDownloadInfo(info);
  std::vector<std::string> urls;
  for (std::size_t id = 0; id < count && id < info.mapItems.size(); ++id) {
    urls.push_back(info.mapItems.at(static_cast<int>(id)).pszUrl);
  }
  return urls;
}

TEST(EngineTransfer, ThousandBytesOverTwoMirrors) {
  Download run;
  const std::string content = PatternContent(1000);
  TestMirror first("127.0.0.21"), second("127.0.0.22");
  first.Serve(kFile, Share(content));
  second.Serve(kFile, Share(content));
  run.pings.echoMs = {{first.Url("pkg.exe"), 5}, {second.Url("pkg.exe"), 6}};
  auto engine = run.Start(ManifestFor(content, {first.Url("pkg.exe"), second.Url("pkg.exe")}).Build());
  ASSERT_TRUE(WaitForStop(*engine, run.recorder));

  EXPECT_EQ(engine->GetStatus(), 5);
  EXPECT_FALSE(engine->IsDownloading());
  EXPECT_EQ(engine->GetErrorCode(), 0);
  EXPECT_TRUE(Sandbox::ReadFile(run.target) == content) << "the file differs from the package";

  DownloadInfo info;
  engine->GetDownloadInfo(info);
  EXPECT_EQ(info.nThreadCount, 4);
  EXPECT_EQ(info.nFileSize, 1000u);
  EXPECT_EQ(info.nDownloaded, 1000u);
  ASSERT_EQ(info.mapItems.size(), 4u);
  const std::string urls[] = {first.Url("pkg.exe"), second.Url("pkg.exe")};
  for (int id = 0; id < 4; ++id) {
    const DownloadItem& item = info.mapItems.at(id);
    EXPECT_EQ(item.nStart, static_cast<std::uint32_t>(id * 250));
    EXPECT_EQ(item.nEnd, static_cast<std::uint32_t>(id * 250 + 249));
    EXPECT_EQ(item.pszUrl, urls[id % 2]);
    EXPECT_EQ(item.nStatus, E_Status_Succeed);
    EXPECT_EQ(item.hCurl, nullptr);
  }

  // Every segment thread reports its end, some possibly after the finish event.
  EXPECT_TRUE(run.recorder.WaitForEvent(7, 10s, 4));
  const auto events = run.recorder.Events();
  int segmentEnds = 0;
  unsigned lastProgress = 0;
  for (const Event& e : events) {
    if (e.event == 7) ++segmentEnds;
    if (e.event == 3) {
      EXPECT_GE(e.code, lastProgress);
      EXPECT_EQ(e.value, 1000);
      lastProgress = e.code;
    }
  }
  EXPECT_EQ(segmentEnds, 4);
  ASSERT_EQ(run.recorder.Ends().size(), 1u);
  EXPECT_EQ(run.recorder.Ends()[0].event, 5);
  EXPECT_EQ(run.recorder.Ends()[0].code, 1000u);
  EXPECT_EQ(run.recorder.Ends()[0].value, 1000);

  auto lifetime = engine->StateLifetime();
  engine.reset();
  EXPECT_TRUE(WaitForRelease(lifetime));
}

TEST(EngineTransfer, SixMirrorsRankedByEchoCdnLeftOut) {
  Download run;
  const std::string content = PatternContent(200000);
  std::vector<std::unique_ptr<TestMirror>> mirrors;
  std::vector<std::string> urls;
  const std::uint32_t echo[] = {40, 10, 30, 10, 50, 20};
  for (int i = 0; i < 6; ++i) {
    mirrors.push_back(std::make_unique<TestMirror>("127.0.0." + std::to_string(31 + i)));
    mirrors.back()->Serve(kFile, Share(content));
    mirrors.back()->SetFlagAnswer("1 spare capacity");
    urls.push_back(mirrors.back()->Url("pkg.exe"));
    run.pings.echoMs[urls.back()] = echo[i];
  }
  TestMirror cdn("127.0.0.37");
  cdn.Serve(std::string("/") + kCdnMarker + kFile, Share(content));
  urls.push_back(cdn.Base() + "/" + kCdnMarker + kFile);

  auto engine = run.Start(ManifestFor(content, urls).Build());
  ASSERT_TRUE(WaitForStop(*engine, run.recorder));
  EXPECT_EQ(engine->GetStatus(), 5);
  EXPECT_TRUE(Sandbox::ReadFile(run.target) == content) << "the file differs from the package";

  DownloadInfo info;
  engine->GetDownloadInfo(info);
  EXPECT_EQ(info.nThreadCount, 10);
  const std::vector<std::string> ranked = {urls[1], urls[3], urls[5], urls[2], urls[0]};
  std::vector<std::string> expected = ranked;
  expected.insert(expected.end(), ranked.begin(), ranked.end());
  EXPECT_EQ(SegmentUrls(*engine, 10), expected);
  EXPECT_EQ(*run.pings.calls, 6) << "the CDN is not pinged";
  EXPECT_EQ(cdn.GetCount(std::string("/") + kCdnMarker + kFile), 0);
  EXPECT_FALSE(engine->IsUsingCdn());
}

TEST(EngineTransfer, TwoUsableMirrorsBringInTheCdn) {
  Download run;
  const std::string content = PatternContent(60000);
  TestMirror a("127.0.0.41"), busy("127.0.0.42"), b("127.0.0.43"), cdn("127.0.0.44");
  for (TestMirror* m : {&a, &busy, &b}) m->Serve(kFile, Share(content));
  busy.SetFlagAnswer("0 busy");
  const std::string cdnPath = std::string("/") + kCdnMarker + kFile;
  cdn.Serve(cdnPath, Share(content));
  const std::string cdnUrl = cdn.Base() + cdnPath;
  run.pings.echoMs = {{a.Url("pkg.exe"), 9}, {busy.Url("pkg.exe"), 1}, {b.Url("pkg.exe"), 3}};
  auto engine = run.Start(ManifestFor(content, {cdnUrl, a.Url("pkg.exe"), busy.Url("pkg.exe"), b.Url("pkg.exe")}).Build());
  ASSERT_TRUE(WaitForStop(*engine, run.recorder));
  EXPECT_EQ(engine->GetStatus(), 5);
  EXPECT_TRUE(Sandbox::ReadFile(run.target) == content) << "the file differs from the package";
  DownloadInfo info;
  engine->GetDownloadInfo(info);
  EXPECT_EQ(info.nThreadCount, 6);
  EXPECT_EQ(SegmentUrls(*engine, 6), (std::vector<std::string>{b.Url("pkg.exe"), a.Url("pkg.exe"), cdnUrl,
                                                               b.Url("pkg.exe"), a.Url("pkg.exe"), cdnUrl}));
}

TEST(EngineTransfer, CdnAloneRunsFiveSegments) {
  Download run;
  LogCapture log;
  const std::string content = PatternContent(50000);
  TestMirror dead("127.0.0.45"), cdn("127.0.0.46");
  dead.Serve(kFile, Share(content));
  const std::string cdnPath = std::string("/") + kCdnMarker + kFile;
  cdn.Serve(cdnPath, Share(content));
  const std::string cdnUrl = cdn.Base() + cdnPath;
  auto engine = run.Start(ManifestFor(content, {dead.Url("pkg.exe"), cdnUrl}).Build());
  ASSERT_TRUE(WaitForStop(*engine, run.recorder));
  EXPECT_EQ(engine->GetStatus(), 5);
  EXPECT_TRUE(Sandbox::ReadFile(run.target) == content) << "the file differs from the package";
  DownloadInfo info;
  engine->GetDownloadInfo(info);
  EXPECT_EQ(info.nThreadCount, 5);
  EXPECT_EQ(SegmentUrls(*engine, 5), std::vector<std::string>(5, cdnUrl));
  EXPECT_TRUE(log.Contains("Download_CheckDownload: Using Ama now.\n"));
  EXPECT_TRUE(log.Contains("Download_CheckPing: ID(0), Invalid(false), time(0).\n"));
}

TEST(EngineTransfer, CdnWithWrongLengthEndsWithoutOutputFile) {
  Download run;
  LogCapture log;
  const std::string content = PatternContent(50000);
  TestMirror cdn("127.0.0.47");
  const std::string cdnPath = std::string("/") + kCdnMarker + kFile;
  cdn.Serve(cdnPath, Share(content.substr(0, 49999)));
  auto engine = run.Start(ManifestFor(content, {"http://127.0.0.48:1/download/pkg.exe", cdn.Base() + cdnPath}).Build());
  ASSERT_TRUE(WaitForStop(*engine, run.recorder));
  EXPECT_EQ(engine->GetStatus(), 4);
  EXPECT_EQ(engine->GetErrorCode(), 11);
  EXPECT_EQ(engine->GetErrorString(), "DownloadCheckUrlError");
  EXPECT_FALSE(platform::PathFileExists(run.target));
  ASSERT_EQ(run.recorder.Ends().size(), 1u);
  EXPECT_EQ(run.recorder.Ends()[0].event, 4);
  EXPECT_EQ(run.recorder.Ends()[0].code, 0u);
  EXPECT_EQ(run.recorder.Ends()[0].value, 0);
  EXPECT_TRUE(log.Contains("Error : BeginDownload (CheckDownload(siItem) != S_OK).\n"));
  EXPECT_TRUE(log.Contains("Download_CheckDownload: ERROR : con't find Ama now.\n"));
}

TEST(EngineTransfer, CapacityAnswersDecideWhoStays) {
  Download run;
  const std::string content = PatternContent(30000);
  TestMirror one("127.0.0.51"), zero("127.0.0.52"), dropped("127.0.0.53"), ten("127.0.0.54"), said("127.0.0.55");
  one.SetFlagAnswer("1");
  zero.SetFlagAnswer("0 no room");
  MirrorFaults drop;
  drop.dropFlag = true;
  dropped.SetFaults(drop);
  ten.SetFlagAnswer("10");
  said.SetFlagAnswer("error");
  std::vector<std::string> urls;
  for (TestMirror* m : {&one, &zero, &dropped, &ten, &said}) {
    m->Serve(kFile, Share(content));
    urls.push_back(m->Url("pkg.exe"));
    run.pings.echoMs[urls.back()] = 1;
  }
  auto engine = run.Start(ManifestFor(content, urls).Build());
  ASSERT_TRUE(WaitForStop(*engine, run.recorder));
  EXPECT_EQ(engine->GetStatus(), 5);
  DownloadInfo info;
  engine->GetDownloadInfo(info);
  EXPECT_EQ(info.nThreadCount, 2);
  EXPECT_EQ(SegmentUrls(*engine, 2), std::vector<std::string>(2, ten.Url("pkg.exe")));
}

TEST(EngineTransfer, OverlongChunkIsCutAtTheSegmentEnd) {
  Download run;
  const std::string content = PatternContent(1000);
  TestMirror sloppy("127.0.0.56");
  sloppy.Serve(kFile, Share(content));
  MirrorFaults faults;
  faults.extraBytes = 100;
  sloppy.SetFaults(faults);
  run.pings.echoMs = {{sloppy.Url("pkg.exe"), 1}};
  auto engine = run.Start(ManifestFor(content, {sloppy.Url("pkg.exe")}).Build());
  ASSERT_TRUE(WaitForStop(*engine, run.recorder));
  EXPECT_EQ(engine->GetStatus(), 5);
  EXPECT_TRUE(Sandbox::ReadFile(run.target) == content) << "the file differs from the package";
  DownloadInfo info;
  engine->GetDownloadInfo(info);
  const DownloadItem& first = info.mapItems.at(0);
  EXPECT_EQ(first.nCurrent, 500u) << "nothing past nEnd was taken";
  EXPECT_EQ(first.nResult, 23) << "the cut chunk ends the transfer with a write error";
  EXPECT_TRUE(first.nStatus == E_Status_Fail || first.nStatus == E_Status_StopByDispatch);
  EXPECT_EQ(info.nDownloaded, 1000u);
}

TEST(EngineTransfer, BadBlockIsRepairedFromAnotherMirror) {
  Download run;
  LogCapture log;
  const std::string content = PatternContent(4 * 1048576);
  TestMirror corrupt("127.0.0.57"), good("127.0.0.58");
  corrupt.Serve(kFile, Share(content));
  good.Serve(kFile, Share(content));
  MirrorFaults faults;
  faults.corruptOffset = 10;
  corrupt.SetFaults(faults);
  run.pings.echoMs = {{corrupt.Url("pkg.exe"), 1}, {good.Url("pkg.exe"), 2}};
  auto engine = run.Start(ManifestFor(content, {corrupt.Url("pkg.exe"), good.Url("pkg.exe")}).Build());
  ASSERT_TRUE(WaitForStop(*engine, run.recorder));
  EXPECT_EQ(engine->GetStatus(), 5);
  EXPECT_EQ(Md5Hex(Sandbox::ReadFile(run.target).data(), content.size()), Md5Hex(content.data(), content.size()));
  DownloadInfo info;
  engine->GetDownloadInfo(info);
  const DownloadItem* repair = nullptr;
  for (const auto& [id, item] : info.mapItems) {
    if (id >= 4 && item.nStart == 0) repair = &item;  // the dispatcher may have split it since
  }
  ASSERT_NE(repair, nullptr) << "block 0 is fetched again\n" << log.Text();
  EXPECT_EQ(std::string(repair->pszUrl), good.Url("pkg.exe")) << "not from the mirror that spoiled it";
  EXPECT_TRUE(log.Contains("Download_RepairData : GetBestURL Info, start(0), end(1048575), ID(" +
                           std::to_string(repair->nId) + ").\n"));
  EXPECT_EQ(info.nDownloaded, info.nFileSize) << "repaired bytes do not push the count past the size";
}

// A fast mirror that spoils block 1 finishes its segments first; the dispatcher splits
// the slow mirror's segments onto it, so the slow ones end at their lowered ends and
// are the last transfers to return. The bad block must still be fetched again, from
// the slow mirror, and the download must end.
TEST(EngineTransfer, RepairRunsAfterSplitSegmentsEndAtTheirLoweredEnds) {
  Download run;
  LogCapture log;
  const std::string content = PatternContent(4 * 1048576);
  TestMirror slow("127.0.0.68"), fast("127.0.0.69");
  slow.Serve(kFile, Share(content));
  fast.Serve(kFile, Share(content));
  MirrorFaults slowFaults;
  slowFaults.pieceDelayMs = 8;
  slow.SetFaults(slowFaults);
  MirrorFaults fastFaults;
  fastFaults.corruptOffset = 1048576 + 10;
  fast.SetFaults(fastFaults);
  run.pings.echoMs = {{slow.Url("pkg.exe"), 1}, {fast.Url("pkg.exe"), 2}};
  auto engine = run.Start(ManifestFor(content, {slow.Url("pkg.exe"), fast.Url("pkg.exe")}).Build());
  ASSERT_TRUE(WaitForStop(*engine, run.recorder, 40s)) << log.Text();
  EXPECT_EQ(engine->GetStatus(), 5);
  EXPECT_TRUE(Sandbox::ReadFile(run.target) == content) << "the file differs from the package";

  DownloadInfo info;
  engine->GetDownloadInfo(info);
  bool split = false;
  const DownloadItem* repair = nullptr;
  for (const auto& [id, item] : info.mapItems) {
    if (id >= 4 && item.nStart % 1048576 != 0 && std::string(item.pszUrl) == fast.Url("pkg.exe")) split = true;
    if (id >= 4 && item.nStart == 1048576 && !repair) repair = &item;  // later split, maybe
  }
  EXPECT_TRUE(split) << "a slow segment was split onto the fast mirror\n" << log.Text();
  ASSERT_NE(repair, nullptr) << "block 1 is fetched again\n" << log.Text();
  EXPECT_EQ(std::string(repair->pszUrl), slow.Url("pkg.exe"));
}

// Blocks only say what to fetch again: the whole-file digest alone verifies. Bytes
// altered in a block that has no digest of its own are found by it and fetched again.
TEST(EngineTransfer, AlteredBytesWithoutABlockDigestAreFoundByTheWholeFileDigest) {
  Download run;
  LogCapture log;
  const std::string content = PatternContent(3 * 1048576);
  TestMirror altering("127.0.0.70"), good("127.0.0.71");
  altering.Serve(kFile, Share(content));
  good.Serve(kFile, Share(content));
  MirrorFaults faults;
  faults.corruptOffset = 2 * 1048576 + 5;  // block 2, which the manifest gives no digest
  altering.SetFaults(faults);
  run.pings.echoMs = {{altering.Url("pkg.exe"), 1}, {good.Url("pkg.exe"), 2}};
  ManifestText manifest = ManifestFor(content, {altering.Url("pkg.exe"), good.Url("pkg.exe")});
  manifest.digests.resize(2);  // the whole file and block 0
  auto engine = run.Start(manifest.Build());
  ASSERT_TRUE(WaitForStop(*engine, run.recorder)) << log.Text();
  EXPECT_EQ(engine->GetStatus(), 5) << log.Text();
  EXPECT_TRUE(Sandbox::ReadFile(run.target) == content) << "the file differs from the package";
  EXPECT_TRUE(log.Contains("Download_RepairData : GetBestURL Info, start(1048576), end(3145727)")) << log.Text();
}

// Mirrors that always serve the same block altered get a few attempts each; then the
// download fails and says which block and which mirrors.
TEST(EngineTransfer, ABlockNoMirrorDeliversIntactFailsTheDownload) {
  Download run;
  LogCapture log;
  const std::string content = PatternContent(2 * 1048576);
  TestMirror first("127.0.0.72"), second("127.0.0.73");
  MirrorFaults faults;
  faults.corruptOffset = 1048576 + 7;
  for (TestMirror* mirror : {&first, &second}) {
    mirror->Serve(kFile, Share(content));
    mirror->SetFaults(faults);
  }
  run.pings.echoMs = {{first.Url("pkg.exe"), 1}, {second.Url("pkg.exe"), 2}};
  auto engine = run.Start(ManifestFor(content, {first.Url("pkg.exe"), second.Url("pkg.exe")}).Build());
  ASSERT_TRUE(WaitForStop(*engine, run.recorder)) << log.Text();
  EXPECT_EQ(engine->GetStatus(), 4);
  EXPECT_EQ(engine->GetErrorCode(), 14);
  ASSERT_EQ(run.recorder.Ends().size(), 1u);
  EXPECT_EQ(run.recorder.Ends()[0].event, 4);
  EXPECT_EQ(log.CountOf("Download_RepairData : GetBestURL Info, start(1048576)"), 2 * kRepairAttemptsPerMirror);
  EXPECT_TRUE(log.Contains("bytes 1048576-2097151 (block 1) did not verify from any mirror, tried " +
                           first.Url("pkg.exe") + " (2), " + second.Url("pkg.exe") + " (2)"))
      << log.Text();
}

// A target that cannot take the bytes ends the download at once instead of fetching
// the same segments again for ever. A file size limit makes the second segment's
// writes fail (EFBIG) while the first ones succeed.
TEST(EngineTransfer, WriteErrorEndsTheDownloadAtOnce) {
  Download run;
  LogCapture log;
  const std::string content = PatternContent(1048576);
  TestMirror mirror("127.0.0.74");
  mirror.Serve(kFile, Share(content));
  run.pings.echoMs = {{mirror.Url("pkg.exe"), 1}};
  rlimit previous{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &previous), 0);
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit limited = previous;
  limited.rlim_cur = 65536;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
  auto engine = run.Start(ManifestFor(content, {mirror.Url("pkg.exe")}).Build());
  const bool stopped = WaitForStop(*engine, run.recorder, 20s);
  ::setrlimit(RLIMIT_FSIZE, &previous);
  std::signal(SIGXFSZ, oldHandler);
  ASSERT_TRUE(stopped) << log.Text();
  EXPECT_EQ(engine->GetStatus(), 4);
  EXPECT_EQ(engine->GetErrorCode(), 14);
  ASSERT_EQ(run.recorder.Ends().size(), 1u);
  EXPECT_TRUE(log.Contains("Download_WriteData : cannot write the output file (" + run.target + ").\n")) << log.Text();
  EXPECT_LE(mirror.GetCount(kFile), 2) << "no segment was fetched again";
}

TEST(EngineTransfer, FailedSegmentResumesOnAnotherMirror) {
  Download run;
  const std::string content = PatternContent(2000000);
  TestMirror flaky("127.0.0.64"), steady("127.0.0.65");
  flaky.Serve(kFile, Share(content));
  steady.Serve(kFile, Share(content));
  MirrorFaults faults;
  faults.truncatePath = kFile;
  faults.truncateFirstGets = 1;
  flaky.SetFaults(faults);
  MirrorFaults slow;
  slow.pieceDelayMs = 20;  // keeps the transfer going until the dispatcher looks
  steady.SetFaults(slow);
  run.pings.echoMs = {{flaky.Url("pkg.exe"), 1}, {steady.Url("pkg.exe"), 2}};
  auto engine = run.Start(ManifestFor(content, {flaky.Url("pkg.exe"), steady.Url("pkg.exe")}).Build());
  ASSERT_TRUE(WaitForStop(*engine, run.recorder));
  EXPECT_EQ(engine->GetStatus(), 5);
  EXPECT_TRUE(Sandbox::ReadFile(run.target) == content) << "the file differs from the package";

  DownloadInfo info;
  engine->GetDownloadInfo(info);
  const DownloadItem* failed = nullptr;
  const DownloadItem* resumed = nullptr;
  for (const auto& [id, item] : info.mapItems) {
    if (item.nStatus == E_Status_Replaced) failed = &item;
  }
  ASSERT_NE(failed, nullptr) << "the broken transfer was handed on";
  for (const auto& [id, item] : info.mapItems) {
    if (id > failed->nId && item.nStart == failed->nCurrent) resumed = &item;
  }
  ASSERT_NE(resumed, nullptr) << "the remainder resumes where the failed one stopped";
  EXPECT_EQ(std::string(resumed->pszUrl), steady.Url("pkg.exe"));
  EXPECT_EQ(resumed->nEnd, failed->nEnd);
}

TEST(EngineTransfer, NoMirrorLeftToResumeOnFailsTheDownload) {
  Download run;
  LogCapture log;
  const std::string content = PatternContent(300000);
  TestMirror first("127.0.0.66"), second("127.0.0.67");
  MirrorFaults faults;
  faults.truncatePath = kFile;
  faults.truncateFirstGets = 1000;
  for (TestMirror* mirror : {&first, &second}) {
    mirror->Serve(kFile, Share(content));
    mirror->SetFaults(faults);
  }
  run.pings.echoMs = {{first.Url("pkg.exe"), 1}, {second.Url("pkg.exe"), 2}};
  auto engine = run.Start(ManifestFor(content, {first.Url("pkg.exe"), second.Url("pkg.exe")}).Build());
  ASSERT_TRUE(WaitForStop(*engine, run.recorder));
  EXPECT_EQ(engine->GetStatus(), 4);
  EXPECT_EQ(engine->GetErrorCode(), 14);
  EXPECT_EQ(engine->GetErrorString(), "DownloadExeError");
  ASSERT_EQ(run.recorder.Ends().size(), 1u);
  EXPECT_EQ(run.recorder.Ends()[0].event, 4);
  EXPECT_EQ(run.recorder.Ends()[0].value, 300000);
  EXPECT_TRUE(log.Contains("Download_Dispatch : download error, ID("));
  EXPECT_TRUE(log.Contains("Download_Dispatch : CheckHash download failed.\n"));
}

TEST(EngineTransfer, StopDuringTransferSilencesTheEngine) {
  Download run;
  const std::string content = PatternContent(2 * 1048576);
  TestMirror slow("127.0.0.59");
  slow.Serve(kFile, Share(content));
  MirrorFaults faults;
  faults.pieceDelayMs = 20;
  slow.SetFaults(faults);
  run.pings.echoMs = {{slow.Url("pkg.exe"), 1}};
  auto engine = run.Start(ManifestFor(content, {slow.Url("pkg.exe")}).Build());
  ASSERT_TRUE(run.recorder.WaitForEvent(3, 20s));
  EXPECT_TRUE(engine->IsDownloading());
  EXPECT_EQ(engine->StopDownload(), S_OK);
  const std::size_t seen = run.recorder.Count();
  EXPECT_FALSE(engine->IsDownloading());
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(run.recorder.Count(), seen) << "no event after StopDownload";
  DownloadInfo info;
  engine->GetDownloadInfo(info);
  EXPECT_EQ(info.nFileSize, 0u);
  EXPECT_EQ(info.nDownloaded, 0u);

  auto lifetime = engine->StateLifetime();
  engine.reset();
  EXPECT_TRUE(WaitForRelease(lifetime)) << "every engine thread ends soon after the stop";
  EXPECT_EQ(run.recorder.Count(), seen);
}

TEST(EngineTransfer, DeletingARunningEngineIsSafe) {
  Download run;
  const std::string content = PatternContent(1048576);
  TestMirror slow("127.0.0.60");
  slow.Serve(kFile, Share(content));
  MirrorFaults faults;
  faults.pieceDelayMs = 10;
  slow.SetFaults(faults);
  run.pings.echoMs = {{slow.Url("pkg.exe"), 1}};
  auto engine = run.Start(ManifestFor(content, {slow.Url("pkg.exe")}).Build());
  ASSERT_TRUE(run.recorder.WaitForEvent(3, 20s));
  auto lifetime = engine->StateLifetime();
  engine.reset();
  EXPECT_TRUE(WaitForRelease(lifetime));
}

TEST(EngineTransfer, UnopenableOutputFileFailsAtOnce) {
  Download run;
  LogCapture log;
  const std::string content = PatternContent(5000);
  TestMirror mirror("127.0.0.61");
  mirror.Serve(kFile, Share(content));
  run.pings.echoMs = {{mirror.Url("pkg.exe"), 1}};
  run.target = run.sandbox.root() + "/missing-folder/pkg.exe";
  auto engine = run.Start(ManifestFor(content, {mirror.Url("pkg.exe")}).Build());
  ASSERT_TRUE(WaitForStop(*engine, run.recorder));
  EXPECT_EQ(engine->GetStatus(), 4);
  EXPECT_EQ(engine->GetErrorCode(), 14);
  EXPECT_FALSE(engine->IsDownloading());
  ASSERT_EQ(run.recorder.Ends().size(), 1u);
  EXPECT_EQ(run.recorder.Ends()[0].code, 0u);
  EXPECT_EQ(mirror.GetCount(kFile), 0) << "no segment was started";
  EXPECT_TRUE(log.Contains(run.target));
}

TEST(EngineTransfer, ManifestFromUrlIsRetriedWithAFreshTransfer) {
  Download run;
  LogCapture log;
  const std::string content = PatternContent(20000);
  TestMirror mirror("127.0.0.62");
  mirror.Serve(kFile, Share(content));
  const std::string manifest = ManifestFor(content, {mirror.Url("pkg.exe")}).Build();
  mirror.Serve("/cfg/manifest.xml", Share(manifest));
  MirrorFaults faults;
  faults.truncateFirstGets = 2;
  faults.truncatePath = "/cfg/manifest.xml";
  mirror.SetFaults(faults);
  run.pings.echoMs = {{mirror.Url("pkg.exe"), 1}};
  auto engine = NewEngine(run.pings, run.recorder);
  ASSERT_EQ(engine->DownloadByConfigUrl(mirror.Base() + "/cfg/manifest.xml", run.target), S_OK);
  ASSERT_TRUE(WaitForStop(*engine, run.recorder));
  EXPECT_EQ(mirror.GetCount("/cfg/manifest.xml"), 3);
  EXPECT_EQ(engine->GetStatus(), 5);
  EXPECT_TRUE(Sandbox::ReadFile(run.target) == content) << "the file differs from the package";
  EXPECT_EQ(Sandbox::ReadFile(run.target + ".cfg"), manifest);
  EXPECT_EQ(mirror.GetCount(kFile), 2) << "no segment had to be fetched again\n" << log.Text();
}

// An error page arrives complete but is no manifest: it is fetched again like a
// broken transfer, and the third failure is the manifest download's error.
TEST(EngineTransfer, ManifestThatArrivesButDoesNotLoadIsRetried) {
  Download run;
  LogCapture log;
  TestMirror mirror("127.0.0.75");
  mirror.Serve("/cfg/manifest.xml", Share("<html><body>Not Found</body>"));
  auto engine = NewEngine(run.pings, run.recorder);
  ASSERT_EQ(engine->DownloadByConfigUrl(mirror.Base() + "/cfg/manifest.xml", run.target), S_OK);
  ASSERT_TRUE(WaitForStop(*engine, run.recorder));
  EXPECT_EQ(mirror.GetCount("/cfg/manifest.xml"), 3);
  EXPECT_EQ(engine->GetStatus(), 4);
  EXPECT_EQ(engine->GetErrorCode(), 3);
  EXPECT_EQ(log.CountOf("Download_Thread_Download_Cfg : failed.\n"), 3);
  ASSERT_EQ(run.recorder.Ends().size(), 1u);
  EXPECT_EQ(run.recorder.Ends()[0].event, 4);
  EXPECT_EQ(run.recorder.Ends()[0].code, 0u);
  EXPECT_EQ(run.recorder.Ends()[0].value, 0);
}

TEST(EngineTransfer, ManifestFromUrlGivesUpAfterThreeAttempts) {
  Download run;
  LogCapture log;
  TestMirror mirror("127.0.0.63");
  mirror.Serve("/cfg/manifest.xml", Share(std::string(4000, 'x')));
  MirrorFaults faults;
  faults.truncateFirstGets = 100;
  faults.truncatePath = "/cfg/manifest.xml";
  mirror.SetFaults(faults);
  auto engine = NewEngine(run.pings, run.recorder);
  ASSERT_EQ(engine->DownloadByConfigUrl(mirror.Base() + "/cfg/manifest.xml", run.target), S_OK);
  ASSERT_TRUE(WaitForStop(*engine, run.recorder));
  EXPECT_EQ(mirror.GetCount("/cfg/manifest.xml"), 3);
  EXPECT_EQ(engine->GetStatus(), 4);
  EXPECT_EQ(engine->GetErrorCode(), 3);
  EXPECT_EQ(log.CountOf("Download_Thread_Download_Cfg : failed.\n"), 3);
  EXPECT_EQ(log.CountOf("Download_Thread_Download_Cfg : error.\n"), 1);
  ASSERT_EQ(run.recorder.Ends().size(), 1u);
  EXPECT_EQ(run.recorder.Ends()[0].event, 4);

  EventRecorder other;
  auto refused = NewEngine(run.pings, other);
  EXPECT_EQ(refused->DownloadByConfigUrl(mirror.Base() + "/cfg/manifest.xml", run.sandbox.root() + "/no/dir/x"),
            E_INVALIDARG);
}

}  // namespace
