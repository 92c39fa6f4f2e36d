// Creating folder chains and deleting folder trees. Paths are narrow (UTF-8) and use
// '/' only. Deletion never follows a link: a link inside the tree is removed as
// itself, and a tree whose top is a link is left alone, so a planted link cannot make
// a privileged process delete anything outside the tree. Nor does it cross a mount
// point: whatever lies on another mount than the tree's top is kept.
#pragma once

#include <string>

namespace platform {

// Refuses paths longer than 260 characters. Otherwise creates, from the left, every
// prefix that ends before a '/' (after the first character), then the whole path
// unless it ends with '/'. True when the path is a folder afterwards.
bool CreateFolderChain(const std::string& path);
// CreateFolderChain of the path up to and including its last '/'; true without a '/'
// (the parent is the current folder).
bool CreateParentFolder(const std::string& path);

// What deleting a tree does with a read-only file: one without any write permission
// bit.
enum class ReadOnlyFiles {
  kKeep,    // kept, and so is the folder chain holding it
  kDelete,  // deleted; read-only sub-folders are made writable first
};

// Deletes the entries of `folder` and then the folder itself (a trailing '/' is
// ignored). True when everything the policy deletes is gone (a mount point inside the
// tree, and the folders holding it, are kept like read-only files); false for an empty path,
// a folder that cannot be listed, a link, or anything left behind by an error.
bool DeleteFolderTree(const std::string& folder, ReadOnlyFiles readOnlyFiles);

}  // namespace platform
