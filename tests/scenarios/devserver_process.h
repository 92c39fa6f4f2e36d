// A corvex-devserver child for one test: started with a scenario, ready once it has
// printed its ready line, stopped through its control listener.
#pragma once

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

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
  void Stop();
  // After Stop: true when the server ended with status 0 (a sanitizer report in it
  // changes that).
  bool EndedCleanly() const;

  int MirrorPort() const { return mirrorPort_; }
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
  std::string control_;  // "127.0.0.1:PORT"
  std::thread watcher_;
};
