// A thin owner of a stdio stream with the installer's flag-based open.
#pragma once

#include <cstdio>
#include <string>

namespace base {

inline constexpr unsigned JFILE_READ = 0x1;
inline constexpr unsigned JFILE_WRITE = 0x2;
inline constexpr unsigned JFILE_TEXT = 0x100;
inline constexpr unsigned JFILE_BINARY = 0x200;
inline constexpr unsigned JFILE_READ_BINARY = 0x201;   // "rb"
inline constexpr unsigned JFILE_WRITE_BINARY = 0x202;  // "wb"
inline constexpr unsigned JFILE_APPEND_TEXT = 0x103;   // "wrt" becomes "at"

class JFile {
 public:
  JFile() = default;
  // Does not close: every user closes explicitly.
  virtual ~JFile() = default;
  JFile(const JFile&) = delete;
  JFile& operator=(const JFile&) = delete;

  static std::string ModeString(unsigned flags);

  bool Open(const std::wstring& path, unsigned flags);
  // Takes over a stream opened elsewhere (closing the one held); false for none.
  bool Adopt(std::FILE* stream);
  long Read(void* buffer, size_t count);
  long Write(const void* buffer, size_t count);
  long Seek(long offset, int origin);
  long SeekToStart() { return Seek(0, SEEK_SET); }
  long SeekToEnd() { return Seek(0, SEEK_END); }
  long Tell();
  long Size();
  void Close();
  bool IsOpen() const { return stream_ != nullptr; }
  // For reading parts of the file without this stream (its position is not moved).
  std::FILE* Stream() const { return stream_; }

 private:
  FILE* stream_ = nullptr;
};

}  // namespace base
