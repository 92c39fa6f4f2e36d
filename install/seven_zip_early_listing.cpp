#include "install/seven_zip_early_listing.h"

#include <cstdio>
#include <system_error>

namespace install {

void SevenZipEarlyListing::Start(const std::string& skeletonPath) {
  if (thread_.joinable()) return;
  skeletonPath_ = skeletonPath;
  try {
    thread_ = std::thread([this] { check_ = ListForCheck(skeletonPath_, passwordSwitch_); });
  } catch (const std::system_error&) {
    std::remove(skeletonPath_.c_str());
  }
}

ArchiveCheck* SevenZipEarlyListing::Finish() {
  if (thread_.joinable()) {
    thread_.join();
    std::remove(skeletonPath_.c_str());
    ran_ = true;
  }
  return ran_ ? &check_ : nullptr;
}

}  // namespace install
