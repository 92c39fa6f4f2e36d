#include "base/log_text.h"

namespace base {

namespace {

bool IsUtf8Continuation(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; }

}  // namespace

std::string PrintableLogText(std::string_view text, std::size_t maxBytes) {
  if (text.size() > maxBytes) {
    std::size_t end = maxBytes;
    while (end > 0 && IsUtf8Continuation(text[end])) --end;
    text = text.substr(0, end);
  }
  std::string out(text);
  for (char& byte : out) {
    const unsigned char value = static_cast<unsigned char>(byte);
    if (value < 0x20 || value == 0x7f) byte = '?';
  }
  return out;
}

}  // namespace base
