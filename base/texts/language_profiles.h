// Which language a Windows language id selects: its texts, its log line, its English
// name and the widths the setup dialog sizes some controls with.
#pragma once

#include <array>

#include "base/texts/text_tables.h"
#include "platform/win_types.h"

namespace base {

inline constexpr int kLayoutWidthCount = 6;

struct LanguageProfile {
  const char* logFormat;     // printf format taking the whole language id
  const char* languageName;  // English name, as statistics and crash reports send it
  std::array<int, kLayoutWidthCount> layoutWidths;
  const LanguageTable* table;
};

// Chooses by the primary language (low 10 bits); Chinese by its sub-language too.
// Anything unlisted gets the English profile.
const LanguageProfile& SelectLanguageProfile(LANGID languageId);

// The id the selection runs on: `requested` (low 16 bits), the system language when
// those are 0, and a non-zero `debugOverride` (low 16 bits) above both.
LANGID ResolveLanguageId(int requested, LANGID systemLanguage, int debugOverride);

}  // namespace base
