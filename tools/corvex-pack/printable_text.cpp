#include "printable_text.h"

#include <cstdio>

namespace {

// Length of the well-formed UTF-8 sequence at `at` for a code point of U+00A0 or more
// (no overlong form, no surrogate); 0 when there is none.
std::size_t PrintableSequenceLength(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  std::size_t length;
  char32_t code;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    code = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    code = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    code = lead & 0x07;
  } else {
    return 0;
  }
  if (at + length > text.size()) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return 0;
    code = (code << 6) | (byte(at + i) & 0x3F);
  }
  const char32_t smallest[] = {0, 0, 0xA0, 0x800, 0x10000};
  if (code < smallest[length] || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) return 0;
  return length;
}

}  // namespace

std::string PrintableText(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      out += static_cast<char>(c);
      ++i;
    } else if (const std::size_t length = PrintableSequenceLength(text, i)) {
      out.append(text.substr(i, length));
      i += length;
    } else {
      char escaped[5];
      std::snprintf(escaped, sizeof(escaped), "\\x%02X", c);
      out += escaped;
      ++i;
    }
  }
  return out;
}
