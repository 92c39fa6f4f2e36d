// Size texts, the download row and the speed arithmetic.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>

#include "setup/download_progress.h"
#include "setup/format_size.h"
#include "setup/progress_painting.h"
#include "tests/ui/ui_test_support.h"
#include "ui/control_lists.h"

using namespace download;
using namespace ui;
using namespace setup;

namespace uitest {
namespace {

TEST(FormatSizeTest, SwitchesUnitsAtTheKilobyteAndMegabyteEdges) {
  EXPECT_EQ(FormatSize(1024), "1024Byte");
  EXPECT_EQ(FormatSize(1025), "1.00KB");
  EXPECT_EQ(FormatSize(1048576), "1024.00KB");
  EXPECT_EQ(FormatSize(1048577), "1.00MB");
  EXPECT_EQ(FormatSize(0xFFFFFFFFu), "4096.00MB");  // unsigned, never negative
  char small[6];
  EXPECT_STREQ(FormatSize(1048577, small, sizeof small), "1.00M");  // cut, still terminated
  EXPECT_EQ(FormatSpeed(1025), "1.00KB/s");
}

TEST(DownloadRowTest, TextsBeforeTheSizeBeforeTheFirstByteAndAtTheEnd) {
  EXPECT_EQ(ChooseProgressRow(0, 0), ProgressRow::GatheringInformation);
  EXPECT_EQ(ChooseProgressRow(0, 1000), ProgressRow::CheckingData);
  EXPECT_EQ(ChooseProgressRow(1, 1000), ProgressRow::Downloading);
  EXPECT_EQ(ChooseProgressRow(1000, 1000), ProgressRow::CheckingData);
  // Bytes counted before the size arrives: no division by zero, no percentage.
  EXPECT_EQ(ChooseProgressRow(5000, 0), ProgressRow::GatheringInformation);
  EXPECT_EQ(DownloadPercentage(5000, 0), 0.0);
  EXPECT_EQ(DownloadPercentage(2000, 1000), 100.0);
  EXPECT_DOUBLE_EQ(DownloadPercentage(400, 1000), 40.0);
}

TEST(DownloadRowTest, ShownSpeedHoldsForASecondAndNeverDividesByZero) {
  ShownSpeed speed;
  EXPECT_EQ(speed.Update(0, 5000), 0u);
  EXPECT_EQ(speed.Update(1000, 5000), 0u);     // no time has passed
  EXPECT_EQ(speed.Update(1000, 5500), 2000u);  // refreshed while 0
  EXPECT_EQ(speed.Update(9000, 6000), 2000u);  // held for a second
  EXPECT_EQ(speed.Update(9000, 6501), 8000u * 1000 / 1001);
  EXPECT_EQ(speed.Update(100, 6600), 0u);  // a restarted download measures afresh
  EXPECT_EQ(AverageSpeed(3000, 10000, 10000), 0u);
  EXPECT_EQ(AverageSpeed(3000, 12000, 10000), 1500u);
}

TEST(DownloadRowTest, RunningSegmentsAloneMakeTheSpeedSum) {
  DownloadItemMap items;
  items[1] = DownloadItem{.nId = 1, .nSpeed = 300, .nStatus = E_Status_Runing};
  items[2] = DownloadItem{.nId = 2, .nSpeed = 500, .nStatus = E_Status_Succeed};
  items[3] = DownloadItem{.nId = 3, .nSpeed = 700, .nStatus = E_Status_Runing};
  items[4] = DownloadItem{.nId = 4, .nSpeed = 900, .nStatus = E_Status_Replaced};
  EXPECT_EQ(SumRunningSpeeds(items), 1000);
}

class DownloadPaintingTest : public HeadlessTest {
 protected:
  // Which parts of the text row carry ink: speed (left), status (middle), percentage (right).
  struct Row {
    bool speed, middle, percent;
  };
  Row Paint(std::uint32_t downloaded, std::uint32_t size, ProgressSnapshot* snapshot = nullptr) {
    gui::MemoryCanvas canvas(622, 405);
    DownloadInfo info;
    info.nDownloaded = downloaded;
    info.nFileSize = size;
    const ProgressSnapshot shot = painter.PaintDownloadWorking(canvas.dc(), 40, info, 20000, 10000, true);
    if (snapshot) *snapshot = shot;
    const int top = 405 - 47, bottom = 405 - 27;
    return {HasInk(canvas.dc(), RECT{20, top, 120, bottom}, 0xFFFFFF),
            HasInk(canvas.dc(), RECT{261, top, 361, bottom}, 0xFFFFFF),
            HasInk(canvas.dc(), RECT{502, top, 602, bottom}, 0xFFFFFF)};
  }
  ProgressPainter painter;
};

TEST_F(DownloadPaintingTest, RowShowsSpeedAndPercentageOnlyWhileBytesArrive) {
  ASSERT_TRUE(painter.Load(nullptr));
  ProgressSnapshot snapshot;
  Row row = Paint(0, 0, &snapshot);
  EXPECT_TRUE(row.middle);
  EXPECT_FALSE(row.speed || row.percent);
  EXPECT_EQ(snapshot.percent, 0);
  row = Paint(0, 1000000);
  EXPECT_TRUE(row.middle);
  EXPECT_FALSE(row.speed || row.percent);
  row = Paint(400000, 1000000, &snapshot);
  EXPECT_TRUE(row.speed && row.middle && row.percent);
  EXPECT_EQ(snapshot.percent, 40);
  EXPECT_EQ(snapshot.averageSpeed, 40000u);
  EXPECT_TRUE(snapshot.usingCdn);
  row = Paint(1000000, 1000000, &snapshot);
  EXPECT_FALSE(row.speed || row.percent);
  EXPECT_EQ(snapshot.percent, 0);
}

TEST_F(DownloadPaintingTest, EachStateHasItsPainting) {
  EXPECT_EQ(ChoosePainting(0, false), Painting::Page);
  EXPECT_EQ(ChoosePainting(1, false), Painting::Download);
  EXPECT_EQ(ChoosePainting(1, true), Painting::Frame);
  EXPECT_EQ(ChoosePainting(2, true), Painting::Finished);
  EXPECT_EQ(ChoosePainting(3, false), Painting::Download);

  ASSERT_TRUE(painter.Load(nullptr));
  ControlLists none;
  gui::MemoryCanvas page(622, 580);
  painter.PaintPage(page.dc(), true, none);
  EXPECT_EQ(PixelAt(page.dc(), 5, 300), 0xFFFFFFu);
  EXPECT_EQ(PixelAt(page.dc(), 5, 350), gui::ColorToPixel(0xFDFBF7));
  EXPECT_EQ(PixelAt(page.dc(), 5, 500), gui::ColorToPixel(0xFFFEFC));

  gui::MemoryCanvas failed(622, 405);
  painter.PaintDownloadFailed(failed.dc(), 0, {});
  EXPECT_TRUE(HasInk(failed.dc(), RECT{50, 130, 572, 210}, 0xFFFFFF));
  gui::MemoryCanvas finished(622, 405);
  painter.PaintFinished(finished.dc(), none);
  EXPECT_EQ(PixelAt(finished.dc(), 5, 5), painter.Artwork().pixels[5 * 622 + 5]);
}

// The failed look's advice is the dialog's one text whose size follows the system
// language: 12 pixels on a Japanese system, 11 points (15 pixels) on any other.
TEST_F(DownloadPaintingTest, TheAdviceIsSizedByTheSystemLanguage) {
  const char* saved = std::getenv("LC_ALL");
  const std::string previous = saved ? saved : "";
  for (const auto& [locale, pixels] : {std::pair{"ja_JP.UTF-8", 12}, std::pair{"de_DE.UTF-8", 15}}) {
    ::setenv("LC_ALL", locale, 1);
    ProgressPainter localPainter;
    ASSERT_TRUE(localPainter.Load(nullptr));
    int adviceHeight = 0;
    gui::SetDrawnTextObserver([&](const gui::DrawnText& drawn) {
      if (drawn.rect.top == 130 && drawn.font) adviceHeight = drawn.font->Params().pixelHeight;
    });
    gui::MemoryCanvas failed(622, 405);
    localPainter.PaintDownloadFailed(failed.dc(), 0, {});
    gui::SetDrawnTextObserver(nullptr);
    EXPECT_EQ(adviceHeight, pixels) << locale;
  }
  if (saved) {
    ::setenv("LC_ALL", previous.c_str(), 1);
  } else {
    ::unsetenv("LC_ALL");
  }
}

}  // namespace
}  // namespace uitest
