// Every text of the table, in every language, where the pages paint it: measured with
// the layout and font of the very DrawTextW call that paints it, it must fit its
// rectangle; and every text painted must come from the table.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "base/texts/project_text_ids.h"
#include "base/texts/text_tables.h"
#include "base/texts/ui_texts.h"
#include "install/uninstall_work.h"
#include "platform/gui/draw.h"
#include "platform/text.h"
#include "setup/options_page.h"
#include "setup/uninstall_messages.h"
#include "setup/uninstall_page.h"
#include "tests/common/previous_install_fixture.h"
#include "tests/ui/ui_test_support.h"
#include "ui/button_color_ctrl_ex.h"
#include "ui/skin_message_box.h"
#include "ui/static_ctrl.h"
#include "ui/ui_font.h"

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
    const size_t found = first ? (shown.compare(0, part.size(), part) == 0 ? 0 : std::wstring::npos)
                               : shown.find(part, from);
    if (found == std::wstring::npos) return false;
    from = found + part.size();
    piece = end + 1;
    first = false;
  }
}

bool ComesFromTheTable(const std::wstring& line) {
  if (kFixedTexts.count(line)) return true;
  for (int id = 0; id < kUiTextCount; ++id) {
    if (MatchesWithPlaceholders(line, GetText(id))) return true;
  }
  return false;
}

class TextLayoutTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
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

  // Paints every page and box of the installer in the current language.
  void ShowEverything(const std::string& language) {
    HWND owner = CreateOwner();
    gui::MemoryCanvas canvas(622, 580);

    At(language + " main page");
    PaintMainPage(owner, canvas.dc());

    At(language + " options page");
    {
      ControlLists lists;
      OptionsPage page;
      page.Create(owner, lists, 3, L"/opt/Corvex");
      page.SetPageVisible(true);
      lists.PaintAll(canvas.dc());
    }

    At(language + " uninstall page, ready");
    {
      ControlLists lists;
      UninstallPage page;
      UninstallTarget installed;
      installed.installFolder = InstalledFolder();
      installed.productKeyName = "Corvex 11";
      page.Build(owner, lists, installed);
      lists.PaintAll(canvas.dc());
    }

    At(language + " uninstall page, refused");
    {
      ControlLists lists;
      UninstallPage page;
      UninstallTarget notAnInstallation;
      notAnInstallation.installFolder = "/opt/Corvex 11 in a folder with a long name/program";
      page.Build(owner, lists, notAnInstallation);
      lists.PaintAll(canvas.dc());
    }

    At(language + " uninstall page");
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

    At(language + " message box");
    ShowBoxes();
    gui::DestroyWindow(owner);
  }

  // A folder the uninstall page accepts, so that it offers its choice.
  static std::string InstalledFolder() {
    const std::string folder = std::string(std::getenv("HOME")) + "/opt/Corvex";
    std::filesystem::create_directories(folder);
    testing_support::MakePreviousInstall(folder, "Corvex 11");
    return folder;
  }

  // The main page's text controls in the geometry the setup dialog gives them, in
  // each of its states: the install button (ready, retry, finished) and the countdown.
  void PaintMainPage(HWND owner, HDC dc) {
    HFONT buttonFont = CreateDialogFont(owner, 27);
    HFONT countdownFont = CreateDialogFont(owner, 14);
    const int width = GetLayoutWidth(4);
    const int left = (622 - width) / 2;
    for (int textId : {0, 14}) {
      ButtonColorCtrlEx button(owner, left, 354, left + width, 394);
      button.SetFont(buttonFont);
      button.SetCaption(GetText(textId));
      button.Draw(dc);
    }
    ButtonColorCtrlEx finish(owner, std::max(left - 400, 0), 354, std::min(left + width + 400, 622), 394);
    finish.SetFont(buttonFont);
    finish.SetCaption(GetText(9));
    finish.Draw(dc);
    StaticCtrl countdown(owner, 3, 311, 619, 348);
    countdown.SetFont(countdownFont);
    std::wstring text = GetText(49);
    text.replace(text.find(L"XXX"), 3, L"30 ");
    countdown.SetCaption(text.c_str());
    countdown.Draw(dc);
    gui::DeleteFont(buttonFont);
    gui::DeleteFont(countdownFont);
  }

  void ShowBoxes() {
    struct Box {
      std::wstring message;
      int first;
      int second;  // -1: one button
    };
    std::vector<Box> boxes = {{GetText(10), 19, 20}, {GetText(13), 14, 15}, {GetText(22), 19, 20},
                              {GetText(39), 40, 12}};
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
  std::vector<std::string> misfits;
  for (const Language& language : kLanguages) {
    ui_texts_detail::ResetForTesting();
    SetLanguage(L"Corvex", language.id, "www.corvex.example");
    ShowEverything(language.name);
    for (const Shown& shown : TakeShown()) {
      // CORVEX_LAYOUT_DUMP=1 lists every text with its room, for a translator at work.
      if (std::getenv("CORVEX_LAYOUT_DUMP")) std::printf("%s\n", Describe(shown).c_str());
      if (!Fits(shown.drawn)) misfits.push_back(Describe(shown));
    }
  }
  std::string report;
  for (const std::string& misfit : misfits) report += misfit + "\n";
  EXPECT_TRUE(misfits.empty()) << misfits.size() << " texts do not fit:\n" << report;
}

TEST_F(TextLayoutTest, EveryShownTextComesFromTheTable) {
  std::vector<std::string> strangers;
  for (const Language& language : kLanguages) {
    ui_texts_detail::ResetForTesting();
    SetLanguage(L"Corvex", language.id, "www.corvex.example");
    ShowEverything(language.name);
    for (const Shown& shown : TakeShown()) {
      const std::wstring& text = shown.drawn.text;
      for (size_t start = 0; start <= text.size();) {
        const size_t end = std::min(text.find(L'\n', start), text.size());
        const std::wstring line = text.substr(start, end - start);
        if (!ComesFromTheTable(line)) strangers.push_back(shown.where + ": \"" + platform::WideToNarrow(line) + "\"");
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
