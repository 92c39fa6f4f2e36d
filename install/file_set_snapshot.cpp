#include "install/file_set_snapshot.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace install {

namespace fs = std::filesystem;

FileSetSnapshot::File FileSetSnapshot::Capture(const std::string& path) {
  File file;
  file.path = path;
  std::error_code error;
  const fs::file_status status = fs::symlink_status(path, error);
  if (error || !fs::is_regular_file(status)) return file;
  std::ifstream in(path, std::ios::binary);
  if (!in) return file;
  file.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  file.mode = static_cast<unsigned>(status.permissions());
  file.existed = true;
  return file;
}

bool FileSetSnapshot::Put(const File& file) {
  std::error_code error;
  if (!file.existed) {
    const fs::file_status status = fs::symlink_status(file.path, error);
    return !fs::exists(status) || fs::remove(file.path, error);
  }
  // A link planted since is replaced, not written through.
  if (fs::is_symlink(fs::symlink_status(file.path, error))) fs::remove(file.path, error);
  {
    std::ofstream out(file.path, std::ios::binary | std::ios::trunc);
    out.write(file.bytes.data(), static_cast<std::streamsize>(file.bytes.size()));
    if (!out.flush()) return false;
  }
  fs::permissions(file.path, static_cast<fs::perms>(file.mode), error);
  return true;
}

void FileSetSnapshot::AddFile(const std::string& path) { files_.push_back(Capture(path)); }

void FileSetSnapshot::AddFolder(const std::string& path) {
  Folder folder;
  folder.path = path;
  std::error_code error;
  folder.existed = fs::is_directory(fs::symlink_status(path, error));
  if (folder.existed) {
    for (const fs::directory_entry& entry : fs::directory_iterator(path, error)) {
      if (!entry.is_symlink() && entry.is_regular_file()) {
        folder.names.push_back(entry.path().filename().string());
        files_.push_back(Capture(entry.path().string()));
      }
    }
  }
  folders_.push_back(std::move(folder));
}

bool FileSetSnapshot::Restore() const {
  bool restored = true;
  std::error_code error;
  for (const Folder& folder : folders_) {
    if (!fs::is_directory(fs::symlink_status(folder.path, error))) continue;
    if (!folder.existed) {
      restored = fs::remove_all(folder.path, error) != static_cast<std::uintmax_t>(-1) && !error && restored;
      continue;
    }
    for (const fs::directory_entry& entry : fs::directory_iterator(folder.path, error)) {
      const std::string name = entry.path().filename().string();
      if (std::find(folder.names.begin(), folder.names.end(), name) == folder.names.end() && !entry.is_directory()) {
        fs::remove(entry.path(), error);
      }
    }
  }
  for (const File& file : files_) {
    // A file of a folder that did not exist before went with the folder.
    restored = Put(file) && restored;
  }
  return restored;
}

}  // namespace install
