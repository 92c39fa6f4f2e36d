#include "download/repair_ledger.h"

#include <cstring>

#include "base/log_text.h"

namespace download {

bool RepairLedger::HasAttemptsLeft(std::uint32_t first, const char* url) const {
  if (!url) return false;
  const auto block = attempts_.find(first);
  if (block == attempts_.end()) return true;
  const auto mirror = block->second.find(url);
  return mirror == block->second.end() || mirror->second < kRepairAttemptsPerMirror;
}

const char* RepairLedger::Choose(std::uint32_t first, const char* preferred, const char* avoid,
                                 const std::vector<const char*>& mirrors) const {
  if (HasAttemptsLeft(first, preferred)) return preferred;
  for (const char* url : mirrors) {
    if (avoid && url && std::strcmp(url, avoid) == 0) continue;
    if (HasAttemptsLeft(first, url)) return url;
  }
  return HasAttemptsLeft(first, avoid) ? avoid : nullptr;
}

void RepairLedger::Record(std::uint32_t first, const char* url) {
  if (url) ++attempts_[first][url];
}

int RepairLedger::Attempts(std::uint32_t first) const {
  const auto block = attempts_.find(first);
  if (block == attempts_.end()) return 0;
  int total = 0;
  for (const auto& [url, count] : block->second) total += count;
  return total;
}

std::string RepairLedger::Tried(std::uint32_t first) const {
  std::string text;
  const auto block = attempts_.find(first);
  if (block == attempts_.end()) return "none";
  for (const auto& [url, count] : block->second) {
    if (!text.empty()) text += ", ";
    text += base::PrintableLogText(url) + " (" + std::to_string(count) + ")";
  }
  return text;
}

}  // namespace download
