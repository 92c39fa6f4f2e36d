#include "tools/devserver/package_image.h"

#include <filesystem>
#include <fstream>

namespace devserver {

std::shared_ptr<const PackageImage> LoadPackageImage(const std::string& path, std::string& error) {
  std::error_code ec;
  const std::uintmax_t size = std::filesystem::file_size(path, ec);
  if (ec) {
    error = "cannot read package " + path + ": " + ec.message();
    return nullptr;
  }
  auto image = std::make_shared<PackageImage>();
  image->name = std::filesystem::path(path).filename().string();
  image->bytes.resize(static_cast<std::size_t>(size));
  std::ifstream in(path, std::ios::binary);
  if (!in || !in.read(reinterpret_cast<char*>(image->bytes.data()), static_cast<std::streamsize>(size))) {
    error = "cannot read package " + path;
    return nullptr;
  }
  return image;
}

}  // namespace devserver
