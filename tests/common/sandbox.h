// Temp folders for tests. TempFolder: a fresh folder, removed with everything in it.
// Sandbox: a throw-away system root and home for one test: CORVEX_SYSROOT and HOME
// point into a fresh temp folder, the XDG variables are cleared.
#pragma once

#include <ftw.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace testing_support {

class TempFolder {
 public:
  enum class Access { kOwner, kEveryone };  // kEveryone: mode 0777, for an ordinary user's child
  // Under the temp folder (TMPDIR), named `prefix`-XXXXXX.
  explicit TempFolder(const std::string& prefix = "corvex-test", Access access = Access::kOwner) {
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr) {
      std::fprintf(stderr, "cannot create a temp folder %s\n", pattern.c_str());
      std::abort();
    }
    path_ = pattern;
    if (access == Access::kEveryone) ::chmod(pattern.c_str(), 0777);
  }
  ~TempFolder() {
    const std::string path = path_.string();
    // Make everything removable first: tests leave read-only files behind on purpose.
    ::nftw(
        path.c_str(), [](const char* entry, const struct stat*, int, struct FTW*) { return ::chmod(entry, 0755), 0; },
        16, FTW_PHYS);
    ::nftw(
        path.c_str(), [](const char* entry, const struct stat*, int, struct FTW*) { return ::remove(entry), 0; }, 16,
        FTW_DEPTH | FTW_PHYS);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

class Sandbox {
 public:
  Sandbox() : root_(folder_.Path().string()) {
    home_ = root_ + "/home";
    ::mkdir(home_.c_str(), 0755);
    ::setenv("CORVEX_SYSROOT", root_.c_str(), 1);
    ::setenv("HOME", home_.c_str(), 1);
    for (const char* name :
         {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME", "XDG_CACHE_HOME", "PKEXEC_UID", "SUDO_UID"}) {
      ::unsetenv(name);
    }
  }
  ~Sandbox() { ::unsetenv("CORVEX_SYSROOT"); }
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
  TempFolder folder_;
  std::string root_;
  std::string home_;
};

}  // namespace testing_support
