#include "package_writer.h"

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

#include "platform/child_process.h"
#include "platform/clock.h"
#include "platform/private_folder.h"

using namespace install;

namespace fs = std::filesystem;

namespace {

// Every copied item gets this modification time, so the archive does not depend on
// when the payload was made.
const fs::file_time_type kFixedTime =
    fs::file_time_type::clock::from_sys(std::chrono::sys_seconds(std::chrono::seconds(1592265600)));

constexpr char kHeaderText[] = "Corvex setup package";

// Copies `from` into `to` with normalised modes (0755 folders and executables, 0644
// files) and fixed times; links are copied as links.
bool CopyNormalised(const fs::path& from, const fs::path& to, std::string& error) {
  std::error_code ec;
  fs::create_directories(to, ec);
  std::vector<fs::directory_entry> entries;
  for (const auto& entry : fs::directory_iterator(from, ec)) entries.push_back(entry);
  if (ec) {
    error = "cannot list " + from.string() + ": " + ec.message();
    return false;
  }
  for (const auto& entry : entries) {
    fs::path target = to / entry.path().filename();
    fs::file_status status = entry.symlink_status(ec);
    if (fs::is_symlink(status)) {
      fs::copy_symlink(entry.path(), target, ec);
    } else if (fs::is_directory(status)) {
      if (!CopyNormalised(entry.path(), target, error)) return false;
      fs::permissions(target, fs::perms(0755), ec);
    } else if (fs::is_regular_file(status)) {
      fs::copy_file(entry.path(), target, ec);
      bool executable = (status.permissions() & fs::perms::owner_exec) != fs::perms::none;
      if (!ec) fs::permissions(target, executable ? fs::perms(0755) : fs::perms(0644), ec);
    } else {
      continue;  // sockets, devices: not product files
    }
    if (ec) {
      error = "cannot copy " + entry.path().string() + ": " + ec.message();
      return false;
    }
  }
  for (const auto& entry : fs::recursive_directory_iterator(to, ec)) {
    if (!entry.is_symlink()) fs::last_write_time(entry.path(), kFixedTime, ec);
  }
  return true;
}

bool ReadFile(const std::string& path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return false;
  std::streamoff size = in.tellg();
  if (size < 0) return false;
  bytes.resize(static_cast<size_t>(size));
  in.seekg(0);
  in.read(bytes.data(), size);
  return static_cast<std::streamoff>(in.gcount()) == size;
}

// -mtc/-mta off and the fixed times: only the modification time is stored, and it is
// ours. -mmt fixes the thread count, which shapes the compressed stream. -snl stores
// links as links.
bool CompressPayload(const fs::path& tree, const fs::path& archive, int level, std::string& error) {
  platform::ChildProcessRequest request;
  request.program = "/usr/bin/7zz";
  request.argv = {"7zz",
                  "a",
                  "-t7z",
                  "-mx=" + std::to_string(level),
                  "-mmt=2",
                  "-mtc=off",
                  "-mta=off",
                  "-mtm=on",
                  "-snl",
                  "-bd",
                  "-bso0",
                  "-bsp0",
                  archive.string(),
                  "."};
  request.workingDirectory = tree.string();
  request.extraEnv = {{"LC_ALL", "C.UTF-8"}, {"TZ", "UTC"}};
  std::string messages;
  request.onLine = [&](platform::ChildStream, std::string_view line) { messages += std::string(line) + "\n"; };
  platform::ChildProcessResult result = platform::RunChildProcess(request);
  if (result.outcome != platform::ChildOutcome::Exited || result.exitCode != 0) {
    error = "7zz failed (status " + std::to_string(result.exitCode) + "): " + messages;
    return false;
  }
  return true;
}

}  // namespace

bool WritePackage(const PackageSources& sources, std::string& error) {
  std::error_code ec;
  if (!fs::is_directory(sources.payloadFolder)) {
    error = "payload folder not found: " + sources.payloadFolder;
    return false;
  }
  std::string uninstaller;
  if (!ReadFile(sources.uninstallerFile, uninstaller)) {
    error = "cannot read the uninstaller " + sources.uninstallerFile;
    return false;
  }

  fs::path work;
  for (;;) {
    work = fs::temp_directory_path(ec) / ("corvex-pack-" + std::to_string(platform::GetTickCount()));
    platform::PrivateFolderResult made = platform::CreatePrivateFolder(work.string());
    if (made == platform::PrivateFolderResult::Created) break;
    if (made == platform::PrivateFolderResult::Failed) {
      error = "cannot create a work folder in " + fs::temp_directory_path(ec).string();
      return false;
    }
  }
  fs::path tree = work / "payload";
  fs::path archive = work / "payload.7z";
  bool ok = CopyNormalised(sources.payloadFolder, tree, error) &&
            CompressPayload(tree, archive, sources.compressionLevel, error);
  std::string payload;
  if (ok && !ReadFile(archive.string(), payload)) {
    error = "cannot read the compressed payload";
    ok = false;
  }
  fs::remove_all(work, ec);
  if (!ok) return false;

  const std::uint64_t total = kPackInfoBlockOffset + kPackageInfoSize + payload.size() + uninstaller.size();
  if (total > 0x7fffffffu) {
    error = "the package would exceed 2 GiB, which its 32-bit offsets cannot address";
    return false;
  }

  PackageInfo info = sources.info;
  std::memcpy(info.signature, kPackageSignature, sizeof(info.signature));
  info.payloadOffset = kPackInfoBlockOffset + static_cast<std::int32_t>(kPackageInfoSize);
  info.payloadSize = static_cast<std::int32_t>(payload.size());
  info.uninstallerOffset = info.payloadOffset + info.payloadSize;
  info.uninstallerSize = static_cast<std::int32_t>(uninstaller.size());

  std::string header(kPackInfoBlockOffset, '\0');
  header[0] = 'M';
  header[1] = 'Z';
  std::memcpy(&header[2], kHeaderText, sizeof(kHeaderText) - 1);
  std::int32_t blockOffset = kPackInfoBlockOffset;
  std::memcpy(&header[kPackageInfoOffsetPosition], &blockOffset, sizeof(blockOffset));

  std::ofstream out(sources.outputFile, std::ios::binary | std::ios::trunc);
  out.write(header.data(), static_cast<std::streamsize>(header.size()));
  out.write(reinterpret_cast<const char*>(&info), sizeof(info));
  out.write(payload.data(), static_cast<std::streamsize>(payload.size()));
  out.write(uninstaller.data(), static_cast<std::streamsize>(uninstaller.size()));
  out.close();
  if (!out) {
    error = "cannot write " + sources.outputFile;
    fs::remove(sources.outputFile, ec);
    return false;
  }
  return true;
}
