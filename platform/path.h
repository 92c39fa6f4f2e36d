// Path helpers in the spirit of the shell's path functions, for '/' paths.
#pragma once

#include <string>

namespace platform {

// Appends `more` to `path` with exactly one '/' between them. An absolute `more`
// is appended too (not substituted): the callers build paths from pieces.
void PathAppend(std::wstring& path, const std::wstring& more);
std::wstring PathJoin(const std::wstring& path, const std::wstring& more);
void PathAppend(std::string& path, const std::string& more);
std::string PathJoin(const std::string& path, const std::string& more);

// Removes the last element and its separator ("/a/b/c.txt" -> "/a/b", "/a" -> "/").
// Returns false when there was nothing to remove.
bool PathRemoveFileSpec(std::wstring& path);
bool PathRemoveFileSpec(std::string& path);

// The last element ("c.txt" of "/a/b/c.txt").
std::wstring PathFileName(const std::wstring& path);
std::string PathFileName(const std::string& path);

bool PathFileExists(const std::wstring& path);  // file or folder; links followed
bool PathIsDirectory(const std::wstring& path);
bool PathFileExists(const std::string& path);
bool PathIsDirectory(const std::string& path);

// The program's own executable (/proc/self/exe), empty when it cannot be read.
std::string GetModuleFileName();

}  // namespace platform
