// The 16 language tables: complete, placeholders intact, and selected by the right ids.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "base/texts/language_profiles.h"
#include "base/texts/text_tables.h"

using namespace base;

namespace {

int CountOf(const std::wstring& text, const std::wstring& needle) {
  int count = 0;
  for (size_t pos = text.find(needle); pos != std::wstring::npos; pos = text.find(needle, pos + needle.size())) {
    ++count;
  }
  return count;
}

std::string Describe(const LanguageTable& table, int id) {
  return "language " + std::to_string(static_cast<int>(table.language)) + ", text " + std::to_string(id);
}

bool IsSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\n'; }

}  // namespace

TEST(TextTables, EveryTableHasAllTextsWithTheEnglishPlaceholders) {
  const auto tables = AllLanguageTables();
  ASSERT_EQ(tables.size(), 16u);
  ASSERT_EQ(tables[0], &kEnglishTexts);
  std::set<UiLanguage> languages;
  for (const LanguageTable* table : tables) {
    EXPECT_TRUE(languages.insert(table->language).second) << "two tables for one language";
    for (int id = 0; id < kUiTextCount; ++id) {
      ASSERT_NE(table->texts[id], nullptr) << Describe(*table, id);
      const std::wstring text = table->texts[id];
      const std::wstring english = kEnglishTexts.texts[id];
      EXPECT_FALSE(text.empty()) << Describe(*table, id);
      EXPECT_FALSE(IsSpace(text.front()) || IsSpace(text.back())) << Describe(*table, id);
      EXPECT_EQ(CountOf(text, L"__PRODUCT_NAME__"), CountOf(english, L"__PRODUCT_NAME__")) << Describe(*table, id);
      EXPECT_EQ(CountOf(text, L"XXX"), CountOf(english, L"XXX")) << Describe(*table, id);
      EXPECT_EQ(CountOf(text, kFolderPlaceholder), CountOf(english, kFolderPlaceholder)) << Describe(*table, id);
      // The project's own texts have no English stand-ins in other languages.
      if (id >= kTextFolderNotOurs && table != &kEnglishTexts) {
        EXPECT_NE(text, english) << Describe(*table, id);
      }
      // A placeholder with a lost or extra underscore would reach the user unreplaced.
      EXPECT_EQ(CountOf(text, L"PRODUCT_NAME"), CountOf(text, L"__PRODUCT_NAME__")) << Describe(*table, id);
      EXPECT_EQ(CountOf(text, L"___PRODUCT_NAME__") + CountOf(text, L"__PRODUCT_NAME___"), 0) << Describe(*table, id);
    }
    // The web host and the full stop are appended on loading.
    for (int id : kTextsEndingWithWebHost) {
      const std::wstring text = table->texts[id];
      EXPECT_NE(text.back(), L'.') << Describe(*table, id);
    }
  }
}

TEST(TextTables, EnglishKeepsItsReferenceWording) {
  EXPECT_STREQ(kEnglishTexts.texts[0], L"Click to Install");
  EXPECT_STREQ(kEnglishTexts.texts[9], L"Start __PRODUCT_NAME__");
  EXPECT_STREQ(kEnglishTexts.texts[28], L"Windows XP is not suppoeted anymore.");
  EXPECT_STREQ(kEnglishTexts.texts[34], L"Uninstall");
  EXPECT_STREQ(kEnglishTexts.texts[41], L"Download failed, please retry or download the offline installer from");
  EXPECT_STREQ(kEnglishTexts.texts[49], L"Installation will start automatically in XXX seconds.");
}

TEST(LanguageSelection, ChineseSplitsBySubLanguage) {
  const LanguageProfile& prc = SelectLanguageProfile(0x0804);
  EXPECT_EQ(prc.table, &kChineseSimplifiedTexts);
  EXPECT_STREQ(prc.languageName, "Chinese(Simplified)");
  EXPECT_STREQ(prc.logFormat, "Language is CHS(JianTi), id = %d");
  for (LANGID id : {0x0404, 0x0C04, 0x1004, 0x1404, 0x0004}) {
    const LanguageProfile& other = SelectLanguageProfile(id);
    EXPECT_EQ(other.table, &kChineseTraditionalTexts) << std::hex << id;
    EXPECT_STREQ(other.languageName, "Chinese(Traditional)");
    EXPECT_STREQ(other.logFormat, "Language is ZH(FanTi), id = %d");
    EXPECT_EQ(other.layoutWidths, prc.layoutWidths);
  }
}

TEST(LanguageSelection, CatalanAndSpanishShareTextsButNotTheLogLine) {
  const LanguageProfile& catalan = SelectLanguageProfile(0x0403);
  const LanguageProfile& spanish = SelectLanguageProfile(0x0C0A);
  EXPECT_EQ(catalan.table, &kSpanishTexts);
  EXPECT_EQ(spanish.table, &kSpanishTexts);
  EXPECT_STREQ(catalan.languageName, "Spanish");
  EXPECT_STREQ(spanish.languageName, "Spanish");
  EXPECT_STREQ(catalan.logFormat, "Language is CATALA(XiBanYa), id = %d");
  EXPECT_STREQ(spanish.logFormat, "Language is SPANISH(XiBanYa), id = %d");
  EXPECT_EQ(catalan.layoutWidths, (std::array<int, 6>{80, 280, 80, 460, 180, 180}));
  EXPECT_EQ(spanish.layoutWidths, catalan.layoutWidths);
}

TEST(LanguageSelection, UnlistedLanguagesAndEnglishVariantsGetEnglish) {
  for (LANGID id : {0x0409, 0x0809, 0x0412, 0x0000, 0x0401, 0xFFFF}) {
    const LanguageProfile& profile = SelectLanguageProfile(id);
    EXPECT_EQ(profile.table, &kEnglishTexts) << std::hex << id;
    EXPECT_STREQ(profile.languageName, "English");
    EXPECT_STREQ(profile.logFormat, "Language is EN, id = %d");
    EXPECT_EQ(profile.layoutWidths, (std::array<int, 6>{75, 165, 55, 320, 240, 180}));
  }
}

TEST(LanguageSelection, EachListedPrimaryLanguageGetsItsOwnTable) {
  struct Case {
    LANGID id;
    const LanguageTable* table;
    const char* name;
    int installButtonWidth;
  };
  const Case cases[] = {
      {0x0405, &kCzechTexts, "Czech", 300},           {0x0407, &kGermanTexts, "German", 180},
      {0x0C07, &kGermanTexts, "German", 180},         {0x040C, &kFrenchTexts, "French", 300},
      {0x0C0C, &kFrenchTexts, "French", 300},         {0x040E, &kHungarianTexts, "Hungarian", 180},
      {0x0410, &kItalianTexts, "Italian", 180},       {0x0411, &kJapaneseTexts, "Japanese", 320},
      {0x0413, &kDutchTexts, "Dutch", 180},           {0x0414, &kNorwegianTexts, "Norwegian", 200},
      {0x0814, &kNorwegianTexts, "Norwegian", 200},   {0x0415, &kPolishTexts, "Polish", 180},
      {0x0416, &kPortugueseTexts, "Portuguese", 180}, {0x0816, &kPortugueseTexts, "Portuguese", 180},
      {0x0419, &kRussianTexts, "Russian", 180},       {0x041D, &kSwedishTexts, "Swedish", 180},
  };
  for (const Case& c : cases) {
    const LanguageProfile& profile = SelectLanguageProfile(c.id);
    EXPECT_EQ(profile.table, c.table) << std::hex << c.id;
    EXPECT_STREQ(profile.languageName, c.name) << std::hex << c.id;
    EXPECT_EQ(profile.layoutWidths[4], c.installButtonWidth) << std::hex << c.id;
  }
}

TEST(LanguageSelection, ResolvesTheIdFromRequestSystemAndOverride) {
  EXPECT_EQ(ResolveLanguageId(0x0407, 0x0411, 0), 0x0407);
  EXPECT_EQ(ResolveLanguageId(0, 0x0411, 0), 0x0411);
  // Only the low 16 bits count, for the request and for the override.
  EXPECT_EQ(ResolveLanguageId(0x30000, 0x0411, 0), 0x0411);
  EXPECT_EQ(ResolveLanguageId(0x10407, 0x0411, 0), 0x0407);
  EXPECT_EQ(ResolveLanguageId(0, 0x0411, 1031), 1031);
  EXPECT_EQ(ResolveLanguageId(0x0409, 0x0411, 0x10804), 0x0804);
}
