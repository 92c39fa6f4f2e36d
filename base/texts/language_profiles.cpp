#include "base/texts/language_profiles.h"

namespace base {

namespace {

constexpr int kPrimaryMask = 0x3FF;
constexpr int kSubLanguageShift = 10;
constexpr int kChineseSubLanguagePrc = 2;

constexpr std::array<int, kLayoutWidthCount> kChineseWidths = {52, 95, 52, 170, 180, 180};
constexpr std::array<int, kLayoutWidthCount> kSpanishWidths = {80, 280, 80, 460, 180, 180};

struct PrimaryLanguageRow {
  int primary;
  LanguageProfile profile;
};

// Chinese is chosen by its sub-language and kept out of this table.
const PrimaryLanguageRow kProfilesByPrimary[] = {
    {3, {"Language is CATALA(XiBanYa), id = %d", "Spanish", kSpanishWidths, &kSpanishTexts}},
    {5, {"Language is CZ(JieKe), id = %d", "Czech", {90, 270, 90, 360, 300, 180}, &kCzechTexts}},
    {7, {"Language is DE(DeGuo), id = %d", "German", {105, 190, 105, 450, 180, 180}, &kGermanTexts}},
    {10, {"Language is SPANISH(XiBanYa), id = %d", "Spanish", kSpanishWidths, &kSpanishTexts}},
    {12, {"Language is FR(FaGuo), id = %d", "French", {85, 220, 90, 420, 300, 180}, &kFrenchTexts}},
    {14, {"Language is HU(XiongYaLi), id = %d", "Hungarian", {100, 220, 110, 410, 180, 180}, &kHungarianTexts}},
    {16, {"Language is IT(YiDaLi), id = %d", "Italian", {90, 270, 105, 480, 180, 180}, &kItalianTexts}},
    {17, {"Language is JP(RiBen), id = %d", "Japanese", {52, 165, 52, 295, 320, 180}, &kJapaneseTexts}},
    {19, {"Language is NL(HeLan), id = %d", "Dutch", {103, 260, 103, 360, 180, 180}, &kDutchTexts}},
    {20, {"Language is NO(NuoWei), id = %d", "Norwegian", {65, 130, 75, 360, 200, 180}, &kNorwegianTexts}},
    {21, {"Language is PL(BoLan), id = %d", "Polish", {85, 260, 72, 300, 180, 180}, &kPolishTexts}},
    {22, {"Language is PT(PuTaoYa), id = %d", "Portuguese", {75, 230, 85, 470, 180, 180}, &kPortugueseTexts}},
    {25, {"Language is RU(ErLuoSi), id = %d", "Russian", {88, 360, 143, 400, 180, 180}, &kRussianTexts}},
    {29, {"Language is SVE(RuiDian), id = %d", "Swedish", {93, 160, 70, 320, 180, 180}, &kSwedishTexts}},
};

constexpr int kPrimaryChinese = 4;

const LanguageProfile kChineseSimplifiedProfile = {"Language is CHS(JianTi), id = %d", "Chinese(Simplified)",
                                                   kChineseWidths, &kChineseSimplifiedTexts};
const LanguageProfile kChineseTraditionalProfile = {"Language is ZH(FanTi), id = %d", "Chinese(Traditional)",
                                                    kChineseWidths, &kChineseTraditionalTexts};
const LanguageProfile kEnglishProfile = {
    "Language is EN, id = %d", "English", {75, 165, 55, 320, 240, 180}, &kEnglishTexts};

}  // namespace

const LanguageProfile& SelectLanguageProfile(LANGID languageId) {
  const int primary = languageId & kPrimaryMask;
  if (primary == kPrimaryChinese) {
    // Only the PRC variant is Simplified; Taiwan, Hong Kong, Macao and Singapore get
    // the Traditional texts.
    return (languageId >> kSubLanguageShift) == kChineseSubLanguagePrc ? kChineseSimplifiedProfile
                                                                       : kChineseTraditionalProfile;
  }
  for (const auto& row : kProfilesByPrimary) {
    if (row.primary == primary) return row.profile;
  }
  return kEnglishProfile;
}

LANGID ResolveLanguageId(int requested, LANGID systemLanguage, int debugOverride) {
  LANGID id = static_cast<LANGID>(requested & 0xFFFF);
  if (id == 0) id = systemLanguage;
  if (debugOverride != 0) id = static_cast<LANGID>(debugOverride & 0xFFFF);
  return id;
}

}  // namespace base
