// The engine against real HTTP mirrors on loopback addresses.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <set>
#include <thread>

#include "download/md5_digest.h"
#include "download/repair_ledger.h"

#include "engine_harness.h"
#include "platform/path.h"
#include "sandbox.h"

using namespace base;
using namespace download;

namespace {

using namespace testing_support;
using namespace std::chrono_literals;

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
  ScriptedMirrors mirrors("[mirror 1]\n[mirror 2]\n", content);
  run.pings.echoMs = {{mirrors.Url(0), 5}, {mirrors.Url(1), 6}};
  auto engine = run.Start(ManifestFor(content, {mirrors.Url(0), mirrors.Url(1)}).Build());
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
  const std::string urls[] = {mirrors.Url(0), mirrors.Url(1)};
  for (int id = 0; id < 4; ++id) {
    const DownloadItem& item = info.mapItems.at(id);
    EXPECT_EQ(item.nStart, static_cast<std::uint32_t>(id * 250));
    EXPECT_EQ(item.nEnd, static_cast<std::uint32_t>(id * 250 + 249));
    EXPECT_EQ(item.pszUrl, urls[id % 2]);
    EXPECT_EQ(item.nStatus, E_Status_Succeed);
    EXPECT_EQ(item.hCurl, nullptr);
  }

  // Every segment thread reports its end, some possibly after the finish event.
  EXPECT_TRUE(run.recorder.WaitForEvent(kDownloadEventSegmentEnded, 10s, 4));
  const auto events = run.recorder.Events();
  int segmentEnds = 0;
  unsigned lastProgress = 0;
  for (const Event& e : events) {
    if (e.event == kDownloadEventSegmentEnded) {
      ++segmentEnds;
      EXPECT_EQ(e.itemId, static_cast<int>(e.code)) << "the value points at the item of the segment named";
    }
    if (e.event == kDownloadEventProgress) {
      EXPECT_GE(e.code, lastProgress);
      EXPECT_EQ(e.value, 1000);
      lastProgress = e.code;
    }
  }
  EXPECT_EQ(segmentEnds, 4);
  ASSERT_EQ(run.recorder.Ends().size(), 1u);
  EXPECT_EQ(run.recorder.Ends()[0].event, kDownloadEventFinished);
  EXPECT_EQ(run.recorder.Ends()[0].code, 1000u);
  EXPECT_EQ(run.recorder.Ends()[0].value, 1000);

  auto lifetime = engine->StateLifetime();
  engine.reset();
  EXPECT_TRUE(WaitForRelease(lifetime));
}

TEST(EngineTransfer, SixMirrorsRankedByEchoCdnLeftOut) {
  Download run;
  const std::string content = PatternContent(200000);
  ScriptedMirrors mirrors("[mirror 1]\n[mirror 2]\n[mirror 3]\n[mirror 4]\n[mirror 5]\n[mirror 6]\n[cdn]\n", content);
  std::vector<std::string> urls;
  const std::uint32_t echo[] = {40, 10, 30, 10, 50, 20};
  for (std::size_t i = 0; i < 7; ++i) urls.push_back(mirrors.Url(i));
  for (std::size_t i = 0; i < 6; ++i) run.pings.echoMs[urls[i]] = echo[i];

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
  EXPECT_FALSE(engine->IsUsingCdn());
  EXPECT_EQ(mirrors.Gets(6), 0);
}

TEST(EngineTransfer, TwoUsableMirrorsBringInTheCdn) {
  Download run;
  const std::string content = PatternContent(60000);
  ScriptedMirrors mirrors("[mirror 1]\n[mirror 2]\nflag = 0 busy\n[mirror 3]\n[cdn]\n", content);
  const std::string a = mirrors.Url(0), busy = mirrors.Url(1), b = mirrors.Url(2), cdnUrl = mirrors.Url(3);
  run.pings.echoMs = {{a, 9}, {busy, 1}, {b, 3}};
  auto engine = run.Start(ManifestFor(content, {cdnUrl, a, busy, b}).Build());
  ASSERT_TRUE(WaitForStop(*engine, run.recorder));
  EXPECT_EQ(engine->GetStatus(), 5);
  EXPECT_TRUE(Sandbox::ReadFile(run.target) == content) << "the file differs from the package";
  DownloadInfo info;
  engine->GetDownloadInfo(info);
  EXPECT_EQ(info.nThreadCount, 6);
  EXPECT_EQ(SegmentUrls(*engine, 6), (std::vector<std::string>{b, a, cdnUrl, b, a, cdnUrl}));
}

TEST(EngineTransfer, CdnAloneRunsFiveSegments) {
  Download run;
  LogCapture log;
  const std::string content = PatternContent(50000);
  // The first mirror does not answer the echo.
  ScriptedMirrors mirrors("[mirror 1]\n[cdn]\n", content);
  const std::string cdnUrl = mirrors.Url(1);
  auto engine = run.Start(ManifestFor(content, {mirrors.Url(0), cdnUrl}).Build());
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
  ScriptedMirrors cdn("[cdn]\nlength = 49999\n", content);
  auto engine = run.Start(ManifestFor(content, {"http://127.0.0.48:1/download/pkg.exe", cdn.Url(0)}).Build());
  ASSERT_TRUE(WaitForStop(*engine, run.recorder));
  EXPECT_EQ(engine->GetStatus(), 4);
  EXPECT_EQ(engine->GetErrorCode(), 11);
  EXPECT_EQ(engine->GetErrorString(), "DownloadCheckUrlError");
  EXPECT_FALSE(platform::PathFileExists(run.target));
  ASSERT_EQ(run.recorder.Ends().size(), 1u);
  EXPECT_EQ(run.recorder.Ends()[0].event, kDownloadEventFailed);
  EXPECT_EQ(run.recorder.Ends()[0].code, 0u);
  EXPECT_EQ(run.recorder.Ends()[0].value, 0);
  EXPECT_TRUE(log.Contains("Error : BeginDownload (CheckDownload(siItem) != S_OK).\n"));
  EXPECT_TRUE(log.Contains("Download_CheckDownload: ERROR : con't find Ama now.\n"));
}

TEST(EngineTransfer, CapacityAnswersDecideWhoStays) {
  Download run;
  const std::string content = PatternContent(30000);
  // The third one's answer starts well but the connection drops after its first byte.
  ScriptedMirrors mirrors(
      "[mirror 1]\nflag = 1\n[mirror 2]\nflag = 0 no room\n[mirror 3]\nflag_reset_after = 1\n"
      "[mirror 4]\nflag = 10\n[mirror 5]\nflag = error\n",
      content);
  std::vector<std::string> urls;
  for (std::size_t i = 0; i < 5; ++i) {
    urls.push_back(mirrors.Url(i));
    run.pings.echoMs[urls.back()] = 1;
  }
  auto engine = run.Start(ManifestFor(content, urls).Build());
  ASSERT_TRUE(WaitForStop(*engine, run.recorder));
  EXPECT_EQ(engine->GetStatus(), 5);
  DownloadInfo info;
  engine->GetDownloadInfo(info);
  EXPECT_EQ(info.nThreadCount, 2);
  EXPECT_EQ(SegmentUrls(*engine, 2), std::vector<std::string>(2, mirrors.Url(3)));
}

TEST(EngineTransfer, OverlongChunkIsCutAtTheSegmentEnd) {
  Download run;
  const std::string content = PatternContent(1000);
  ScriptedMirrors sloppy("[mirror 1]\nextra_bytes = 100\n", content);
  run.pings.echoMs = {{sloppy.Url(0), 1}};
  auto engine = run.Start(ManifestFor(content, {sloppy.Url(0)}).Build());
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
  ScriptedMirrors mirrors("[mirror 1]\ncorrupt_block = 0\n[mirror 2]\n", content);
  const std::string corrupt = mirrors.Url(0), good = mirrors.Url(1);
  run.pings.echoMs = {{corrupt, 1}, {good, 2}};
  auto engine = run.Start(ManifestFor(content, {corrupt, good}).Build());
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
  EXPECT_EQ(std::string(repair->pszUrl), good) << "not from the mirror that spoiled it";
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
  ScriptedMirrors mirrors("[mirror 1]\nrate = 512000\n[mirror 2]\ncorrupt_block = 1\n", content);
  const std::string slow = mirrors.Url(0), fast = mirrors.Url(1);
  run.pings.echoMs = {{slow, 1}, {fast, 2}};
  auto engine = run.Start(ManifestFor(content, {slow, fast}).Build());
  ASSERT_TRUE(WaitForStop(*engine, run.recorder, 40s)) << log.Text();
  EXPECT_EQ(engine->GetStatus(), 5);
  EXPECT_TRUE(Sandbox::ReadFile(run.target) == content) << "the file differs from the package";

  DownloadInfo info;
  engine->GetDownloadInfo(info);
  bool split = false;
  const DownloadItem* repair = nullptr;
  for (const auto& [id, item] : info.mapItems) {
    if (id >= 4 && item.nStart % 1048576 != 0 && std::string(item.pszUrl) == fast) split = true;
    // Under load the fast mirror's own segment may be split too; block 1 then came from
    // both mirrors, the first repair may go to either, and the slow one mends it.
    if (id >= 4 && item.nStart == 1048576 && std::string(item.pszUrl) == slow && !repair) repair = &item;
  }
  EXPECT_TRUE(split) << "a slow segment was split onto the fast mirror\n" << log.Text();
  ASSERT_NE(repair, nullptr) << "block 1 is fetched again from the mirror that did not spoil it\n" << log.Text();
}

// Blocks only say what to fetch again: the whole-file digest alone verifies. Bytes
// altered in a block that has no digest of its own are found by it and fetched again.
TEST(EngineTransfer, AlteredBytesWithoutABlockDigestAreFoundByTheWholeFileDigest) {
  Download run;
  LogCapture log;
  const std::string content = PatternContent(3 * 1048576);
  // Block 2, which the manifest gives no digest.
  ScriptedMirrors mirrors("[mirror 1]\ncorrupt_block = 2\n[mirror 2]\n", content);
  run.pings.echoMs = {{mirrors.Url(0), 1}, {mirrors.Url(1), 2}};
  ManifestText manifest = ManifestFor(content, {mirrors.Url(0), mirrors.Url(1)});
  manifest.digests.resize(2);  // the whole file and block 0
  auto engine = run.Start(manifest.Build());
  ASSERT_TRUE(WaitForStop(*engine, run.recorder)) << log.Text();
  EXPECT_EQ(engine->GetStatus(), 5) << log.Text();
  // Which range gets fetched again depends on how the segments were split (under load the
  // altered bytes may come from the good mirror); the file itself must be intact either way.
  EXPECT_TRUE(Sandbox::ReadFile(run.target) == content) << "the file differs from the package\n" << log.Text();
}

// With the whole-file digest alone nothing locates the damage: the file is fetched
// again spread over the mirrors like a first download, each share from another mirror
// than before, never as one segment of the whole file.
TEST(EngineTransfer, WholeFileOnlyManifestRefetchesSpreadOverTheMirrors) {
  Download run;
  LogCapture log;
  const std::string content = PatternContent(3 * 1048576);
  ScriptedMirrors mirrors("[mirror 1]\ncorrupt_block = 1\n[mirror 2]\n", content);
  const std::string spoiling = mirrors.Url(0), good = mirrors.Url(1);
  run.pings.echoMs = {{spoiling, 1}, {good, 2}};
  ManifestText manifest = ManifestFor(content, {spoiling, good});
  manifest.digests.resize(1);
  auto engine = run.Start(manifest.Build());
  ASSERT_TRUE(WaitForStop(*engine, run.recorder)) << log.Text();
  EXPECT_EQ(engine->GetStatus(), 5) << log.Text();
  EXPECT_TRUE(Sandbox::ReadFile(run.target) == content) << "the file differs from the package";

  DownloadInfo info;
  engine->GetDownloadInfo(info);
  std::set<std::string> repairUrls;
  int repairs = 0;
  for (const auto& [id, item] : info.mapItems) {
    if (!item.bRepair) continue;
    ++repairs;
    repairUrls.insert(item.pszUrl);
    EXPECT_LT(item.nEnd - item.nStart + 1, content.size()) << "one segment of the whole file\n" << log.Text();
  }
  EXPECT_GE(repairs, 4) << "the file is fetched again in four shares\n" << log.Text();
  EXPECT_EQ(repairUrls.size(), 2u) << "the shares go to both mirrors\n" << log.Text();
}

// Blocks only say what to fetch again: when every block matches but the whole-file
// digest does not, nothing can be blamed and the download fails, never verifies.
TEST(EngineTransfer, MatchingBlocksDoNotOutvoteTheWholeFileDigest) {
  Download run;
  LogCapture log;
  const std::string content = PatternContent(2 * 1048576);
  ScriptedMirrors mirrors("[mirror 1]\n[mirror 2]\n", content);
  run.pings.echoMs = {{mirrors.Url(0), 1}, {mirrors.Url(1), 2}};
  ManifestText manifest = ManifestFor(content, {mirrors.Url(0), mirrors.Url(1)});
  const std::string other = PatternContent(2 * 1048576, 8);
  manifest.digests.front() = Md5Hex(other.data(), other.size());
  auto engine = run.Start(manifest.Build());
  ASSERT_TRUE(WaitForStop(*engine, run.recorder)) << log.Text();
  EXPECT_EQ(engine->GetStatus(), 4);
  EXPECT_EQ(engine->GetErrorCode(), 14);
  ASSERT_EQ(run.recorder.Ends().size(), 1u);
  EXPECT_EQ(run.recorder.Ends()[0].event, kDownloadEventFailed);
  EXPECT_TRUE(log.Contains("Download_CheckHash : every block matches its digest but the whole file does not.\n"))
      << log.Text();
  EXPECT_FALSE(log.Contains("Download_CheckFinish : Finish download.\n"));
}

// Mirrors that always serve the same block altered get a few attempts each; then the
// download fails and says which block and which mirrors.
TEST(EngineTransfer, ABlockNoMirrorDeliversIntactFailsTheDownload) {
  Download run;
  LogCapture log;
  const std::string content = PatternContent(2 * 1048576);
  ScriptedMirrors mirrors("[mirror 1]\ncorrupt_block = 1\n[mirror 2]\ncorrupt_block = 1\n", content);
  const std::string first = mirrors.Url(0), second = mirrors.Url(1);
  run.pings.echoMs = {{first, 1}, {second, 2}};
  auto engine = run.Start(ManifestFor(content, {first, second}).Build());
  ASSERT_TRUE(WaitForStop(*engine, run.recorder)) << log.Text();
  EXPECT_EQ(engine->GetStatus(), 4);
  EXPECT_EQ(engine->GetErrorCode(), 14);
  ASSERT_EQ(run.recorder.Ends().size(), 1u);
  EXPECT_EQ(run.recorder.Ends()[0].event, kDownloadEventFailed);
  EXPECT_EQ(log.CountOf("Download_RepairData : GetBestURL Info, start(1048576)"), 2 * kRepairAttemptsPerMirror);
  EXPECT_TRUE(log.Contains("bytes 1048576-2097151 (block 1) did not verify from any mirror, tried " + first + " (2), " +
                           second + " (2)"))
      << log.Text();
}

// A target that cannot take the bytes ends the download at once instead of fetching
// the same segments again for ever. A file size limit makes the second segment's
// writes fail (EFBIG) while the first ones succeed.
TEST(EngineTransfer, WriteErrorEndsTheDownloadAtOnce) {
  Download run;
  LogCapture log;
  const std::string content = PatternContent(1048576);
  ScriptedMirrors mirror("[mirror 1]\n", content);  // started before the limit, which it would inherit
  run.pings.echoMs = {{mirror.Url(0), 1}};
  rlimit previous{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &previous), 0);
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit limited = previous;
  limited.rlim_cur = 65536;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
  auto engine = run.Start(ManifestFor(content, {mirror.Url(0)}).Build());
  const bool stopped = WaitForStop(*engine, run.recorder, 20s);
  ::setrlimit(RLIMIT_FSIZE, &previous);
  std::signal(SIGXFSZ, oldHandler);
  ASSERT_TRUE(stopped) << log.Text();
  EXPECT_EQ(engine->GetStatus(), 4);
  EXPECT_EQ(engine->GetErrorCode(), 14);
  ASSERT_EQ(run.recorder.Ends().size(), 1u);
  EXPECT_TRUE(log.Contains("Download_WriteData : cannot write the output file (" + run.target + ").\n")) << log.Text();
  EXPECT_LE(mirror.Gets(0), 2) << "no segment was fetched again";
}

TEST(EngineTransfer, FailedSegmentResumesOnAnotherMirror) {
  Download run;
  const std::string content = PatternContent(2000000);
  // The first GET of the flaky one breaks half way; the steady one is slow enough to
  // keep its transfers going until the dispatcher looks.
  ScriptedMirrors mirrors("[mirror 1]\nreset_after = 250000\nfault_requests = 1\n[mirror 2]\nrate = 204800\n", content);
  const std::string flaky = mirrors.Url(0), steady = mirrors.Url(1);
  run.pings.echoMs = {{flaky, 1}, {steady, 2}};
  auto engine = run.Start(ManifestFor(content, {flaky, steady}).Build());
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
  EXPECT_EQ(std::string(resumed->pszUrl), steady);
  EXPECT_EQ(resumed->nEnd, failed->nEnd);
}

TEST(EngineTransfer, NoMirrorLeftToResumeOnFailsTheDownload) {
  Download run;
  LogCapture log;
  const std::string content = PatternContent(300000);
  // Every GET breaks half way through a first segment.
  ScriptedMirrors mirrors("[mirror 1]\nreset_after = 37500\n[mirror 2]\nreset_after = 37500\n", content);
  run.pings.echoMs = {{mirrors.Url(0), 1}, {mirrors.Url(1), 2}};
  auto engine = run.Start(ManifestFor(content, {mirrors.Url(0), mirrors.Url(1)}).Build());
  ASSERT_TRUE(WaitForStop(*engine, run.recorder));
  EXPECT_EQ(engine->GetStatus(), 4);
  EXPECT_EQ(engine->GetErrorCode(), 14);
  EXPECT_EQ(engine->GetErrorString(), "DownloadExeError");
  ASSERT_EQ(run.recorder.Ends().size(), 1u);
  EXPECT_EQ(run.recorder.Ends()[0].event, kDownloadEventFailed);
  EXPECT_EQ(run.recorder.Ends()[0].value, 300000);
  EXPECT_TRUE(log.Contains("Download_Dispatch : download error, ID("));
  EXPECT_TRUE(log.Contains("Download_Dispatch : CheckHash download failed.\n"));
}

// A single mirror whose transfers keep breaking at once is given up after three such
// failures; the strikes belong to that download, so the next one on the same target
// starts afresh and, the mirror mended, finishes.
TEST(EngineTransfer, StruckOutSingleMirrorFailsAndTheNextDownloadStartsAfresh) {
  const std::string content = PatternContent(1048576);
  // Enough broken requests for three strikes; the mirror answers properly after them.
  ScriptedMirrors mirror("[mirror 1]\nreset_after = 1000\nfault_requests = 4\n", content);
  Download first;
  first.pings.echoMs = {{mirror.Url(0), 1}};
  const std::string manifest = ManifestFor(content, {mirror.Url(0)}).Build();
  auto failed = first.Start(manifest);
  ASSERT_TRUE(WaitForStop(*failed, first.recorder));
  EXPECT_EQ(failed->GetStatus(), 4);
  EXPECT_EQ(failed->GetErrorCode(), 14);

  Download again;
  again.target = first.target;
  again.pings = first.pings;
  auto retried = again.Start(manifest);
  ASSERT_TRUE(WaitForStop(*retried, again.recorder));
  EXPECT_EQ(retried->GetStatus(), 5);
  EXPECT_EQ(retried->GetErrorCode(), 0);
  EXPECT_TRUE(Sandbox::ReadFile(again.target) == content) << "the file differs from the package";
}

TEST(EngineTransfer, StopDuringTransferSilencesTheEngine) {
  Download run;
  const std::string content = PatternContent(2 * 1048576);
  ScriptedMirrors slow("[mirror 1]\nrate = 204800\n", content);
  run.pings.echoMs = {{slow.Url(0), 1}};
  auto engine = run.Start(ManifestFor(content, {slow.Url(0)}).Build());
  ASSERT_TRUE(run.recorder.WaitForEvent(kDownloadEventProgress, 20s));
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
  ScriptedMirrors slow("[mirror 1]\nrate = 409600\n", content);
  run.pings.echoMs = {{slow.Url(0), 1}};
  auto engine = run.Start(ManifestFor(content, {slow.Url(0)}).Build());
  ASSERT_TRUE(run.recorder.WaitForEvent(kDownloadEventProgress, 20s));
  auto lifetime = engine->StateLifetime();
  engine.reset();
  EXPECT_TRUE(WaitForRelease(lifetime));
}

TEST(EngineTransfer, UnopenableOutputFileFailsAtOnce) {
  Download run;
  LogCapture log;
  const std::string content = PatternContent(5000);
  ScriptedMirrors mirror("[mirror 1]\n", content);
  run.pings.echoMs = {{mirror.Url(0), 1}};
  run.target = run.sandbox.root() + "/missing-folder/pkg.exe";
  auto engine = run.Start(ManifestFor(content, {mirror.Url(0)}).Build());
  ASSERT_TRUE(WaitForStop(*engine, run.recorder));
  EXPECT_EQ(engine->GetStatus(), 4);
  EXPECT_EQ(engine->GetErrorCode(), 14);
  EXPECT_FALSE(engine->IsDownloading());
  ASSERT_EQ(run.recorder.Ends().size(), 1u);
  EXPECT_EQ(run.recorder.Ends()[0].code, 0u);
  EXPECT_TRUE(log.Contains(run.target));
  EXPECT_EQ(mirror.Gets(0), 0) << "no segment was started";
}

TEST(EngineTransfer, ManifestFromUrlIsRetriedWithAFreshTransfer) {
  Download run;
  LogCapture log;
  const std::string content = PatternContent(20000);
  ScriptedMirrors mirror("[mirror 1]\n", content);
  const std::string manifest = ManifestFor(content, {mirror.Url(0)}).Build();
  // Its first two answers break half way.
  ScriptedMirrors manifestServer(
      "[mirror 2]\nreset_after = " + std::to_string(manifest.size() / 2) + "\nfault_requests = 2\n", manifest,
      "manifest.xml");
  run.pings.echoMs = {{mirror.Url(0), 1}};
  auto engine = NewEngine(run.pings, run.recorder);
  ASSERT_EQ(engine->DownloadByConfigUrl(manifestServer.Url(0), run.target), S_OK);
  ASSERT_TRUE(WaitForStop(*engine, run.recorder));
  EXPECT_EQ(manifestServer.Gets(0), 3);
  EXPECT_EQ(engine->GetStatus(), 5);
  EXPECT_TRUE(Sandbox::ReadFile(run.target) == content) << "the file differs from the package";
  EXPECT_EQ(Sandbox::ReadFile(run.target + ".cfg"), manifest);
  EXPECT_EQ(mirror.Gets(0), 2) << "no segment had to be fetched again\n" << log.Text();
}

// An error page arrives complete but is no manifest: it is fetched again like a
// broken transfer, and the third failure is the manifest download's error.
TEST(EngineTransfer, ManifestThatArrivesButDoesNotLoadIsRetried) {
  Download run;
  LogCapture log;
  ScriptedMirrors mirror("[mirror 1]\n", "<html><body>Not Found</body>", "manifest.xml");
  auto engine = NewEngine(run.pings, run.recorder);
  ASSERT_EQ(engine->DownloadByConfigUrl(mirror.Url(0), run.target), S_OK);
  ASSERT_TRUE(WaitForStop(*engine, run.recorder));
  EXPECT_EQ(mirror.Gets(0), 3);
  EXPECT_EQ(engine->GetStatus(), 4);
  EXPECT_EQ(engine->GetErrorCode(), 3);
  EXPECT_EQ(log.CountOf("Download_Thread_Download_Cfg : failed.\n"), 3);
  ASSERT_EQ(run.recorder.Ends().size(), 1u);
  EXPECT_EQ(run.recorder.Ends()[0].event, kDownloadEventFailed);
  EXPECT_EQ(run.recorder.Ends()[0].code, 0u);
  EXPECT_EQ(run.recorder.Ends()[0].value, 0);
}

TEST(EngineTransfer, ManifestFromUrlGivesUpAfterThreeAttempts) {
  Download run;
  LogCapture log;
  ScriptedMirrors mirror("[mirror 1]\nreset_after = 2000\n", std::string(4000, 'x'), "manifest.xml");
  auto engine = NewEngine(run.pings, run.recorder);
  ASSERT_EQ(engine->DownloadByConfigUrl(mirror.Url(0), run.target), S_OK);
  ASSERT_TRUE(WaitForStop(*engine, run.recorder));
  EXPECT_EQ(mirror.Gets(0), 3);
  EXPECT_EQ(engine->GetStatus(), 4);
  EXPECT_EQ(engine->GetErrorCode(), 3);
  EXPECT_EQ(log.CountOf("Download_Thread_Download_Cfg : failed.\n"), 3);
  EXPECT_EQ(log.CountOf("Download_Thread_Download_Cfg : error.\n"), 1);
  ASSERT_EQ(run.recorder.Ends().size(), 1u);
  EXPECT_EQ(run.recorder.Ends()[0].event, kDownloadEventFailed);

  EventRecorder other;
  auto refused = NewEngine(run.pings, other);
  EXPECT_EQ(refused->DownloadByConfigUrl(mirror.Url(0), run.sandbox.root() + "/no/dir/x"), E_INVALIDARG);
}

}  // namespace
