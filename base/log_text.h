// Text that others supply (a mirror's answer, a manifest's values) made safe to put in
// an install log line: it can neither start fake lines nor flood the log.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace base {

// `text` with every control byte (below 0x20, and 0x7f) replaced by '?', cut to at most
// `maxBytes` bytes (never inside a UTF-8 sequence).
std::string PrintableLogText(std::string_view text, std::size_t maxBytes = 200);

}  // namespace base
