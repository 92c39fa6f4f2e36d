#include "platform/icmp_socket.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <cerrno>

#include <cstring>

namespace platform {
namespace {

class PosixIcmpSocket final : public IcmpSocket {
 public:
  PosixIcmpSocket(int fd, IcmpSocketKind kind, std::uint16_t identifier)
      : fd_(fd), kind_(kind), identifier_(identifier) {}
  ~PosixIcmpSocket() override { ::close(fd_); }
  PosixIcmpSocket(const PosixIcmpSocket&) = delete;
  PosixIcmpSocket& operator=(const PosixIcmpSocket&) = delete;

  IcmpSocketKind Kind() const override { return kind_; }
  std::uint16_t Identifier() const override { return identifier_; }

  bool SendTo(std::uint32_t address, const std::uint8_t* data, std::size_t size) override {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = address;
    ssize_t sent = ::sendto(fd_, data, size, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    return sent == static_cast<ssize_t>(size);
  }

  IcmpWaitResult WaitReadable(std::uint32_t timeoutMs) override {
    pollfd pfd{fd_, POLLIN, 0};
    int n = ::poll(&pfd, 1, static_cast<int>(timeoutMs));
    if (n < 0) return errno == EINTR ? IcmpWaitResult::TimedOut : IcmpWaitResult::Failed;
    if (n == 0) return IcmpWaitResult::TimedOut;
    return (pfd.revents & POLLIN) ? IcmpWaitResult::Readable : IcmpWaitResult::Failed;
  }

  bool Receive(IcmpDatagram& out, std::size_t maxBytes) override {
    out.bytes.assign(maxBytes, 0);
    out.hasIpHeader = kind_ == IcmpSocketKind::Raw;
    out.ttl = 0;
    sockaddr_in from{};
    iovec iov{out.bytes.data(), out.bytes.size()};
    alignas(cmsghdr) char control[64];
    msghdr msg{};
    msg.msg_name = &from;
    msg.msg_namelen = sizeof from;
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    msg.msg_control = control;
    msg.msg_controllen = sizeof control;
    ssize_t n = ::recvmsg(fd_, &msg, MSG_DONTWAIT);
    if (n < 0) {
      out.bytes.clear();
      return false;
    }
    out.bytes.resize(static_cast<std::size_t>(n));
    for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c != nullptr; c = CMSG_NXTHDR(&msg, c)) {
      if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_TTL) {
        int ttl = 0;
        std::memcpy(&ttl, CMSG_DATA(c), sizeof ttl);
        out.ttl = static_cast<std::uint8_t>(ttl);
      }
    }
    return true;
  }

 private:
  int fd_;
  IcmpSocketKind kind_;
  std::uint16_t identifier_;
};

}  // namespace

std::unique_ptr<IcmpSocket> OpenIcmpDatagramSocket(std::uint16_t wantedIdentifier, int& error) {
  int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP);
  if (fd < 0) {
    error = errno;
    return nullptr;
  }
  // The kernel puts the bound "port" into the identifier field; ask for ours and
  // accept another when it is taken.
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(wantedIdentifier);
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
    local.sin_port = 0;
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
      error = errno;
      ::close(fd);
      return nullptr;
    }
  }
  socklen_t len = sizeof local;
  if (::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &len) != 0) {
    error = errno;
    ::close(fd);
    return nullptr;
  }
  int on = 1;
  ::setsockopt(fd, IPPROTO_IP, IP_RECVTTL, &on, sizeof on);
  // The identifier field travels in the host's byte order: the port the kernel
  // copies into it is read back the same way.
  std::uint16_t identifier = 0;
  std::memcpy(&identifier, &local.sin_port, sizeof identifier);
  return std::make_unique<PosixIcmpSocket>(fd, IcmpSocketKind::Datagram, identifier);
}

std::unique_ptr<IcmpSocket> OpenIcmpSocket(std::uint16_t wantedIdentifier, int& error) {
  error = 0;
  int fd = ::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
  if (fd >= 0) return std::make_unique<PosixIcmpSocket>(fd, IcmpSocketKind::Raw, wantedIdentifier);
  if (errno != EPERM && errno != EACCES) {
    error = errno;
    return nullptr;
  }
  return OpenIcmpDatagramSocket(wantedIdentifier, error);
}

bool ParseDottedIpv4(const std::string& text, std::uint32_t& address) {
  in_addr parsed{};
  if (::inet_pton(AF_INET, text.c_str(), &parsed) != 1) return false;
  address = parsed.s_addr;
  return true;
}

std::string ResolveFirstIpv4(const std::string& name) {
  if (name.empty()) return {};
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_RAW;
  addrinfo* found = nullptr;
  if (::getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) return {};
  std::string dotted;
  for (addrinfo* a = found; a != nullptr; a = a->ai_next) {
    if (a->ai_family != AF_INET) continue;
    char text[INET_ADDRSTRLEN] = {};
    const auto* in = reinterpret_cast<const sockaddr_in*>(a->ai_addr);
    if (::inet_ntop(AF_INET, &in->sin_addr, text, sizeof text) != nullptr) dotted = text;
    break;
  }
  ::freeaddrinfo(found);
  return dotted;
}

std::uint16_t IcmpIdentifierOfProcess() {
  return static_cast<std::uint16_t>(static_cast<std::uint32_t>(::getpid()) & 0xFFFFu);
}

}  // namespace platform
