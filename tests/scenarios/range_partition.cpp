#include "tests/scenarios/range_partition.h"

#include <algorithm>
#include <vector>

using namespace download;

namespace {

struct Span {
  std::uint64_t first;
  std::uint64_t end;  // exclusive
  int id;
};

// Bytes an item still has to fetch: a running segment, or a failed one whose remainder
// the dispatcher has yet to hand over.
bool OwnsRemainder(const DownloadItem& item) {
  return (item.nStatus == E_Status_Runing || item.nStatus == E_Status_Fail) && item.nCurrent <= item.nEnd;
}

}  // namespace

std::string FindPartitionFault(const DownloadItemMap& items, std::uint32_t fileSize,
                               const std::vector<ByteRange>& kept) {
  std::vector<Span> owned;
  std::vector<Span> covered;
  for (const ByteRange& range : kept) covered.push_back({range.first, std::uint64_t{range.last} + 1, -1});
  for (const auto& [id, item] : items) {
    const std::uint64_t received = std::min<std::uint64_t>(item.nCurrent, std::uint64_t{item.nEnd} + 1);
    if (received > item.nStart) covered.push_back({item.nStart, received, id});
    if (OwnsRemainder(item)) {
      owned.push_back({item.nCurrent, std::uint64_t{item.nEnd} + 1, id});
      covered.push_back(owned.back());
    }
  }
  std::sort(owned.begin(), owned.end(), [](const Span& a, const Span& b) { return a.first < b.first; });
  for (std::size_t i = 1; i < owned.size(); ++i) {
    if (owned[i].first < owned[i - 1].end) {
      return "items " + std::to_string(owned[i - 1].id) + " and " + std::to_string(owned[i].id) +
             " both still fetch byte " + std::to_string(owned[i].first);
    }
  }
  std::sort(covered.begin(), covered.end(), [](const Span& a, const Span& b) { return a.first < b.first; });
  std::uint64_t reach = 0;
  for (const Span& span : covered) {
    if (span.first > reach) break;
    reach = std::max(reach, span.end);
  }
  if (reach < fileSize) return "no item received or fetches byte " + std::to_string(reach);
  return {};
}
