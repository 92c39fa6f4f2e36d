// The English name of the user's language, as the statistics report it.
#pragma once

#include <string>

#include "platform/win_types.h"

namespace telemetry {

// "German" for 0x0407 and every other German variant; "English" for a language the
// table does not know. At most 31 characters.
std::string EnglishLanguageName(LANGID languageId);
// Of the user's locale.
std::string SystemLanguageName();

}  // namespace telemetry
