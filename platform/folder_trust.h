// Whether a privileged process may act in a folder: nobody but root (or this process's
// own user) can have put anything there or can change it under us. Judged on the path
// as written, without resolving any link.
#pragma once

#include <string>

namespace platform {

enum class FolderTrust {
  kTrusted,
  kInvalidPath,       // empty, relative, or with a "." or ".." element
  kMissing,           // not even the top of the chain exists
  kUnreadable,        // an element cannot be examined
  kIsLink,            // the folder or a folder above it is a link
  kNotAFolder,        // the folder, or the nearest existing element, is not a folder
  kOwnedByOther,      // the folder belongs to another user
  kWritableByOthers,  // group or others may write to the folder
  kParentNotTrusted,  // a folder above it belongs to another user or others may write there
};

// The folder, or when it does not exist yet its nearest existing ancestor, must be
// owned by root or by the effective user and not writable by group or others; every
// folder above it likewise, except that a sticky one (as /tmp) may be writable by all.
// The chain is examined up to "/", or up to and including the sandbox root when the
// path lies inside one. Nothing below that top may be a link.
FolderTrust JudgeFolderTrust(const std::string& path);

// A short reason for log lines, e.g. "it is writable by other users".
const char* FolderTrustText(FolderTrust trust);

}  // namespace platform
