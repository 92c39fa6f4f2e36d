// One scripted mirror: "/download/<name>" (below the script's path prefix) with byte
// ranges and HEAD, and the capacity page "/flag.php".
#pragma once

#include <httplib.h>

#include <atomic>
#include <memory>
#include <string>

#include "tools/devserver/package_image.h"
#include "tools/devserver/scenario.h"

namespace devserver {

// Made and stopped by the main thread; its handlers run on the server's own pool.
class MirrorServer {
 public:
  MirrorServer(MirrorScript script, std::shared_ptr<const PackageImage> image, const std::atomic<bool>& stopping,
               bool logRequests);
  MirrorServer(const MirrorServer&) = delete;
  MirrorServer& operator=(const MirrorServer&) = delete;

  // Port 0 binds a free port; returns the port, or -1.
  int Bind(int port);
  // Serves until Stop; run on a thread of its own.
  void Serve();
  void Stop();
  bool IsRunning() const { return server_.is_running(); }

  const MirrorScript& Script() const { return script_; }

 private:
  void Route(const httplib::Request& request, httplib::Response& response);
  void ServeFlag(httplib::Response& response);
  void ServePackage(const httplib::Request& request, httplib::Response& response);
  void Log(const httplib::Request& request, const httplib::Response& response) const;
  std::string RequestText(const httplib::Request& request) const;

  const MirrorScript script_;
  const std::shared_ptr<const PackageImage> image_;
  const std::atomic<bool>& stopping_;
  const std::string packagePath_;
  const bool logRequests_;
  std::atomic<std::uint32_t> contentRequests_{0};
  httplib::Server server_;
};

}  // namespace devserver
