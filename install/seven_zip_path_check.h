// Decides from an archive's listing whether extracting it could place anything
// outside the output folder.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace install {

struct ArchiveEntry {
  std::string path;        // as listed, '/' separated
  std::string attributes;  // "A -rw-r--r--", "D drwxr-xr-x", "A lrwxrwxrwx", "A"
  std::uint64_t size = 0;
  bool isLink = false;          // a symbolic link (its target below, once known)
  bool isReparsePoint = false;  // a Windows reparse point: no target we could check
  std::string linkTarget;
  std::string hardLinkTarget;
};

// The first entry that could escape, described for the log; nullopt when all stay in.
// Rules: no absolute path, no ".." element (either separator counts), nothing placed
// below a link, a link target relative and made of leading ".." elements that stay
// within the link's own folder chain followed by plain names, hard links like paths,
// no reparse points.
std::optional<std::string> FindEscapingEntry(const std::vector<ArchiveEntry>& entries);

}  // namespace install
