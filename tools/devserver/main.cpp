// corvex-devserver: scripted mirrors, the vendor endpoints and a stop switch, each an
// HTTP server on its own thread; the main thread waits for the end and stops them.
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <memory>
#include <thread>
#include <vector>

#include "tools/devserver/command_line.h"
#include "tools/devserver/console.h"
#include "tools/devserver/package_image.h"
#include "tools/devserver/range_server.h"
#include "tools/devserver/scenario.h"
#include "tools/devserver/vendor_endpoints.h"

namespace {

using namespace devserver;

std::atomic<bool> g_stopping{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

extern "C" void OnStopSignal(int) { g_stopping.store(true); }

int Fail(const std::string& message) {
  PrintError("corvex-devserver: " + message);
  return 1;
}

// Binds every live mirror of the scenario to one port; -1 when that fails.
int BindMirrors(std::vector<std::unique_ptr<MirrorServer>>& mirrors, int port, bool report) {
  for (auto& mirror : mirrors) {
    const int bound = mirror->Bind(port);
    if (bound < 0) {
      if (report)
        PrintError("corvex-devserver: cannot listen on " + mirror->Script().address + ":" + std::to_string(port));
      return -1;
    }
    port = bound;  // a free port picked for the first is used by all
  }
  return port;
}

// The scenario's live mirrors, bound to `port`. With port 0 a port free on the first
// address may be taken on another: then the whole set is made again on a new one.
int MakeMirrors(const Scenario& scenario, const std::shared_ptr<const PackageImage>& image, int port, bool quiet,
                std::vector<std::unique_ptr<MirrorServer>>& mirrors) {
  constexpr int kFreePortAttempts = 10;
  for (int attempt = 1;; ++attempt) {
    mirrors.clear();
    for (const MirrorScript& script : scenario.mirrors) {
      if (!script.dead) mirrors.push_back(std::make_unique<MirrorServer>(script, image, g_stopping, !quiet));
    }
    const bool lastAttempt = port != 0 || attempt == kFreePortAttempts;
    const int bound = BindMirrors(mirrors, port, lastAttempt);
    if (bound >= 0 || lastAttempt) return bound;
  }
}

int Run(const Options& options) {
  std::vector<std::unique_ptr<MirrorServer>> mirrors;
  int mirrorPort = options.mirrorPort;
  if (!options.scenarioPath.empty()) {
    ParseResult parsed = LoadScenarioFile(options.scenarioPath);
    if (!parsed.scenario) return Fail(parsed.error);
    std::string error;
    std::shared_ptr<const PackageImage> image = LoadPackageImage(options.packagePath, error);
    if (!image) return Fail(error);
    mirrorPort = MakeMirrors(*parsed.scenario, image, mirrorPort, options.quiet, mirrors);
    if (mirrorPort < 0) return 1;
  }

  httplib::Server vendor;
  int vendorPort = options.vendor ? options.vendor->port : 0;
  if (options.vendor) {
    AddVendorEndpoints(vendor, options.reportLogPath);
    // Port 0: any free port, named in the ready line (tests start it so, without a race).
    if (vendorPort == 0) {
      vendorPort = vendor.bind_to_any_port(options.vendor->host);
      if (vendorPort < 0) return Fail("cannot listen on " + options.vendor->host + " for --vendor");
    } else if (!vendor.bind_to_port(options.vendor->host, options.vendor->port)) {
      return Fail("cannot listen on " + options.vendor->host + ":" + std::to_string(options.vendor->port));
    }
  }

  httplib::Server control;
  control.Post("/stop", [](const httplib::Request&, httplib::Response& response) {
    g_stopping.store(true);
    response.set_content("stopping\n", "text/plain");
  });
  int controlPort = options.control.port;
  if (controlPort == 0) {
    controlPort = control.bind_to_any_port(options.control.host);
  } else if (!control.bind_to_port(options.control.host, controlPort)) {
    controlPort = -1;
  }
  if (controlPort < 0) return Fail("cannot listen on " + options.control.host + " for --control");

  std::vector<std::thread> threads;
  for (auto& mirror : mirrors) threads.emplace_back([&mirror] { mirror->Serve(); });
  if (options.vendor) threads.emplace_back([&vendor] { vendor.listen_after_bind(); });
  threads.emplace_back([&control] { control.listen_after_bind(); });

  // "ready" promises listening sockets: wait until every server has entered its loop.
  auto running = [&] {
    for (auto& mirror : mirrors)
      if (!mirror->IsRunning()) return false;
    return (!options.vendor || vendor.is_running()) && control.is_running();
  };
  while (!running()) std::this_thread::sleep_for(std::chrono::milliseconds(5));

  std::string ready = "corvex-devserver: ready";
  if (!options.scenarioPath.empty()) ready += " mirror-port=" + std::to_string(mirrorPort);
  if (options.vendor) ready += " vendor=" + options.vendor->host + ":" + std::to_string(vendorPort);
  ready += " control=" + options.control.host + ":" + std::to_string(controlPort);
  PrintLine(ready);

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(options.maxSeconds);
  while (!g_stopping.load()) {
    if (options.maxSeconds != 0 && std::chrono::steady_clock::now() >= deadline) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  g_stopping.store(true);  // stalled and paced responses end too
  for (auto& mirror : mirrors) mirror->Stop();
  if (options.vendor) vendor.stop();
  control.stop();
  for (auto& thread : threads) thread.join();
  PrintLine("corvex-devserver: stopped");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  OptionsResult parsed = ParseOptions(argc, argv);
  if (!parsed.options) {
    PrintError("corvex-devserver: " + parsed.error);
    PrintError("Try 'corvex-devserver --help'.");
    return 2;
  }
  if (parsed.options->help) {
    std::fputs(UsageText(), stdout);
    return 0;
  }
  std::signal(SIGINT, OnStopSignal);
  std::signal(SIGTERM, OnStopSignal);
  std::signal(SIGPIPE, SIG_IGN);  // a client that hangs up is a failed write, not an end
  return Run(*parsed.options);
}
