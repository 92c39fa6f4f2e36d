#include "base/texts/text_tables.h"

namespace base {

namespace {

const LanguageTable* const kAllTables[] = {
    &kEnglishTexts,
    &kChineseSimplifiedTexts,
    &kChineseTraditionalTexts,
    &kJapaneseTexts,
    &kFrenchTexts,
    &kGermanTexts,
    &kRussianTexts,
    &kCzechTexts,
    &kSpanishTexts,
    &kHungarianTexts,
    &kItalianTexts,
    &kDutchTexts,
    &kNorwegianTexts,
    &kPolishTexts,
    &kPortugueseTexts,
    &kSwedishTexts,
};

}  // namespace

std::span<const LanguageTable* const> AllLanguageTables() { return kAllTables; }

}  // namespace base
