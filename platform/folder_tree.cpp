#include "platform/folder_tree.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <vector>

#include "platform/path.h"
#include "platform/win_types.h"

namespace platform {
namespace {

size_t CharacterCount(const std::string& utf8) {
  size_t count = 0;
  for (const unsigned char byte : utf8) count += (byte & 0xC0) != 0x80;
  return count;
}

bool HasNoWriteBit(mode_t mode) { return (mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0; }

// How much of a tree went. kKept: only read-only files kept by the policy (and the
// folders holding them) are left.
enum class Removal { kGone, kKept, kFailed };

Removal Worse(Removal a, Removal b) {
  if (a == Removal::kFailed || b == Removal::kFailed) return Removal::kFailed;
  if (a == Removal::kKept || b == Removal::kKept) return Removal::kKept;
  return Removal::kGone;
}

// Where an entry lies: its file system and, where the kernel tells, its mount, which
// tells a folder bind-mounted from the same file system apart.
struct Place {
  dev_t device = 0;
  uint64_t mountId = 0;
  bool hasMountId = false;
};

// The place of `name` in `folder`, or of `folder` itself for an empty name; never
// through a link.
bool PlaceOf(int folder, const char* name, Place& place) {
  struct statx stx {};
  const int flags = AT_SYMLINK_NOFOLLOW | (*name == '\0' ? AT_EMPTY_PATH : 0);
  if (::statx(folder, name, flags, STATX_MNT_ID, &stx) != 0) return false;
  place.device = makedev(stx.stx_dev_major, stx.stx_dev_minor);
  place.hasMountId = (stx.stx_mask & STATX_MNT_ID) != 0;
  place.mountId = stx.stx_mnt_id;
  return true;
}

bool SamePlace(const Place& a, const Place& b) {
  return a.device == b.device && (!a.hasMountId || !b.hasMountId || a.mountId == b.mountId);
}

// What a deletion keeps to: the policy for read-only files, and the mount of the tree's
// top, so that nothing mounted inside the tree is ever emptied.
struct Scope {
  ReadOnlyFiles readOnlyFiles;
  Place top;
};

Removal RemoveEntry(int parent, const std::string& name, const struct stat& st, const Scope& scope);

// Removes every entry of the open folder `folder`, which it closes.
Removal EmptyOpenFolder(int folder, const Scope& scope) {
  DIR* listing = ::fdopendir(folder);
  if (!listing) {
    ::close(folder);
    return Removal::kFailed;
  }
  std::vector<std::string> names;
  while (const struct dirent* entry = ::readdir(listing)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  Removal result = Removal::kGone;
  for (const std::string& name : names) {
    struct stat st {};
    if (::fstatat(::dirfd(listing), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
      if (errno != ENOENT) result = Removal::kFailed;
      continue;
    }
    // A mount point is kept as it is: what lies there belongs to another mount.
    Place place;
    if (!PlaceOf(::dirfd(listing), name.c_str(), place)) {
      if (errno != ENOENT) result = Removal::kFailed;
      continue;
    }
    if (!SamePlace(place, scope.top)) {
      result = Worse(result, Removal::kKept);
      continue;
    }
    result = Worse(result, RemoveEntry(::dirfd(listing), name, st, scope));
  }
  ::closedir(listing);
  return result;
}

// Opens the sub-folder `name` of `parent` without following a link; under kDelete a
// folder the owner may not list or change is made so first.
int OpenSubfolder(int parent, const std::string& name, const struct stat& st, ReadOnlyFiles readOnlyFiles) {
  constexpr int kFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
  const bool fullOwnerAccess = (st.st_mode & S_IRWXU) == S_IRWXU;
  const mode_t writable = (st.st_mode & 07777) | S_IRWXU;
  int folder = ::openat(parent, name.c_str(), kFlags);
  if (folder < 0 && errno == EACCES && readOnlyFiles == ReadOnlyFiles::kDelete && !fullOwnerAccess &&
      ::fchmodat(parent, name.c_str(), writable, AT_SYMLINK_NOFOLLOW) == 0) {
    folder = ::openat(parent, name.c_str(), kFlags);
  }
  if (folder >= 0 && readOnlyFiles == ReadOnlyFiles::kDelete && !fullOwnerAccess) ::fchmod(folder, writable);
  return folder;
}

// True when the opened folder still lies on the tree's mount: the entry may have been
// replaced between its examination and its opening.
bool OnTreesMount(int folder, const Place& top) {
  Place place;
  return PlaceOf(folder, "", place) && SamePlace(place, top);
}

Removal RemoveEntry(int parent, const std::string& name, const struct stat& st, const Scope& scope) {
  const ReadOnlyFiles readOnlyFiles = scope.readOnlyFiles;
  if (S_ISDIR(st.st_mode)) {
    const int folder = OpenSubfolder(parent, name, st, readOnlyFiles);
    if (folder < 0) return Removal::kFailed;
    if (!OnTreesMount(folder, scope.top)) {
      ::close(folder);
      return Removal::kKept;
    }
    const Removal inside = EmptyOpenFolder(folder, scope);
    if (inside != Removal::kKept && ::unlinkat(parent, name.c_str(), AT_REMOVEDIR) == 0) return Removal::kGone;
    return inside == Removal::kGone ? Removal::kFailed : inside;
  }
  if (readOnlyFiles == ReadOnlyFiles::kKeep && !S_ISLNK(st.st_mode) && HasNoWriteBit(st.st_mode)) {
    return Removal::kKept;
  }
  return ::unlinkat(parent, name.c_str(), 0) == 0 || errno == ENOENT ? Removal::kGone : Removal::kFailed;
}

}  // namespace

bool CreateFolderChain(const std::string& path) {
  if (path.empty() || CharacterCount(path) > static_cast<size_t>(kMaxPath)) return false;
  for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
    ::mkdir(path.substr(0, slash).c_str(), 0755);
  }
  if (path.back() != '/') ::mkdir(path.c_str(), 0755);
  return PathIsDirectory(path);
}

bool CreateParentFolder(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return true;
  return CreateFolderChain(path.substr(0, slash + 1));
}

bool DeleteFolderTree(const std::string& folder, ReadOnlyFiles readOnlyFiles) {
  std::string path = folder;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  if (path.empty()) return false;
  // O_NOFOLLOW only guards the last element, hence the trailing '/' went first.
  const int top = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (top < 0) return false;
  Place place;
  if (!PlaceOf(top, "", place)) {
    ::close(top);
    return false;
  }
  const Removal inside = EmptyOpenFolder(top, Scope{readOnlyFiles, place});
  if (inside == Removal::kKept) return true;
  return ::rmdir(path.c_str()) == 0 && inside == Removal::kGone;
}

}  // namespace platform
