#include "install/seven_zip_header_ranges.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace install {

namespace {

constexpr unsigned char kSignature[6] = {'7', 'z', 0xBC, 0xAF, 0x27, 0x1C};
constexpr std::uint64_t kStartHeaderSize = 32;
constexpr unsigned char kHeader = 0x01;
constexpr unsigned char kEncodedHeader = 0x17;
constexpr unsigned char kPackInfo = 0x06;
constexpr unsigned char kSize = 0x09;
// Anything larger is not a header this shortcut is for.
constexpr std::uint64_t kMaxHeaderBytes = 64 << 20;
constexpr std::uint64_t kMaxPackStreams = 64;

std::uint32_t Crc32(const unsigned char* data, std::size_t length) {
  static const std::array<std::uint32_t, 256> table = [] {
    std::array<std::uint32_t, 256> entries{};
    for (std::uint32_t i = 0; i < 256; ++i) {
      std::uint32_t value = i;
      for (int bit = 0; bit < 8; ++bit) value = (value >> 1) ^ ((value & 1) ? 0xEDB88320u : 0);
      entries[i] = value;
    }
    return entries;
  }();
  std::uint32_t crc = 0xFFFFFFFFu;
  for (std::size_t i = 0; i < length; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return crc ^ 0xFFFFFFFFu;
}

std::uint64_t LittleEndian(const unsigned char* bytes, int count) {
  std::uint64_t value = 0;
  for (int i = count - 1; i >= 0; --i) value = (value << 8) | bytes[i];
  return value;
}

// The archive's own variable-length numbers: the leading one bits of the first byte
// count the bytes that follow.
class HeaderCursor {
 public:
  explicit HeaderCursor(const std::vector<unsigned char>& bytes) : bytes_(bytes) {}
  bool Byte(unsigned char& out) {
    if (at_ >= bytes_.size()) return false;
    out = bytes_[at_++];
    return true;
  }
  bool Number(std::uint64_t& out) {
    unsigned char first = 0;
    if (!Byte(first)) return false;
    out = 0;
    unsigned char mask = 0x80;
    for (int i = 0; i < 8; ++i) {
      if ((first & mask) == 0) {
        out |= static_cast<std::uint64_t>(first & (mask - 1)) << (8 * i);
        return true;
      }
      unsigned char next = 0;
      if (!Byte(next)) return false;
      out |= static_cast<std::uint64_t>(next) << (8 * i);
      mask >>= 1;
    }
    return true;
  }

 private:
  const std::vector<unsigned char>& bytes_;
  std::size_t at_ = 0;
};

bool Inside(std::uint64_t offset, std::uint64_t length, std::uint64_t size) {
  return offset <= size && length <= size - offset;
}

}  // namespace

std::vector<ArchiveByteRange> SevenZipHeaderRanges(const ArchiveReader& read, std::uint64_t size) {
  unsigned char start[kStartHeaderSize];
  if (size < kStartHeaderSize || !read(0, start, sizeof(start))) return {};
  if (std::memcmp(start, kSignature, sizeof(kSignature)) != 0) return {};
  if (Crc32(start + 12, 20) != static_cast<std::uint32_t>(LittleEndian(start + 8, 4))) return {};
  const std::uint64_t nextOffset = LittleEndian(start + 12, 8);
  const std::uint64_t nextSize = LittleEndian(start + 20, 8);
  if (nextOffset > size || !Inside(kStartHeaderSize + nextOffset, nextSize, size)) return {};
  if (nextSize == 0 || nextSize > kMaxHeaderBytes) return {};

  std::vector<unsigned char> next(nextSize);
  if (!read(kStartHeaderSize + nextOffset, next.data(), next.size())) return {};
  if (Crc32(next.data(), next.size()) != static_cast<std::uint32_t>(LittleEndian(start + 28, 4))) return {};

  std::vector<ArchiveByteRange> ranges{{0, kStartHeaderSize}};
  const ArchiveByteRange nextRange{kStartHeaderSize + nextOffset, nextSize};
  if (next[0] == kHeader) {
    ranges.push_back(nextRange);
    return ranges;
  }
  if (next[0] != kEncodedHeader) return {};

  // The packed header: its streams' position and sizes lead its description.
  HeaderCursor cursor(next);
  unsigned char id = 0;
  std::uint64_t packPos = 0, streams = 0, packed = 0;
  if (!cursor.Byte(id) || !cursor.Byte(id) || id != kPackInfo) return {};  // past kEncodedHeader
  if (!cursor.Number(packPos) || !cursor.Number(streams) || streams == 0 || streams > kMaxPackStreams) return {};
  if (!cursor.Byte(id) || id != kSize) return {};
  for (std::uint64_t i = 0; i < streams; ++i) {
    std::uint64_t length = 0;
    if (!cursor.Number(length) || length > kMaxHeaderBytes - packed) return {};
    packed += length;
  }
  if (packPos > size || !Inside(kStartHeaderSize + packPos, packed, size)) return {};
  const ArchiveByteRange packedRange{kStartHeaderSize + packPos, packed};
  if (packedRange.offset < nextRange.offset) {
    ranges.push_back(packedRange);
    ranges.push_back(nextRange);
  } else {
    ranges.push_back(nextRange);
    ranges.push_back(packedRange);
  }
  return ranges;
}

bool ContainsSevenZipStartHeader(const ArchiveReader& read, std::uint64_t length) {
  // Read in chunks that overlap by a start header, so none is cut in two.
  constexpr std::size_t kChunk = 1 << 20;
  std::vector<unsigned char> chunk(kChunk + kStartHeaderSize);
  for (std::uint64_t at = 0; at + kStartHeaderSize <= length; at += kChunk) {
    const std::size_t got = static_cast<std::size_t>(std::min<std::uint64_t>(chunk.size(), length - at));
    if (!read(at, chunk.data(), got)) return true;  // unreadable: assume the worst
    for (std::size_t i = 0; i + kStartHeaderSize <= got && i < kChunk; ++i) {
      const unsigned char* start = chunk.data() + i;
      if (start[0] == kSignature[0] && std::memcmp(start, kSignature, sizeof(kSignature)) == 0 &&
          Crc32(start + 12, 20) == static_cast<std::uint32_t>(LittleEndian(start + 8, 4))) {
        return true;
      }
    }
  }
  return false;
}

}  // namespace install
