// Text from a package shown on a terminal: a package is foreign input, and its bytes
// must not drive the terminal.
#pragma once

#include <string>
#include <string_view>

// `text` with printable ASCII and well-formed UTF-8 (other than C1 controls) kept, and
// every other byte, backslashes included, written as \xNN.
std::string PrintableText(std::string_view text);
