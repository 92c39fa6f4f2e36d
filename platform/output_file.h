// Files that a download writes. The installer runs as root and writes into folders
// the desktop user owns, so it never writes through a link placed at the final name,
// and it never takes a device such as /dev/null for a file it could verify.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace platform {

// Like fopen(path, "wb"): creates or truncates `path` for binary writing. Refuses
// (nullptr, errno set) a symbolic link at the final name (ELOOP) and anything that is
// not a regular file (EINVAL), without truncating or blocking on it. Links in the
// folders above the final name are followed.
std::FILE* CreateOutputFile(const std::string& path);

// The target of a download of `size` bytes, open for reading and writing, with the
// refusals of CreateOutputFile. A file of exactly `size` bytes is left as it is
// (`contentKept`: an interrupted download may have left most of it); one of another
// length is not a download of this file and is set to `size` bytes (where the system
// allows that), to be written over entirely. Either way a download cut short leaves a
// file of the right length with what arrived at its offsets.
std::FILE* OpenDownloadTarget(const std::string& path, std::uint64_t size, bool& contentKept);

// Like fopen(path, "ab"): opens or creates `path` for appending, with the refusals of
// CreateOutputFile; nothing already in the file is changed.
std::FILE* OpenAppendFile(const std::string& path);

// A regular file at `path` itself, not reached through a link at the final name.
bool IsPlainFile(const std::string& path);

}  // namespace platform
