#include "setup/helper_protocol.h"

namespace setup {

namespace {

constexpr int kNumberBytes = 8;

}  // namespace

MessageWriter& MessageWriter::Number(std::int64_t value) {
  const auto bits = static_cast<std::uint64_t>(value);
  for (int i = 0; i < kNumberBytes; ++i) bytes_.push_back(static_cast<char>((bits >> (8 * i)) & 0xFF));
  return *this;
}

MessageWriter& MessageWriter::Text(const std::string& text) {
  Number(static_cast<std::int64_t>(text.size()));
  bytes_ += text;
  return *this;
}

bool MessageReader::Take(std::size_t size, const char** out) {
  if (failed_ || size > bytes_.size() - position_) {
    failed_ = true;
    return false;
  }
  *out = bytes_.data() + position_;
  position_ += size;
  return true;
}

std::int64_t MessageReader::Number() {
  const char* in = nullptr;
  if (!Take(kNumberBytes, &in)) return 0;
  std::uint64_t bits = 0;
  for (int i = 0; i < kNumberBytes; ++i)
    bits |= static_cast<std::uint64_t>(static_cast<unsigned char>(in[i])) << (8 * i);
  return static_cast<std::int64_t>(bits);
}

std::string MessageReader::Text() {
  const std::int64_t size = Number();
  const char* in = nullptr;
  if (size < 0 || !Take(static_cast<std::size_t>(size), &in)) {
    failed_ = true;
    return {};
  }
  return std::string(in, static_cast<std::size_t>(size));
}

std::string EncodeResult(const HelperResult& result) {
  return MessageWriter()
      .Number(result.ok ? 1 : 0)
      .Number(result.step)
      .Number(result.failure)
      .Number(result.value)
      .Bytes();
}

bool DecodeResult(const std::string& bytes, HelperResult& out) {
  MessageReader reader(bytes);
  out.ok = reader.Number() == 1;
  out.step = static_cast<std::uint32_t>(reader.Number());
  out.failure = static_cast<std::uint32_t>(reader.Number());
  out.value = reader.Number();
  return !reader.Failed();
}

}  // namespace setup
