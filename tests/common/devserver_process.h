// A corvex-devserver child for one test, in mirror mode, vendor mode or both: ready
// once it has printed its ready line, stopped through its control listener. Every
// port is picked by the server itself (port 0) and read from that line.
#pragma once

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tools/devserver/scenario.h"

namespace testing_support {

// One form part of a report as the devserver logged it.
struct LoggedPart {
  std::string name;
  std::string value;     // text parts
  std::string fileName;  // file parts
  long size = -1;        // file parts
  bool isFile = false;
};
struct LoggedReport {
  std::string path;
  std::vector<LoggedPart> parts;
  std::vector<std::string> Names() const;
};

// The devserver of this build tree.
std::string DevserverProgram();

class DevserverProcess {
 public:
  // Owned by the test's thread; the child is watched by a thread of its own.
  DevserverProcess() = default;
  ~DevserverProcess();
  DevserverProcess(const DevserverProcess&) = delete;
  DevserverProcess& operator=(const DevserverProcess&) = delete;

  // Starts it with `arguments` (after the program name) and waits for the ready line.
  // False when it ended or did not get ready; Output() then says why.
  bool Start(const std::string& program, const std::vector<std::string>& arguments, int readySeconds = 20);
  // The mirrors of `scenario` (its text) serving `packagePath`; `more` is added to the
  // command line (vendor mode, --quiet). The scenario file is written beside the package.
  bool StartMirrors(const std::string& scenario, const std::string& packagePath,
                    const std::vector<std::string>& more = {});
  // Vendor mode alone; the reports land in `reportLog`.
  bool StartVendor(const std::string& reportLog);
  void Stop();
  // After Stop: true when the server ended with status 0 (a sanitizer report in it
  // changes that).
  bool EndedCleanly() const;

  bool Ready() const;
  int MirrorPort() const { return mirrorPort_; }
  // After StartMirrors, by section order: "http://127.0.0.11:PORT" plus the path
  // prefix, and that with "/download/<package file name>".
  std::string MirrorBase(std::size_t mirror) const;
  std::string MirrorUrl(std::size_t mirror) const;
  // Requests of the package that a mirror of StartMirrors answered with `method`
  // (unless --quiet). Every request is counted only once Stop has returned.
  int PackageRequests(std::size_t mirror, const std::string& method = "GET") const;
  std::string VendorBase() const { return "http://" + vendor_; }
  // The reports in the log given to StartVendor, in arrival order.
  std::vector<LoggedReport> Reports() const;
  std::string Output() const;  // every line it printed so far

 private:
  void OnLine(const std::string& line);

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::string> lines_;
  bool ready_ = false;
  bool ended_ = false;
  bool endedCleanly_ = false;
  int mirrorPort_ = 0;
  std::string vendor_;   // "127.0.0.1:PORT"
  std::string control_;  // "127.0.0.1:PORT"
  std::thread watcher_;
  std::vector<devserver::MirrorScript> mirrors_;
  std::string packageName_;
  std::string reportLog_;
};

}  // namespace testing_support
