// Creating a folder that nobody else can enter or have prepared beforehand.
#pragma once

#include <string>

namespace platform {

enum class PrivateFolderResult {
  Created,        // new, mode 0700, owned by this process's user
  AlreadyExists,  // something (a folder, a file, a link) has that name: pick another
  Failed,         // any other error (missing parent, no permission, ...)
};

// One mkdir(2) with mode 0700: it never follows a link at the last element and never
// reuses an existing folder, so a name in a shared folder such as /tmp cannot be
// prepared by another user.
PrivateFolderResult CreatePrivateFolder(const std::string& path);

}  // namespace platform
