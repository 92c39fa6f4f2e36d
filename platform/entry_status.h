// What a path names itself: a link is reported as a link, never as what it points at.
#pragma once

#include <string>

namespace platform {

enum class EntryKind { kMissing, kFile, kFolder, kLink, kOther };

struct EntryStatus {
  EntryKind kind = EntryKind::kMissing;  // also when it cannot be examined
  bool ownedByRootOrUs = false;          // by root or by this process's effective user
};

EntryStatus ReadEntryStatus(const std::string& path);

}  // namespace platform
