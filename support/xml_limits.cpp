#include "support/xml_limits.h"

namespace support {

namespace {

// Index just past the first `terminator` at or after `from`, or the end of `text`.
std::size_t SkipPast(std::string_view text, std::size_t from, std::string_view terminator) {
  const std::size_t found = text.find(terminator, from);
  return found == std::string_view::npos ? text.size() : found + terminator.size();
}

// A document type declaration ends at the first '>' outside its bracketed subsets.
std::size_t SkipDoctype(std::string_view text, std::size_t from) {
  std::size_t i = from;
  while (i < text.size() && text[i] != '>') {
    if (text[i] == '[') {
      int depth = 1;
      for (++i; i < text.size() && depth > 0; ++i) {
        if (text[i] == '[') ++depth;
        if (text[i] == ']') --depth;
      }
    } else {
      ++i;
    }
  }
  return i + 1;
}

// Index of the '>' that ends the tag starting at `from`; quoted attribute values may
// hold '>'. text.size() when there is none.
std::size_t TagEnd(std::string_view text, std::size_t from) {
  for (std::size_t i = from; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"' || c == '\'') {
      const std::size_t close = text.find(c, i + 1);
      if (close == std::string_view::npos) return text.size();
      i = close;
    } else if (c == '>') {
      return i;
    }
  }
  return text.size();
}

bool StartsWith(std::string_view text, std::size_t at, std::string_view prefix) {
  return text.substr(at, prefix.size()) == prefix;
}

}  // namespace

bool XmlWithinLimits(std::string_view text) {
  if (text.size() > kMaxXmlDocumentSize) return false;
  int depth = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] != '<') {
      ++i;
      continue;
    }
    // The same node kinds, told apart the same way, as the parser does.
    if (StartsWith(text, i, "<!--")) {
      i = SkipPast(text, i + 4, "-->");
    } else if (StartsWith(text, i, "<![CDATA[")) {
      i = SkipPast(text, i + 9, "]]>");
    } else if (StartsWith(text, i, "<!DOCTYPE") && i + 9 < text.size() &&
               (text[i + 9] == ' ' || text[i + 9] == '\t' || text[i + 9] == '\r' || text[i + 9] == '\n')) {
      i = SkipDoctype(text, i + 10);
    } else if (StartsWith(text, i, "<!")) {
      i = SkipPast(text, i + 2, ">");
    } else if (StartsWith(text, i, "<?")) {
      i = SkipPast(text, i + 2, "?>");
    } else if (StartsWith(text, i, "</")) {
      if (depth > 0) --depth;
      i = SkipPast(text, i + 2, ">");
    } else {
      const std::size_t end = TagEnd(text, i + 1);
      if (end < text.size() && text[end - 1] != '/' && ++depth > kMaxXmlDepth) return false;
      i = end + 1;
    }
  }
  return true;
}

}  // namespace support
