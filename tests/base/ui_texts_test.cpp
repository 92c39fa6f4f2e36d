// SetLanguage and GetText end to end: the system language from the locale, the debug
// INI override, the log line, the product name, the web host, and two threads.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "base/debug_switches.h"
#include "base/install_log.h"
#include "base/texts/text_tables.h"
#include "base/texts/ui_texts.h"
#include "platform/text.h"
#include "platform/win_types.h"
#include "sandbox.h"

using namespace base;

namespace {

const std::string kWebHost = "www.corvex.example";

std::vector<std::string>& LoggedLines() {
  static std::vector<std::string> lines;
  return lines;
}

int CaptureLog(const char* text) {
  LoggedLines().emplace_back(text);
  return 0;
}

class UiTextsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
      if (const char* value = std::getenv(name)) savedLocale_.emplace_back(name, value);
      ::unsetenv(name);
    }
    ui_texts_detail::ResetForTesting();
    LoggedLines().clear();
    GetLog()->SetLogCallback(&CaptureLog);
  }
  void TearDown() override {
    GetLog()->SetLogCallback(nullptr);
    ui_texts_detail::ResetForTesting();
    ::unsetenv("LC_ALL");
    for (const auto& [name, value] : savedLocale_) ::setenv(name.c_str(), value.c_str(), 1);
  }

  static void SetSystemLocale(const char* locale) { ::setenv("LC_ALL", locale, 1); }

  void WriteDebugIni(const std::string& body) {
    const std::string path = platform::WideToNarrow(GetDebugIniPath());
    ASSERT_EQ(path.rfind(sandbox_.home() + "/", 0), 0u) << path;
    testing_support::Sandbox::WriteFile(path, body);
  }

  static std::wstring Text(int id) { return GetText(id); }

  testing_support::Sandbox sandbox_;
  std::vector<std::pair<std::string, std::string>> savedLocale_;
};

}  // namespace

TEST_F(UiTextsTest, BeforeSetLanguageNothingIsKnown) {
  EXPECT_EQ(Text(0), L"UnKnow");
  EXPECT_EQ(GetLayoutWidth(0), 0);
  EXPECT_EQ(GetLanguageName(), "");
}

TEST_F(UiTextsTest, EnglishTextsWidthsAndUnknownIds) {
  EXPECT_EQ(SetLanguage(L"Corvex", 0x0409, kWebHost), 1);
  EXPECT_EQ(Text(9), L"Start Corvex");
  EXPECT_EQ(Text(13),
            L"Cannot proceed with the installation as Corvex is already running. "
            L"Please close it to try again or force close.");
  EXPECT_EQ(Text(49), L"Installation will start automatically in XXX seconds.");
  EXPECT_EQ(Text(kUiTextCount), L"UnKnow");
  EXPECT_EQ(Text(-1), L"UnKnow");
  EXPECT_EQ(GetLayoutWidth(4), 240);
  EXPECT_EQ(GetLayoutWidth(5), 180);
  EXPECT_EQ(GetLayoutWidth(6), 0);
  EXPECT_EQ(GetLayoutWidth(-1), 0);
  EXPECT_EQ(GetLanguageName(), "English");
  ASSERT_EQ(LoggedLines().size(), 1u);
  EXPECT_EQ(LoggedLines()[0], "Language is EN, id = 1033");
}

TEST_F(UiTextsTest, TheFirstProductNameIsKeptAndDemoIsTheDefault) {
  SetLanguage(nullptr, 0x0409, kWebHost);
  EXPECT_EQ(Text(47), L"Uninstall Demo");
  SetLanguage(L"Corvex", 0x0409, kWebHost);
  EXPECT_EQ(Text(47), L"Uninstall Corvex");
  SetLanguage(L"Other", 0x0409, kWebHost);
  EXPECT_EQ(Text(47), L"Uninstall Corvex");
}

TEST_F(UiTextsTest, ANameContainingThePlaceholderIsInsertedOnce) {
  SetLanguage(L"A__PRODUCT_NAME__B", 0x0409, kWebHost);
  EXPECT_EQ(Text(9), L"Start A__PRODUCT_NAME__B");
  EXPECT_EQ(Text(46), L"A__PRODUCT_NAME__B Online");
}

TEST_F(UiTextsTest, ZeroMeansTheSystemLanguage) {
  SetSystemLocale("zh_CN.UTF-8");
  SetLanguage(L"Corvex", 0, kWebHost);
  EXPECT_EQ(GetLanguageName(), "Chinese(Simplified)");
  EXPECT_EQ(Text(9), L"启动 Corvex");
  EXPECT_EQ(GetLayoutWidth(0), 52);
  ASSERT_EQ(LoggedLines().size(), 1u);
  EXPECT_EQ(LoggedLines()[0], "Language is CHS(JianTi), id = 2052");
}

TEST_F(UiTextsTest, CatalanAndSpanishShowSpanishWithTheirOwnLogLines) {
  SetLanguage(L"Corvex", 0x0403, kWebHost);
  EXPECT_EQ(GetLanguageName(), "Spanish");
  EXPECT_EQ(Text(12), L"Cancelar");
  const std::wstring catalanText9 = Text(9);
  ui_texts_detail::ResetForTesting();
  SetLanguage(L"Corvex", 0x0C0A, kWebHost);
  EXPECT_EQ(GetLanguageName(), "Spanish");
  EXPECT_EQ(Text(9), catalanText9);
  ASSERT_EQ(LoggedLines().size(), 2u);
  EXPECT_EQ(LoggedLines()[0], "Language is CATALA(XiBanYa), id = 1027");
  EXPECT_EQ(LoggedLines()[1], "Language is SPANISH(XiBanYa), id = 3082");
}

TEST_F(UiTextsTest, DebugIniOverridesTheSystemAndTheRequest) {
  SetSystemLocale("ja_JP.UTF-8");
  WriteDebugIni("[root]\nsetup_test_language=1031\n");
  SetLanguage(L"Corvex", 0, kWebHost);
  EXPECT_EQ(GetLanguageName(), "German");
  EXPECT_EQ(Text(12), L"Abbrechen");
  EXPECT_EQ(Text(9), L"Corvex starten");
  EXPECT_EQ(GetLayoutWidth(0), 105);
  ASSERT_EQ(LoggedLines().size(), 1u);
  EXPECT_EQ(LoggedLines()[0], "Language is DE(DeGuo), id = 1031");
  // The system check never looks at the override.
  EXPECT_TRUE(IsJapaneseSystem());

  ui_texts_detail::ResetForTesting();
  SetLanguage(L"Corvex", 0x0419, kWebHost);
  EXPECT_EQ(GetLanguageName(), "German");
}

TEST_F(UiTextsTest, AZeroOverrideOrNoIniLeavesTheLanguage) {
  SetSystemLocale("fr_FR.UTF-8");
  SetLanguage(L"Corvex", 0, kWebHost);
  EXPECT_EQ(GetLanguageName(), "French");
  EXPECT_FALSE(IsJapaneseSystem());

  ui_texts_detail::ResetForTesting();
  WriteDebugIni("[root]\nsetup_test_language=0\nshow_info_view=1\n");
  SetLanguage(L"Corvex", 0, kWebHost);
  EXPECT_EQ(GetLanguageName(), "French");
}

TEST_F(UiTextsTest, DownloadAdviceEndsWithTheVendorHostInEveryLanguage) {
  const std::wstring ending = L" www.corvex.example.";
  ASSERT_GT(ending.size(), 2u);
  const LANGID oneIdPerTable[] = {0x0409, 0x0804, 0x0404, 0x0411, 0x040C, 0x0407, 0x0419, 0x0405,
                                  0x0C0A, 0x040E, 0x0410, 0x0413, 0x0414, 0x0415, 0x0416, 0x041D};
  for (LANGID id : oneIdPerTable) {
    ui_texts_detail::ResetForTesting();
    SetLanguage(L"Corvex", id, kWebHost);
    for (int text : {41, 42}) {
      const std::wstring value = Text(text);
      ASSERT_GT(value.size(), ending.size());
      EXPECT_EQ(value.substr(value.size() - ending.size()), ending) << GetLanguageName() << " text " << text;
      EXPECT_EQ(value.find(ending), value.size() - ending.size()) << GetLanguageName() << " text " << text;
    }
  }
  ui_texts_detail::ResetForTesting();
  SetLanguage(L"Corvex", 0x0409, kWebHost);
  EXPECT_EQ(Text(42), L"The Online Installer is out of date, please download the latest version at" + ending);
}

// The UI thread and the install worker ask for texts at the same time; each copy must
// be whole, and a pointer handed out must not be rewritten by the other thread.
TEST_F(UiTextsTest, TwoThreadsReadTheCacheSafely) {
  SetLanguage(L"Corvex", 0x0407, kWebHost);
  std::vector<std::wstring> expected;
  for (int id = 0; id < kUiTextCount; ++id) expected.push_back(GetText(id));
  const wchar_t* const startText = GetText(9);

  auto reader = [&expected](int offset, int& mismatches) {
    for (int round = 0; round < 2000; ++round) {
      const int id = (round + offset) % (kUiTextCount + 2);
      const std::wstring copy = GetText(id);
      const std::wstring& want = id < kUiTextCount ? expected[id] : std::wstring(L"UnKnow");
      if (copy != want) ++mismatches;
    }
  };
  int mismatchesA = 0;
  int mismatchesB = 0;
  std::thread worker(reader, 0, std::ref(mismatchesA));
  reader(7, mismatchesB);
  worker.join();
  EXPECT_EQ(mismatchesA, 0);
  EXPECT_EQ(mismatchesB, 0);
  EXPECT_EQ(GetText(9), startText);
  EXPECT_EQ(std::wstring(startText), L"Corvex starten");
}
