#include "tests/scenarios/temp_folder.h"

#include <random>

#include "platform/private_folder.h"

TempFolder::TempFolder(const std::string& prefix) {
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    path_ = std::filesystem::temp_directory_path() / (prefix + "-" + std::to_string(random()));
    if (platform::CreatePrivateFolder(path_.string()) == platform::PrivateFolderResult::Created) return;
  }
  path_.clear();
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}
