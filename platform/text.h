// Wide and narrow text. Narrow text is UTF-8 everywhere; every conversion the
// installer calls "OEM" or "ANSI" is a UTF-8 <-> wide conversion.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Invalid input never throws: undecodable bytes become U+FFFD.
std::string WideToNarrow(std::wstring_view wide);
std::wstring NarrowToWide(std::string_view narrow);

// ASCII-only case folding, as the registry and process names compare.
std::string AsciiLower(std::string_view text);
std::wstring AsciiLower(std::wstring_view text);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);
bool EqualsIgnoreCase(std::wstring_view a, std::wstring_view b);

}  // namespace platform
