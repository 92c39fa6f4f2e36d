// A small HTTP/1.1 mirror on a loopback address for the engine tests: serves files
// with byte ranges and HEAD, answers "/flag.php", and can misbehave on request.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

struct MirrorFaults {
  std::uint32_t extraBytes = 0;   // bytes sent beyond the end of a requested range
  long corruptOffset = -1;        // file offset whose byte is flipped in every body
  int pieceDelayMs = 0;           // pause after every 4 KiB piece of a body
  int truncateFirstGets = 0;      // the first N GETs of `truncatePath` end half way (connection closed)
  std::string truncatePath;
  bool dropFlag = false;          // "/flag.php" closes the connection without an answer
};

class TestMirror {
 public:
  // Listens on `address` (127.x.y.z) at a free port.
  explicit TestMirror(const std::string& address);
  ~TestMirror();
  TestMirror(const TestMirror&) = delete;
  TestMirror& operator=(const TestMirror&) = delete;

  void Serve(const std::string& path, std::shared_ptr<const std::string> content);
  void SetFlagAnswer(const std::string& answer);
  void SetFaults(const MirrorFaults& faults);
  // GET and HEAD of `path` answer "302 Found" with this location.
  void Redirect(const std::string& path, const std::string& location);

  std::string Base() const;                      // "http://127.x.y.z:port"
  std::string Url(const std::string& name) const;  // Base() + "/download/" + name
  int GetCount(const std::string& path) const;
  int HeadCount(const std::string& path) const;

 private:
  void AcceptLoop();
  void Handle(int fd);
  bool SendAll(int fd, const char* data, std::size_t size);

  std::string address_;
  int port_ = 0;
  int listenFd_ = -1;
  std::atomic<bool> stopping_{false};
  std::thread acceptThread_;

  mutable std::mutex mutex_;
  std::map<std::string, std::shared_ptr<const std::string>> files_;
  std::map<std::string, std::string> redirects_;
  std::string flagAnswer_ = "1 ready";
  MirrorFaults faults_;
  std::map<std::string, int> gets_;
  std::map<std::string, int> heads_;
  std::vector<std::thread> connections_;
  std::vector<int> openFds_;
};

}  // namespace testing_support
