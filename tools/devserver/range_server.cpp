#include "tools/devserver/range_server.h"

#include "tools/devserver/console.h"
#include "tools/devserver/fault_injector.h"

namespace devserver {
namespace {

// Stalled responses hold a worker each; keep enough for every segment of a download.
constexpr std::size_t kWorkerThreads = 24;

const char* ReasonOf(int status) {
  switch (status) {
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 416: return "Range Not Satisfiable";
    case 500: return "Internal Server Error";
    case 502: return "Bad Gateway";
    case 503: return "Service Unavailable";
    default: return "Error";
  }
}

void SetErrorPage(httplib::Response& response, int status) {
  response.status = status;
  response.set_content(std::to_string(status) + " " + ReasonOf(status) + "\n", "text/plain");
}

// The one range of a request, resolved against `total`; false when it lies outside.
bool ResolveRange(const httplib::Range& range, std::uint64_t total, std::uint64_t& first, std::uint64_t& last) {
  if (total == 0) return false;
  if (range.first < 0) {  // suffix: the last N bytes
    if (range.second <= 0) return false;
    const std::uint64_t n = std::min<std::uint64_t>(static_cast<std::uint64_t>(range.second), total);
    first = total - n;
    last = total - 1;
    return true;
  }
  first = static_cast<std::uint64_t>(range.first);
  last = range.second < 0 ? total - 1 : std::min(static_cast<std::uint64_t>(range.second), total - 1);
  return first < total && first <= last;
}

// The library slices a response by the request's range list itself, and it neither
// clamps a range to the length nor lets a handler opt out. The request object is the
// library's own, merely passed as const: its range list is the one way to steer that.
httplib::Ranges& SlicingRanges(const httplib::Request& request) {
  return const_cast<httplib::Request&>(request).ranges;
}

}  // namespace

MirrorServer::MirrorServer(MirrorScript script, std::shared_ptr<const PackageImage> image,
                           const std::atomic<bool>& stopping, bool logRequests)
    : script_(std::move(script)),
      image_(std::move(image)),
      stopping_(stopping),
      packagePath_(script_.pathPrefix + "/download/" + image_->name),
      logRequests_(logRequests) {
  server_.new_task_queue = [] { return new httplib::ThreadPool(kWorkerThreads); };
  server_.set_tcp_nodelay(true);
  server_.set_keep_alive_max_count(100);
  auto route = [this](const httplib::Request& request, httplib::Response& response) { Route(request, response); };
  server_.Get(".*", route);
  server_.Post(".*", route);
  if (logRequests_) {
    server_.set_logger(
        [this](const httplib::Request& request, const httplib::Response& response) { Log(request, response); });
  }
}

int MirrorServer::Bind(int port) {
  if (port == 0) return server_.bind_to_any_port(script_.address);
  return server_.bind_to_port(script_.address, port) ? port : -1;
}

void MirrorServer::Serve() { server_.listen_after_bind(); }

void MirrorServer::Stop() { server_.stop(); }

void MirrorServer::Route(const httplib::Request& request, httplib::Response& response) {
  if (request.method != "GET" && request.method != "HEAD") {
    SetErrorPage(response, 405);
  } else if (request.path == "/flag.php") {
    ServeFlag(response);
  } else if (request.path == packagePath_) {
    ServePackage(request, response);
  } else {
    SetErrorPage(response, 404);
  }
}

void MirrorServer::ServeFlag(httplib::Response& response) {
  if (!script_.flagResetAfter) return response.set_content(script_.flag, "text/html");
  // The answer's head goes out, then the connection drops after the first bytes.
  const std::size_t sent =
      static_cast<std::size_t>(std::min<std::uint64_t>(*script_.flagResetAfter, script_.flag.size()));
  response.set_content_provider(script_.flag.size(), "text/html",
                                [flag = script_.flag, sent](std::size_t, std::size_t, httplib::DataSink& sink) {
                                  if (sent > 0) sink.write(flag.data(), sent);
                                  return sent == flag.size();
                                });
}

void MirrorServer::ServePackage(const httplib::Request& request, httplib::Response& response) {
  const bool isHead = request.method == "HEAD";
  if (!script_.redirect.empty()) return response.set_redirect(script_.redirect);
  if (script_.status != 200) return SetErrorPage(response, script_.status);
  if (!isHead && script_.contentStatus != 0) return SetErrorPage(response, script_.contentStatus);

  const std::uint64_t total = script_.advertisedLength.value_or(image_->bytes.size());
  const bool ranged = !script_.ignoreRanges && request.ranges.size() == 1;
  std::uint64_t first = 0;
  std::uint64_t last = 0;
  // The library slices the body by the request's range list: hand it the resolved
  // range, or none for the 416 page.
  httplib::Ranges& ranges = SlicingRanges(request);
  if (ranged && !ResolveRange(request.ranges[0], total, first, last)) {
    ranges.clear();
    SetErrorPage(response, 416);
    response.set_header("Content-Range", "bytes */" + std::to_string(total));
    return;
  }

  bool faultsActive = true;
  if (!isHead) {
    const std::uint32_t serial = contentRequests_.fetch_add(1);
    faultsActive = !script_.faultRequests || serial < *script_.faultRequests;
  }
  // Where the body starts when it is sliced here; the library calls the provider with
  // absolute offsets when it slices.
  std::uint64_t bodyStart = 0;
  std::uint64_t bodyLength = total;
  response.set_header("Accept-Ranges", script_.ignoreRanges ? "none" : "bytes");
  if (script_.ignoreRanges) {
    // A server without range support: the whole file with 200, whatever was asked.
    ranges.clear();
    response.status = 200;
  } else if (ranged && faultsActive && script_.extraBytes > 0 && !isHead) {
    // The head names the range asked for; the body runs past it.
    ranges.clear();
    response.status = 206;
    response.set_header("Content-Range",
                        "bytes " + std::to_string(first) + "-" + std::to_string(last) + "/" + std::to_string(total));
    bodyStart = first;
    bodyLength = std::min(last + script_.extraBytes, total - 1) - first + 1;
  } else if (ranged) {
    ranges[0] = {static_cast<ssize_t>(first), static_cast<ssize_t>(last)};
  }

  auto faults = std::make_shared<ResponseFaults>(script_, faultsActive, *image_, stopping_);
  // Once the response is done, a GET says how many bytes it sent: what a download
  // really cost the mirror, cut-off and cancelled transfers included.
  httplib::ContentProviderResourceReleaser report;
  if (logRequests_ && !isHead) {
    report = [faults, line = RequestText(request)](bool) {
      PrintLine("sent " + std::to_string(faults->Sent()) + " bytes: " + line);
    };
  }
  response.set_content_provider(
      static_cast<std::size_t>(bodyLength), "application/octet-stream",
      [faults, bodyStart, image = image_](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
        const WireWriter write = [&sink](const char* data, std::size_t size) { return sink.write(data, size); };
        return faults->SendPiece(bodyStart + offset, length, write) > 0;
      },
      std::move(report));
}

// "mirror 1 127.0.0.11 GET /download/x.exe (bytes=0-99)"
std::string MirrorServer::RequestText(const httplib::Request& request) const {
  std::string line = script_.label + " " + script_.address + " " + request.method + " " + request.path;
  if (request.has_header("Range")) line += " (" + request.get_header_value("Range") + ")";
  return line;
}

void MirrorServer::Log(const httplib::Request& request, const httplib::Response& response) const {
  PrintLine(RequestText(request) + " -> " + std::to_string(response.status));
}

}  // namespace devserver
