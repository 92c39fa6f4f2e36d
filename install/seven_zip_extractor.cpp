#include "install/seven_zip_extractor.h"

#include <cstdio>
#include <thread>
#include <vector>

#include "base/jfile.h"
#include "install/folder_ops.h"
#include "install/seven_zip_handler.h"
#include "platform/clock.h"
#include "platform/known_folders.h"
#include "platform/path.h"
#include "platform/private_folder.h"
#include "platform/text.h"

std::string C7ZExtractor::CreateUniqueFolder() {
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

bool C7ZExtractor::ExtractBuffer(const void* buffer, std::uint32_t size, const char* outputFolder,
                                 const char* password, bool removeExtractTemp) {
  if (buffer == nullptr || outputFolder == nullptr) return false;

  std::string uniqueFolder = CreateUniqueFolder();
  if (uniqueFolder.empty()) {
    ReportError(kSevenZipStagingFailed);
    return false;
  }
  std::string stagingFolder = uniqueFolder + kStagingFolder;
  folder_ops::CreateFolderChain(stagingFolder);
  std::string archivePath = stagingFolder + kStagedArchive;

  JFile file;
  if (!file.Open(platform::NarrowToWide(archivePath), JFILE_WRITE_BINARY)) {
    folder_ops::DeleteFolderTree(stagingFolder);
    ReportError(kSevenZipStagingFailed);
    return false;
  }
  long written = file.Write(buffer, size);
  file.Close();

  bool staged = platform::PathFileExists(archivePath) && written == static_cast<long>(size);
  std::printf("Temp File : %s, Flag : %d\n", archivePath.c_str(), staged ? 1 : 0);
  if (!staged) {
    ReportError(kSevenZipStagingFailed);
    return false;
  }

  std::string self = platform::GetModuleFileName();
  std::string outputSwitch = std::string("-o") + outputFolder;
  std::vector<const char*> argv = {self.c_str(), "x", archivePath.c_str(), outputSwitch.c_str()};
  std::string passwordSwitch;
  if (password != nullptr && password[0] != '\0') {
    passwordSwitch = std::string("-p") + password;
    argv.push_back(passwordSwitch.c_str());
  }
  int status = SevenZipMain(static_cast<int>(argv.size()), argv.data(), callback_, ForwardSevenZipError,
                            ForwardSevenZipProgress);

  if (removeExtractTemp) folder_ops::DeleteFolderTree(uniqueFolder);
  return status != kSevenZipNotRun;
}

void C7ZExtractor::ReportError(int code) { ForwardSevenZipError(callback_, code); }
