// The listing of an archive's header copy, run on its own thread while the archive
// itself is being staged. Owned by the extracting thread, which starts and finishes it.
#pragma once

#include <string>
#include <thread>

#include "install/seven_zip_handler.h"

namespace install {

class SevenZipEarlyListing {
 public:
  explicit SevenZipEarlyListing(std::string passwordSwitch) : passwordSwitch_(std::move(passwordSwitch)) {}
  SevenZipEarlyListing(const SevenZipEarlyListing&) = delete;
  SevenZipEarlyListing& operator=(const SevenZipEarlyListing&) = delete;
  ~SevenZipEarlyListing() { Finish(); }

  // Lists `skeletonPath` in the background; without a thread nothing is listed early.
  void Start(const std::string& skeletonPath);
  // Waits for the listing and deletes the header copy. The check, or nullptr when
  // none ran.
  ArchiveCheck* Finish();

 private:
  std::string passwordSwitch_;
  std::string skeletonPath_;
  std::thread thread_;
  ArchiveCheck check_;
  bool ran_ = false;
};

}  // namespace install
