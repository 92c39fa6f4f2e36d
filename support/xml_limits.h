// What the XML reader accepts before it parses: documents come from mirrors and
// manifest URLs, and the parser descends one call per element.
#pragma once

#include <cstddef>
#include <string_view>

namespace support {

inline constexpr std::size_t kMaxXmlDocumentSize = 1024 * 1024;
inline constexpr int kMaxXmlDepth = 64;

// True when `text` is at most kMaxXmlDocumentSize bytes and nests elements at most
// kMaxXmlDepth deep, counted as the parser counts them. Text that does not parse may
// pass; the parser refuses it.
bool XmlWithinLimits(std::string_view text);

}  // namespace support
