#include "platform/entry_status.h"

#include <sys/stat.h>
#include <unistd.h>

namespace platform {

EntryStatus ReadEntryStatus(const std::string& path) {
  struct stat st {};
  EntryStatus status;
  if (::lstat(path.c_str(), &st) != 0) return status;
  if (S_ISREG(st.st_mode)) {
    status.kind = EntryKind::kFile;
  } else if (S_ISDIR(st.st_mode)) {
    status.kind = EntryKind::kFolder;
  } else if (S_ISLNK(st.st_mode)) {
    status.kind = EntryKind::kLink;
  } else {
    status.kind = EntryKind::kOther;
  }
  status.ownedByRootOrUs = st.st_uid == 0 || st.st_uid == ::geteuid();
  return status;
}

}  // namespace platform
