#include "base/jfile.h"

#include "base/file_helpers.h"
#include "platform/path.h"
#include "platform/text.h"

namespace base {

std::string JFile::ModeString(unsigned flags) {
  std::string mode;
  if (flags & JFILE_WRITE) mode += 'w';
  if (flags & JFILE_READ) mode += 'r';
  if (flags & JFILE_TEXT) {
    mode += 't';
  } else if (flags & JFILE_BINARY) {
    mode += 'b';
  }
  if (mode == "wrt") mode = "at";
  return mode;
}

bool JFile::Open(const std::wstring& path, unsigned flags) {
  if (!platform::PathFileExists(path)) {
    if (flags & JFILE_WRITE) {
      CreateParentFolder(path);
    } else {
      Close();
      return false;
    }
  }
  Close();
  const std::string mode = ModeString(flags);
  stream_ = std::fopen(platform::WideToNarrow(path).c_str(), mode.c_str());
  return stream_ != nullptr;
}

bool JFile::Adopt(std::FILE* stream) {
  Close();
  stream_ = stream;
  return stream_ != nullptr;
}

long JFile::Read(void* buffer, size_t count) {
  if (!stream_ || !buffer) return -1;
  return static_cast<long>(std::fread(buffer, 1, count, stream_));
}

long JFile::Write(const void* buffer, size_t count) {
  if (!stream_ || !buffer) return -1;
  return static_cast<long>(std::fwrite(buffer, 1, count, stream_));
}

long JFile::Seek(long offset, int origin) {
  if (!stream_) return -1;
  return std::fseek(stream_, offset, origin);
}

long JFile::Tell() {
  if (!stream_) return -1;
  return std::ftell(stream_);
}

long JFile::Size() {
  if (!stream_) return -1;
  const long position = std::ftell(stream_);
  std::fseek(stream_, 0, SEEK_END);
  const long size = std::ftell(stream_);
  std::fseek(stream_, position, SEEK_SET);
  return size;
}

void JFile::Close() {
  if (stream_) std::fclose(stream_);
  stream_ = nullptr;
}

}  // namespace base
