// Files and folders as they were before an install step wrote into them (desktop
// entries, menu folders), so that the step can be undone to the byte.
#pragma once

#include <string>
#include <vector>

namespace install {

class FileSetSnapshot {
 public:
  // A single file: its bytes and mode, or that it did not exist.
  void AddFile(const std::string& path);
  // A folder and the files directly in it.
  void AddFolder(const std::string& path);
  // Files made since are removed, changed ones rewritten, folders that did not exist
  // removed again. Links are never followed. False when something could not be put back.
  bool Restore() const;

 private:
  struct File {
    std::string path;
    bool existed = false;
    std::string bytes;
    unsigned mode = 0;
  };
  struct Folder {
    std::string path;
    bool existed = false;
    std::vector<std::string> names;  // the files it held
  };
  static File Capture(const std::string& path);
  static bool Put(const File& file);

  std::vector<File> files_;
  std::vector<Folder> folders_;
};

}  // namespace install
