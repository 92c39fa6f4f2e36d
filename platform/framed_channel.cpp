#include "platform/framed_channel.h"

#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {
namespace {

constexpr std::size_t kHeaderSize = 6;  // payload length (4 bytes), kind (2), little-endian

void PutUint(char* out, std::uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::uint64_t GetUint(const char* in, int bytes) {
  std::uint64_t value = 0;
  for (int i = 0; i < bytes; ++i) value |= static_cast<std::uint64_t>(static_cast<unsigned char>(in[i])) << (8 * i);
  return value;
}

bool IsSocket(int fd) {
  int type = 0;
  socklen_t length = sizeof type;
  return ::getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &length) == 0;
}

}  // namespace

FramedChannel::~FramedChannel() {
  if (readSocket_ >= 0) ::close(readSocket_);
  if (!ownsBoth_ && writeSocket_ >= 0 && writeSocket_ != readSocket_) ::close(writeSocket_);
}

void FramedChannel::Shutdown() {
  ::shutdown(readSocket_, SHUT_RDWR);
  if (writeSocket_ != readSocket_) ::shutdown(writeSocket_, SHUT_RDWR);
}

bool FramedChannel::Send(std::uint16_t kind, const std::string& payload, int descriptor) {
  if (payload.size() > kMaxPayload) return false;
  std::string bytes(kHeaderSize, '\0');
  PutUint(bytes.data(), payload.size(), 4);
  PutUint(bytes.data() + 4, kind, 2);
  bytes += payload;

  std::lock_guard<std::mutex> lock(sendMutex_);
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    iovec part{bytes.data() + sent, bytes.size() - sent};
    msghdr message{};
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    // The descriptor rides on the frame's first byte.
    if (descriptor >= 0 && sent == 0) {
      message.msg_control = control;
      message.msg_controllen = sizeof control;
      cmsghdr* header = CMSG_FIRSTHDR(&message);
      header->cmsg_level = SOL_SOCKET;
      header->cmsg_type = SCM_RIGHTS;
      header->cmsg_len = CMSG_LEN(sizeof(int));
      std::memcpy(CMSG_DATA(header), &descriptor, sizeof(int));
    }
    ssize_t n;
    if (message.msg_control || IsSocket(writeSocket_)) {
      n = ::sendmsg(writeSocket_, &message, MSG_NOSIGNAL);
    } else {
      n = ::write(writeSocket_, part.iov_base, part.iov_len);
    }
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    sent += static_cast<std::size_t>(n);
  }
  return true;
}

bool FramedChannel::ReadExactly(char* out, std::size_t size, int* descriptor) {
  std::size_t got = 0;
  while (got < size) {
    iovec part{out + got, size - got};
    msghdr message{};
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int) * 4)] = {};
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    const ssize_t n = ::recvmsg(readSocket_, &message, MSG_CMSG_CLOEXEC);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    for (cmsghdr* header = CMSG_FIRSTHDR(&message); header; header = CMSG_NXTHDR(&message, header)) {
      if (header->cmsg_level != SOL_SOCKET || header->cmsg_type != SCM_RIGHTS) continue;
      const std::size_t count = (header->cmsg_len - CMSG_LEN(0)) / sizeof(int);
      for (std::size_t i = 0; i < count; ++i) {
        int fd = -1;
        std::memcpy(&fd, CMSG_DATA(header) + i * sizeof(int), sizeof(int));
        // One descriptor per frame is kept; any extra a broken peer sent is closed.
        if (descriptor && *descriptor < 0) {
          *descriptor = fd;
        } else {
          ::close(fd);
        }
      }
    }
    got += static_cast<std::size_t>(n);
  }
  return true;
}

std::optional<Frame> FramedChannel::Receive() {
  Frame frame;
  char header[kHeaderSize];
  if (!ReadExactly(header, kHeaderSize, &frame.descriptor)) {
    if (frame.descriptor >= 0) ::close(frame.descriptor);
    return std::nullopt;
  }
  const std::uint64_t length = GetUint(header, 4);
  frame.kind = static_cast<std::uint16_t>(GetUint(header + 4, 2));
  if (length > kMaxPayload) {
    if (frame.descriptor >= 0) ::close(frame.descriptor);
    return std::nullopt;
  }
  frame.payload.resize(length);
  if (length > 0 && !ReadExactly(frame.payload.data(), length, nullptr)) {
    if (frame.descriptor >= 0) ::close(frame.descriptor);
    return std::nullopt;
  }
  return frame;
}

bool MakeSocketPair(int& first, int& second) {
  int fds[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) return false;
  first = fds[0];
  second = fds[1];
  return true;
}

}  // namespace platform
