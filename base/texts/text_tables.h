// The per-language tables of the UI texts. Each table lives in its own
// texts_<language>.cpp; the selection code reaches them through this header only.
#pragma once

#include <array>
#include <span>

#include "base/texts/project_text_ids.h"

namespace base {

// The reference set (0-49) and the project's own texts after it.
inline constexpr int kUiTextCount = kProjectTextEnd;

enum class UiLanguage {
  English,
  ChineseSimplified,
  ChineseTraditional,
  Japanese,
  French,
  German,
  Russian,
  Czech,
  Spanish,
  Hungarian,
  Italian,
  Dutch,
  Norwegian,
  Polish,
  Portuguese,
  Swedish,
};

// Texts 41 (download failed) and 42 (installer out of date) hold the sentence up to
// the vendor's web host; the host and a full stop are appended when the table is
// loaded, so that the host comes from the vendor configuration of the build.
inline constexpr std::array<int, 2> kTextsEndingWithWebHost = {41, 42};

struct LanguageTable {
  UiLanguage language;
  // Indexed by text id. A null entry falls back to the English text.
  const wchar_t* texts[kUiTextCount];
};

extern const LanguageTable kEnglishTexts;
extern const LanguageTable kChineseSimplifiedTexts;
extern const LanguageTable kChineseTraditionalTexts;
extern const LanguageTable kJapaneseTexts;
extern const LanguageTable kFrenchTexts;
extern const LanguageTable kGermanTexts;
extern const LanguageTable kRussianTexts;
extern const LanguageTable kCzechTexts;
extern const LanguageTable kSpanishTexts;
extern const LanguageTable kHungarianTexts;
extern const LanguageTable kItalianTexts;
extern const LanguageTable kDutchTexts;
extern const LanguageTable kNorwegianTexts;
extern const LanguageTable kPolishTexts;
extern const LanguageTable kPortugueseTexts;
extern const LanguageTable kSwedishTexts;

// Every table, English first.
std::span<const LanguageTable* const> AllLanguageTables();

}  // namespace base
