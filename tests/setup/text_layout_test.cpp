// Every text of the table, in every language, where the pages paint it: measured with
// the layout and font of the very DrawTextW call that paints it, it must fit its
// rectangle; and every text painted must come from the table. The setup dialog runs
// itself, so its controls have the geometry it gives them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cwctype>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "base/debug_switches.h"
#include "base/run_mode.h"
#include "base/texts/project_text_ids.h"
#include "base/texts/text_tables.h"
#include "base/texts/ui_texts.h"
#include "install/uninstall_work.h"
#include "platform/gui/draw.h"
#include "platform/text.h"
#include "setup/diagnostics_view.h"
#include "setup/install_sequence.h"
#include "setup/progress_painting.h"
#include "setup/setup_dlg.h"
#include "setup/setup_entry.h"
#include "setup/uninstall_messages.h"
#include "setup/uninstall_page.h"
#include "tests/common/free_port.h"
#include "tests/common/previous_install_fixture.h"
#include "tests/ui/ui_test_support.h"
#include "ui/button_color_ctrl_ex.h"
#include "ui/skin_message_box.h"
#include "ui/static_ctrl.h"
#include "ui/ui_font.h"

using namespace base;
using namespace download;
using namespace install;
using namespace ui;
using namespace setup;

namespace uitest {
namespace {

namespace headless = gui::headless;

// Air between a text and the edge of its rectangle, on each side: a framed button's
// frame lies inside it, and a label keeps a gap to the link that follows it.
constexpr int kSidePadding = 4;

struct Language {
  int id;
  const char* name;
};
constexpr Language kLanguages[] = {
    {0x0409, "en"}, {0x0804, "zh_CN"}, {0x0404, "zh_TW"}, {0x0411, "ja"}, {0x040C, "fr"}, {0x0407, "de"},
    {0x0419, "ru"}, {0x0405, "cs"},    {0x0C0A, "es"},    {0x040E, "hu"}, {0x0410, "it"}, {0x0413, "nl"},
    {0x0414, "no"}, {0x0415, "pl"},    {0x0416, "pt"},    {0x041D, "sv"},
};

struct Shown {
  std::string where;
  gui::DrawnText drawn;
};

bool Fits(const gui::DrawnText& t) {
  const int width = t.rect.right - t.rect.left, height = t.rect.bottom - t.rect.top;
  if (t.format & DT_WORDBREAK) return t.width <= width && t.fullHeight <= height;
  return t.width + 2 * kSidePadding <= width && t.fullHeight <= height;
}

std::string Describe(const Shown& s) {
  const gui::DrawnText& t = s.drawn;
  return s.where + ": \"" + platform::WideToNarrow(t.text) + "\" needs " + std::to_string(t.width) + " x " +
         std::to_string(t.fullHeight) + ", has " + std::to_string(t.rect.right - t.rect.left) + " x " +
         std::to_string(t.rect.bottom - t.rect.top) + ((t.format & DT_WORDBREAK) ? " (wrapped)" : "");
}

// The texts fixed by the installer's own contract, shown as they are in every language.
const std::set<std::wstring> kFixedTexts = {L"Corvex", L"ERROR", L"UnInstall Failed!", L"Install Failed!"};
// The diagnostics view is the vendor's own tool, in English only.
const std::set<std::wstring> kDiagnosticsTexts = {L"Info", L"Log", L"Info :"};

// A speed or a percentage: digits with a unit, the same in every language.
bool IsMeasurement(const std::wstring& line) {
  std::wstring unit;
  for (wchar_t c : line) {
    if (!std::iswdigit(c) && c != L'.') unit += c;
  }
  return unit != line && (unit == L"%" || unit == L"Byte/s" || unit == L"KB/s" || unit == L"MB/s");
}

// A table text with its placeholders ("XXX", the folder) standing for anything.
bool MatchesWithPlaceholders(const std::wstring& shown, std::wstring pattern) {
  for (const wchar_t* placeholder : {L"XXX", kFolderPlaceholder}) {
    for (size_t at = pattern.find(placeholder); at != std::wstring::npos; at = pattern.find(placeholder, at + 1)) {
      pattern.replace(at, std::wcslen(placeholder), L"\x1F");
    }
  }
  size_t from = 0;
  size_t piece = 0;
  bool first = true;
  while (true) {
    const size_t end = pattern.find(L'\x1F', piece);
    const std::wstring part = pattern.substr(piece, end == std::wstring::npos ? std::wstring::npos : end - piece);
    if (end == std::wstring::npos) {
      if (first) return shown == part;
      return shown.size() >= from + part.size() && shown.compare(shown.size() - part.size(), part.size(), part) == 0;
    }
    const size_t found =
        first ? (shown.compare(0, part.size(), part) == 0 ? 0 : std::wstring::npos) : shown.find(part, from);
    if (found == std::wstring::npos) return false;
    from = found + part.size();
    piece = end + 1;
    first = false;
  }
}

bool ComesFromTheTable(const std::wstring& line) {
  if (kFixedTexts.count(line) || kDiagnosticsTexts.count(line) || IsMeasurement(line)) return true;
  for (int id = 0; id < kUiTextCount; ++id) {
    if (MatchesWithPlaceholders(line, GetText(id))) return true;
  }
  return false;
}

class TextLayoutTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    // The setup dialog reports to a port nobody listens on, never to the demo's endpoints.
    static const testing_support::RefusingPort refusingVendor;
    static const std::string vendor = [] {
      const std::string path = std::string(std::getenv("HOME")) + "/vendor.conf";
      const std::string host = "http://127.0.0.1:" + std::to_string(refusingVendor.port());
      std::ofstream(path) << "web_site=" << host << "\nstatistics_host=" << host << "\ncrash_host=" << host << "\n";
      return path;
    }();
    ::setenv("CORVEX_VENDOR_CONFIG", vendor.c_str(), 1);
    gui::SetDrawnTextObserver([this](const gui::DrawnText& drawn) {
      std::lock_guard<std::mutex> lock(mutex_);
      if (!drawn.text.empty()) shown_.push_back({where_, drawn});
    });
  }
  void TearDown() override {
    gui::SetDrawnTextObserver(nullptr);
    ui_texts_detail::ResetForTesting();
    HeadlessTest::TearDown();
  }

  void At(const std::string& where) {
    std::lock_guard<std::mutex> lock(mutex_);
    where_ = where;
  }

  // Paints every page and box of the installer in the language `language.id`.
  void ShowEverything(const Language& language) {
    const std::string name = language.name;
    ShowSetupDialog(language);
    ui_texts_detail::ResetForTesting();
    SetLanguage(L"Corvex", language.id, "www.corvex.example");
    HWND owner = CreateOwner();
    gui::MemoryCanvas canvas(622, 580);

    At(name + " download");
    PaintDownloadLooks();

    At(name + " uninstall page, ready");
    {
      ControlLists lists;
      UninstallPage page;
      UninstallTarget installed;
      installed.installFolder = InstalledFolder();
      installed.productKeyName = "Corvex 11";
      page.Build(owner, lists, installed);
      lists.PaintAll(canvas.dc());
    }

    At(name + " uninstall page, refused");
    {
      ControlLists lists;
      UninstallPage page;
      UninstallTarget notAnInstallation;
      notAnInstallation.installFolder = "/opt/Corvex 11 in a folder with a long name/program";
      page.Build(owner, lists, notAnInstallation);
      lists.PaintAll(canvas.dc());
    }

    At(name + " uninstall page");
    {
      ControlLists lists;
      UninstallPage page;
      UninstallTarget nothingFound;
      page.Build(owner, lists, nothingFound);
      lists.PaintAll(canvas.dc());
      page.OnUninstallEvent(kUninstallEventStart, 0, 0);
      lists.PaintAll(canvas.dc());
      page.OnUninstallEvent(kUninstallEventDone, 0, 0);
      lists.PaintAll(canvas.dc());
    }

    At(name + " message box");
    ShowBoxes();
    gui::DestroyWindow(owner);

    At(name + " diagnostics view");
    ShowDiagnosticsView();
  }

  // The setup dialog itself, in the language its debug switch names: the ready page,
  // the options page, the retry look and the finished look, each painted by the
  // dialog with its own controls.
  void ShowSetupDialog(const Language& language) {
    WriteDebugIni("setup_test_language=" + std::to_string(language.id));
    ui_texts_detail::ResetForTesting();
    ResetSetupDlgForTesting();
    SetRunMode(RunMode{});
    const std::string name = language.name;
    At(name + " setup dialog");  // its painter thread paints from the start
    headless::AddStep([&] {
      SetupDlg& dialog = TheSetupDlg();
      headless::AdvanceTime(1000);  // the countdown's first text
      At(name + " setup dialog, ready");
      dialog.OnPaint();
      dialog.ShowCustom(true);
      At(name + " setup dialog, options page");
      dialog.OnPaint();
      dialog.ShowCustom(false);
      dialog.UpdateCtrlStatus(kCtrlRetry);
      At(name + " setup dialog, retry");
      dialog.OnPaint();
      // As the install sequence leaves it: four times, each widening the button.
      for (int i = 0; i < 4; ++i) dialog.UpdateCtrlStatus(kCtrlFinished);
      At(name + " setup dialog, finished");
      dialog.OnPaint();
      At(name + " setup dialog");
      gui::PostMessageW(headless::ActiveDialog(), WM_CLOSE, 0, 0);
    });
    RunSetupDialog();
    TheSetupDlg().FinishReports();
    WriteDebugIni("");
  }

  static void WriteDebugIni(const std::string& line) {
    std::ofstream(platform::WideToNarrow(GetDebugIniPath())) << "[root]\n" << line << "\n";
  }

  // The download's texts and the failed look's advice for every failure, painted by
  // the dialog's own progress painter.
  void PaintDownloadLooks() {
    ProgressPainter painter;
    painter.Load(nullptr);
    gui::MemoryCanvas canvas(622, 405);
    for (const auto& [downloaded, size] : {std::pair{0u, 0u}, std::pair{0u, 5000000u}, std::pair{123456u, 5000000u}}) {
      DownloadInfo info;
      info.nDownloaded = downloaded;
      info.nFileSize = size;
      painter.PaintDownloadWorking(canvas.dc(), 40, info, 20000, 10000, false);
    }
    painter.PaintDownloadFailed(canvas.dc(), 0, {});
    const int last = static_cast<int>(InstallFailure::kHelperLost);
    for (int failure = static_cast<int>(InstallFailure::kNone); failure <= last; ++failure) {
      if (const int id = InstallFailureTextId(static_cast<InstallFailure>(failure))) {
        painter.PaintDownloadFailed(canvas.dc(), id, {});
      }
    }
  }

  void ShowDiagnosticsView() {
    WriteDebugIni("show_info_view=1");
    if (CreateInfoViewIfEnabled()) {
      if (const std::shared_ptr<InfoViewDlg> view = CurrentInfoView()) view->OnPaint();
    }
    ResetInfoViewForTests();
    WriteDebugIni("");
  }

  // A folder the uninstall page accepts, so that it offers its choice.
  static std::string InstalledFolder() {
    const std::string folder = std::string(std::getenv("HOME")) + "/opt/Corvex";
    std::filesystem::create_directories(folder);
    testing_support::MakePreviousInstall(folder, "Corvex 11");
    return folder;
  }

  void ShowBoxes() {
    struct Box {
      std::wstring message;
      int first;
      int second;  // -1: one button
    };
    std::vector<Box> boxes = {
        {GetText(10), 19, 20}, {GetText(13), 14, 15}, {GetText(22), 19, 20}, {GetText(39), 40, 12}};
    for (int id : {28, 29, 30, 31, 32, 33, 41, 42}) boxes.push_back({GetText(id), 11, -1});
    for (int id = kTextFolderNotOurs; id < kUiTextCount; ++id) boxes.push_back({GetText(id), 11, -1});
    UninstallRequest request;
    request.installFolder = "/opt/Corvex 11 with a long folder name/program";
    for (UninstallResult result : {UninstallResult{UninstallOutcome::kRefused, FolderVerdict::kEmptyPath},
                                   UninstallResult{UninstallOutcome::kRefused, FolderVerdict::kSystemFolder},
                                   UninstallResult{UninstallOutcome::kRefused, FolderVerdict::kNotProductInstall},
                                   UninstallResult{UninstallOutcome::kFilesLeft, FolderVerdict::kMayDelete}}) {
      boxes.push_back({UninstallFailureMessage(request, result), 11, -1});
    }
    for (const Box& box : boxes) {
      headless::AddStep([] {
        HWND shown = headless::ActiveDialog();
        ASSERT_TRUE(WaitForFrame(shown));
        headless::Key(shown, VK_ESCAPE);
      });
      if (box.second < 0) {
        ShowMessage(nullptr, L"Corvex", box.message.c_str(), GetText(box.first));
      } else {
        AskQuestion(nullptr, L"Corvex", box.message.c_str(), GetText(box.first), GetText(box.second));
      }
    }
  }

  std::vector<Shown> TakeShown() {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::move(shown_);
  }

  std::mutex mutex_;
  std::string where_;
  std::vector<Shown> shown_;
};

TEST_F(TextLayoutTest, EveryTextFitsItsRectangleInEveryLanguage) {
  std::set<std::string> misfits;  // the painter thread may paint a page more than once
  for (const Language& language : kLanguages) {
    ShowEverything(language);
    for (const Shown& shown : TakeShown()) {
      // CORVEX_LAYOUT_DUMP=1 lists every text with its room, for a translator at work.
      if (std::getenv("CORVEX_LAYOUT_DUMP")) std::printf("%s\n", Describe(shown).c_str());
      if (!Fits(shown.drawn)) misfits.insert(Describe(shown));
    }
  }
  std::string report;
  for (const std::string& misfit : misfits) report += misfit + "\n";
  EXPECT_TRUE(misfits.empty()) << misfits.size() << " texts do not fit:\n" << report;
}

TEST_F(TextLayoutTest, EveryShownTextComesFromTheTable) {
  std::set<std::string> strangers;
  for (const Language& language : kLanguages) {
    ShowEverything(language);
    for (const Shown& shown : TakeShown()) {
      const std::wstring& text = shown.drawn.text;
      for (size_t start = 0; start <= text.size();) {
        const size_t end = std::min(text.find(L'\n', start), text.size());
        const std::wstring line = text.substr(start, end - start);
        if (!ComesFromTheTable(line)) strangers.insert(shown.where + ": \"" + platform::WideToNarrow(line) + "\"");
        start = end + 1;
      }
    }
  }
  std::string report;
  for (const std::string& stranger : strangers) report += stranger + "\n";
  EXPECT_TRUE(strangers.empty()) << report;
}

}  // namespace
}  // namespace uitest
