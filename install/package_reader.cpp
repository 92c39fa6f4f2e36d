#include "install/package_reader.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <new>

#include "base/file_helpers.h"
#include "base/install_log.h"
#include "base/jfile.h"
#include "external/product_programs.h"
#include "install/seven_zip_callback.h"
#include "platform/known_folders.h"
#include "platform/path.h"
#include "platform/text.h"

using base::JFile;
using base::kUnpackFailurePackage;
using base::WriteLog;

namespace install {

namespace {

std::mutex g_installFolderMutex;
std::wstring g_installFolder;  // guarded: set on the worker, read by the dialog

void SetInstallFolder(const std::wstring& folder) {
  std::lock_guard<std::mutex> lock(g_installFolderMutex);
  g_installFolder = folder;
}

// A range [offset, offset + size) that lies inside a file of `fileSize` bytes.
bool RangeInsideFile(std::int64_t offset, std::int64_t size, std::int64_t fileSize) {
  return offset >= 0 && size >= 0 && offset + size <= fileSize;
}

std::unique_ptr<char[]> AllocateZeroed(std::size_t size) {
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[size]);
  if (buffer) std::memset(buffer.get(), 0, size);
  return buffer;
}

// Reads exactly `size` bytes at `offset`; false on a short read (a folder, an I/O error).
bool ReadAt(JFile& file, long offset, void* buffer, std::size_t size) {
  return file.Seek(offset, SEEK_SET) == 0 && file.Read(buffer, size) == static_cast<long>(size);
}

// Reads the stored block offset and checks that a whole block fits behind it.
bool LocateInfoBlock(JFile& file, long& blockOffset, long& fileSize) {
  std::int32_t stored = 0;
  if (!ReadAt(file, kPackageInfoOffsetPosition, &stored, sizeof(stored))) return false;
  fileSize = file.Size();
  blockOffset = stored;
  return RangeInsideFile(stored, static_cast<std::int64_t>(kPackageInfoSize), fileSize);
}

HRESULT Fail(const base::ProgressCallback& progress, int lastError, base::UnpackFailure failure) {
  SetLastInstallError(lastError);
  progress(base::kInstallEventUnpackFailed, failure, 0);
  return E_FAIL;
}

// Writes `size` bytes into a created or truncated file and flushes them; false, with
// the errno of the failed step in `error`, unless every byte reached the file.
bool WriteWholeFile(const std::wstring& path, const void* bytes, std::size_t size, int& error) {
  JFile out;
  errno = 0;
  if (!out.Open(path, base::JFILE_WRITE_BINARY)) {
    error = errno;
    return false;
  }
  const bool written = out.Write(bytes, size) == static_cast<long>(size) && std::fflush(out.Stream()) == 0;
  error = written ? 0 : (errno ? errno : EIO);
  out.Close();
  std::error_code sizeError;
  const auto onDisk = std::filesystem::file_size(std::filesystem::path(platform::WideToNarrow(path)), sizeError);
  if (written && (sizeError || onDisk != size)) error = EIO;
  return error == 0;
}

// Writes uninstall.exe and uninstall.exe.bin; false, with the errno in `error`,
// unless both are complete.
bool WriteUninstaller(const std::wstring& uninstallerPath, const char* bytes, std::size_t size,
                      const PackageInfo& block, int& error) {
  WriteLog("Write uninstall file.\n");
  if (!WriteWholeFile(uninstallerPath, bytes, size, error)) {
    WriteLog("Write uninstall file failed (errno %d).\n", error);
    return false;
  }
  // It is started as the uninstall command, so it must be runnable.
  std::error_code permissionError;
  std::filesystem::permissions(std::filesystem::path(platform::WideToNarrow(uninstallerPath)),
                               std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                                   std::filesystem::perms::group_exec | std::filesystem::perms::others_read |
                                   std::filesystem::perms::others_exec,
                               permissionError);
  WriteLog("Write uninstall bin.\n");
  if (!WriteWholeFile(uninstallerPath + L".bin", &block, sizeof(block), error)) {
    WriteLog("Write uninstall bin failed (errno %d).\n", error);
    return false;
  }
  return true;
}

// The last install error for an extraction that did not complete.
int InstallErrorFor(ExtractFailure failure) {
  switch (failure) {
    case ExtractFailure::DiskFull: return kInstallDiskFull;
    case ExtractFailure::NotWritable: return kInstallDirWriteError;
    case ExtractFailure::Failed:
    case ExtractFailure::Cancelled: return kInstallExtractError;
    case ExtractFailure::None:
    case ExtractFailure::Staging:
    case ExtractFailure::ArchiveUnusable: break;
  }
  return kInstallMallocBrror;
}

}  // namespace

HRESULT UnpackSetupPackage(const wchar_t* packagePath, base::ProgressCallback progress, const wchar_t* installFolder,
                           bool removeExtractTemp, bool writeUninstaller, const std::atomic<bool>* cancel) {
  if (packagePath == nullptr || !progress) {
    SetLastInstallError(kInstallPointNull);
    return E_POINTER;
  }
  progress(base::kInstallEventUnpackStart, 0, 0);

  JFile package;
  if (!package.Open(packagePath, base::JFILE_READ_BINARY)) {
    return Fail(progress, kInstallSetupFileError, kUnpackFailurePackage);
  }

  long blockOffset = 0;
  long fileSize = 0;
  if (!LocateInfoBlock(package, blockOffset, fileSize)) {
    package.Close();
    return Fail(progress, kInstallSetupFileError, kUnpackFailurePackage);
  }

  PackageInfo block = EmptyPackageInfo();
  std::memcpy(block.signature, kPackageSignature, sizeof(block.signature));
  if (!ReadAt(package, blockOffset, &block, sizeof(block))) {
    package.Close();
    return Fail(progress, kInstallSetupFileError, kUnpackFailurePackage);
  }

  std::wstring folder;
  if (installFolder != nullptr) {
    folder = installFolder;
    base::CreateFolderChain(folder);
    SetInstallFolder(folder);
  } else {
    std::wstring productName = platform::NarrowToWide(PackageInfoText(block.productKeyName));
    GetDefaultInstallFolder(folder, productName, true, block.is64Bit);
    SetInstallFolder(folder);
  }

  // The working folder is a 260-character buffer: a longer path would be cut, so it is
  // treated as a folder that is not there.
  if (folder.size() >= static_cast<std::size_t>(kMaxPath) || !platform::PathIsDirectory(folder)) {
    package.Close();
    return Fail(progress, kInstallDirWriteError, base::kUnpackFailureFolder);
  }

  if (!RangeInsideFile(block.payloadOffset, block.payloadSize, fileSize)) {
    package.Close();
    return Fail(progress, kInstallSetupFileError, kUnpackFailurePackage);
  }

  // The payload goes from the package straight into the extractor's private staging
  // file, copied in the kernel: it is never held in memory, so no buffer exists.
  WriteLog("Buffer Info: Start(%d), size(%d), pBuffer(%08X).\n", block.payloadOffset, block.payloadSize, 0u);

  C7ZOperator extractor;
  extractor.SetProgressCallback(progress);
  extractor.SetCancelFlag(cancel);
  std::string narrowFolder = platform::WideToNarrow(folder);
  WriteLog("Begin unpack file.\n");
  if (!extractor.ExtractFileRange(package.Stream(), static_cast<std::uint64_t>(block.payloadOffset),
                                  static_cast<std::uint32_t>(block.payloadSize), narrowFolder.c_str(), nullptr,
                                  removeExtractTemp)) {
    WriteLog("Failed unpack file.\n");
    package.Close();
    const HRESULT failed = Fail(progress, InstallErrorFor(extractor.LastFailure()), kUnpackFailurePackage);
    return extractor.LastFailure() == ExtractFailure::Cancelled ? E_ABORT : failed;
  }
  WriteLog("Finish unpack file.\n");

  std::wstring uninstallerPath = folder;
  platform::PathAppend(uninstallerPath, platform::NarrowToWide(product::kUninstaller));
  std::unique_ptr<char[]> uninstaller;
  const std::size_t uninstallerSize = block.uninstallerSize > 0 ? static_cast<std::size_t>(block.uninstallerSize) : 0;
  if (!RangeInsideFile(block.uninstallerOffset, block.uninstallerSize, fileSize)) {
    WriteLog("Uninstaller range Start(%d), size(%d) lies outside the package (%ld bytes); no uninstaller written.\n",
             block.uninstallerOffset, block.uninstallerSize, fileSize);
  } else if (!(uninstaller = AllocateZeroed(uninstallerSize + 1))) {
    WriteLog("Uninstaller of %d bytes cannot be allocated; no uninstaller written.\n", block.uninstallerSize);
  } else if (!ReadAt(package, block.uninstallerOffset, uninstaller.get(), uninstallerSize)) {
    WriteLog("Uninstaller of %d bytes cannot be read; no uninstaller written.\n", block.uninstallerSize);
    uninstaller.reset();
  }
  package.Close();

  int writeError = 0;
  if (writeUninstaller && uninstaller &&
      !WriteUninstaller(uninstallerPath, uninstaller.get(), uninstallerSize, block, writeError)) {
    return Fail(progress, writeError == ENOSPC ? kInstallDiskFull : kInstallFileError, kUnpackFailurePackage);
  }

  progress(base::kInstallEventUnpackDone, 0, 0);
  return S_OK;
}

HRESULT ReadPackageInfo(const wchar_t* packagePath, PackageInfo* block) {
  if (packagePath == nullptr || block == nullptr) return E_POINTER;
  // On failure the caller's block keeps its values (the profile's, in the dialog).
  JFile file;
  if (!file.Open(packagePath, base::JFILE_READ_BINARY)) return E_FAIL;
  long blockOffset = 0;
  long fileSize = 0;
  PackageInfo read = EmptyPackageInfo();
  const bool whole = LocateInfoBlock(file, blockOffset, fileSize) && ReadAt(file, blockOffset, &read, sizeof(read));
  file.Close();
  // The same ranges the unpack step refuses; an uninstaller outside the file only
  // means the package has none.
  if (!whole || !RangeInsideFile(read.payloadOffset, read.payloadSize, fileSize)) return E_FAIL;
  *block = read;
  return S_OK;
}

HRESULT WritePackageInfo(const wchar_t* path, const PackageInfo* block) {
  if (path == nullptr || block == nullptr) return E_POINTER;
  int error = 0;
  return WriteWholeFile(path, block, sizeof(PackageInfo), error) ? S_OK : E_FAIL;
}

std::wstring GetInstallFolder() {
  std::lock_guard<std::mutex> lock(g_installFolderMutex);
  return g_installFolder;
}

void GetDefaultInstallFolder(std::wstring& out, const std::wstring& folderName, bool create, int is64BitPackage) {
  out.clear();
  if (is64BitPackage != 0 && base::Is64BitWindows()) {
    const char* programW6432 = std::getenv("ProgramW6432");
    if (programW6432 != nullptr && programW6432[0] != '\0') out = platform::NarrowToWide(programW6432);
  }
  if (out.empty()) out = platform::GetKnownFolder(platform::KnownFolder::ProgramFiles);
  platform::PathAppend(out, folderName);
  if (create) base::CreateFolderChain(out);
}

}  // namespace install
