// A throw-away system root and home for one test: CORVEX_SYSROOT and HOME point into
// a fresh temp folder, the XDG variables are cleared, and everything is removed after.
#pragma once

#include <ftw.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace testing_support {

class Sandbox {
 public:
  Sandbox() {
    char pattern[] = "/tmp/corvex-test-XXXXXX";
    root_ = ::mkdtemp(pattern);
    home_ = root_ + "/home";
    ::mkdir(home_.c_str(), 0755);
    ::setenv("CORVEX_SYSROOT", root_.c_str(), 1);
    ::setenv("HOME", home_.c_str(), 1);
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME", "XDG_CACHE_HOME", "PKEXEC_UID",
                             "SUDO_UID"}) {
      ::unsetenv(name);
    }
  }
  ~Sandbox() {
    // Make everything removable first: tests leave read-only files behind on purpose.
    ::nftw(root_.c_str(), [](const char* path, const struct stat*, int, struct FTW*) { return ::chmod(path, 0755), 0; },
           16, FTW_PHYS);
    ::nftw(root_.c_str(), [](const char* path, const struct stat*, int, struct FTW*) { return ::remove(path), 0; }, 16,
           FTW_DEPTH | FTW_PHYS);
    ::unsetenv("CORVEX_SYSROOT");
  }
  Sandbox(const Sandbox&) = delete;
  Sandbox& operator=(const Sandbox&) = delete;

  const std::string& root() const { return root_; }
  const std::string& home() const { return home_; }
  std::string documents() const { return home_ + "/Documents"; }

  static std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  static void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
  }

 private:
  std::string root_;
  std::string home_;
};

}  // namespace testing_support
