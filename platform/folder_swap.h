// The folder moves of an install that either completes or leaves the previous
// install in place: a fresh folder beside the install folder (same parent, so the
// same file system and a rename swaps it in atomically), and the rename itself.
#pragma once

#include <string>

namespace platform {

// Creates "<folder>.<tag>-XXXXXX" (a new, unique, empty folder, mode 0755) beside
// `folder`; the parent must exist. Empty on failure, with the reason in `error`.
std::string CreateSiblingFolder(const std::string& folder, const std::string& tag, std::string* error = nullptr);

// rename(2) of a folder. An existing empty folder at `to` is replaced. False with the
// reason in `error`.
bool RenameFolder(const std::string& from, const std::string& to, std::string* error = nullptr);

// Whether new entries can be made in `folder`, or, when it does not exist yet, in its
// nearest existing parent: the file system is not mounted read-only and a probe file
// can be created and removed there.
bool FolderAcceptsWrites(const std::string& folder);
// Whether `folder`, or its nearest existing parent, lies on a file system mounted read-only.
bool FolderOnReadOnlyFileSystem(const std::string& folder);

// Free bytes for an unprivileged writer in the file system holding `path` or its
// nearest existing parent; -1 when none can be found.
long long FreeBytesAt(const std::string& path);

}  // namespace platform
