#include "platform/private_folder.h"

#include <sys/stat.h>
#include <sys/types.h>
#include <cerrno>

namespace platform {

PrivateFolderResult CreatePrivateFolder(const std::string& path) {
  std::string name = path;
  while (name.size() > 1 && name.back() == '/') name.pop_back();
  if (name.empty()) return PrivateFolderResult::Failed;
  if (mkdir(name.c_str(), 0700) == 0) return PrivateFolderResult::Created;
  return errno == EEXIST ? PrivateFolderResult::AlreadyExists : PrivateFolderResult::Failed;
}

}  // namespace platform
