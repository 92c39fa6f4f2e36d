// How often each bad block has been fetched again from each mirror. A mirror that
// cannot deliver a block that verifies gets a few attempts, not an endless loop; when
// every mirror had its attempts the download fails. Used under the engine lock.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace download {

inline constexpr int kRepairAttemptsPerMirror = 2;

class RepairLedger {
 public:
  // URL for another fetch of the block starting at `first`: `preferred` when it has
  // attempts left for that block, else the first of `mirrors` other than `avoid` that
  // has, else `avoid` itself; null when every one of them had its attempts.
  const char* Choose(std::uint32_t first, const char* preferred, const char* avoid,
                     const std::vector<const char*>& mirrors) const;
  void Record(std::uint32_t first, const char* url);
  // Fetches of the block starting at `first` so far, over all mirrors.
  int Attempts(std::uint32_t first) const;
  // "url (n), url (n)" for the block starting at `first`, for the log: the URLs come
  // from the manifest and are shown printable-only.
  std::string Tried(std::uint32_t first) const;

 private:
  bool HasAttemptsLeft(std::uint32_t first, const char* url) const;
  std::map<std::uint32_t, std::map<std::string, int>> attempts_;
};

}  // namespace download
