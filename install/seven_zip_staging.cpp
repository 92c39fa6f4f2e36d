#include "install/seven_zip_staging.h"

#include <cstdio>
#include <thread>

#include "base/jfile.h"
#include "install/folder_ops.h"
#include "platform/clock.h"
#include "platform/known_folders.h"
#include "platform/path.h"
#include "platform/private_folder.h"
#include "platform/text.h"

std::string SevenZipStaging::CreateUniqueFolder() {
  std::string temp = platform::WideToNarrow(platform::GetTempFolder());
  folder_ops::CreateFolderChain(temp);
  // In a shared temporary folder another user may have prepared the name (even as a
  // link to somewhere else): the folder is created, not checked for, and a taken
  // name means the next tick.
  for (;;) {
    char tick[16];
    std::snprintf(tick, sizeof(tick), "%x/", platform::GetTickCount());
    std::string name = temp + tick;
    switch (platform::CreatePrivateFolder(name)) {
      case platform::PrivateFolderResult::Created:
        return name;
      case platform::PrivateFolderResult::AlreadyExists:
        std::this_thread::yield();
        break;
      case platform::PrivateFolderResult::Failed:
        return std::string();
    }
  }
}

SevenZipStaging::Result SevenZipStaging::Stage(const void* buffer, std::uint32_t size) {
  uniqueFolder_ = CreateUniqueFolder();
  if (uniqueFolder_.empty()) return Result::NoPrivateFolder;
  std::string stagingFolder = uniqueFolder_ + kStagingFolder;
  folder_ops::CreateFolderChain(stagingFolder);
  archivePath_ = stagingFolder + kStagedArchive;

  JFile file;
  if (!file.Open(platform::NarrowToWide(archivePath_), JFILE_WRITE_BINARY)) {
    folder_ops::DeleteFolderTree(stagingFolder);
    return Result::NotWritable;
  }
  long written = file.Write(buffer, size);
  file.Close();
  bool complete = written == static_cast<long>(size) && platform::PathFileExists(archivePath_);
  return complete ? Result::Staged : Result::ShortWrite;
}

void SevenZipStaging::Remove() {
  if (!uniqueFolder_.empty()) folder_ops::DeleteFolderTree(uniqueFolder_);
}
