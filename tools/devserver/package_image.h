// The package a mirror serves, read once into one buffer that every mirror of the
// process shares read-only.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace devserver {

struct PackageImage {
  std::string name;  // file name in "/download/<name>"
  std::vector<std::uint8_t> bytes;
};

// Null when the file cannot be read; `error` then says why.
std::shared_ptr<const PackageImage> LoadPackageImage(const std::string& path, std::string& error);

}  // namespace devserver
