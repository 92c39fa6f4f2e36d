// Extractions that must end as failures, with the real 7-Zip program: folders that
// cannot be written or fill up (private mount namespace; the suite runs as root),
// damaged archives, a cancel, and archives that try to write outside the folder.

#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "install/package_reader.h"
#include "install/seven_zip_callback.h"
#include "install/seven_zip_handler.h"
#include "platform/landlock.h"
#include "platform/text.h"
#include "test_archives.h"

using namespace base;
using namespace install;

using namespace test_archives;

namespace {

// A package of 64 bytes of header, the block, the payload and an uninstaller.
std::string BuildPackage(const std::string& payload) {
  PackageInfo info = EmptyPackageInfo();
  SetPackageInfoText(info.productKeyName, "Corvex 11");
  std::string file(64, '\0');
  const std::int32_t blockOffset = static_cast<std::int32_t>(file.size());
  file.append(kPackageInfoSize, '\0');
  info.payloadOffset = static_cast<std::int32_t>(file.size());
  info.payloadSize = static_cast<std::int32_t>(payload.size());
  file += payload;
  info.uninstallerOffset = static_cast<std::int32_t>(file.size());
  info.uninstallerSize = 5000;
  file += std::string(5000, 'u');
  std::memcpy(&file[blockOffset], &info, sizeof(info));
  std::memcpy(&file[32], &blockOffset, sizeof(blockOffset));
  return file;
}

class ExtractFailureTest : public ::testing::Test {
 protected:
  ExtractFailureTest() {
    // Mounts made here vanish with the namespace; the rest of the system never sees them.
    static const bool privateMounts =
        ::unshare(CLONE_NEWNS) == 0 && ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    mountsWork = privateMounts;
  }
  ~ExtractFailureTest() override {
    for (auto it = mounts.rbegin(); it != mounts.rend(); ++it) ::umount2(it->c_str(), MNT_DETACH);
    ::unsetenv("CORVEX_EXTRACT_NO_LANDLOCK");
  }
  // A tmpfs of `options` at `relative` in the sandbox; "ro" makes it read-only.
  std::string MountTmpfs(const std::string& relative, const std::string& options, bool readOnly = false) {
    std::string path = sandbox.Path(relative);
    fs::create_directories(path);
    EXPECT_EQ(::mount("tmpfs", path.c_str(), "tmpfs", 0, options.c_str()), 0) << std::strerror(errno);
    mounts.push_back(path);
    if (readOnly) {
      EXPECT_EQ(::mount(nullptr, path.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);
    }
    return path;
  }
  HRESULT Unpack(const std::string& payload, const std::string& folder, const std::atomic<bool>* cancel = nullptr) {
    const std::string package = sandbox.Path("package.exe");
    WriteFile(package, BuildPackage(payload));
    const std::wstring wideFolder = platform::NarrowToWide(folder);
    return UnpackSetupPackage(platform::NarrowToWide(package).c_str(), log.Callback(), wideFolder.c_str(), true, true,
                              cancel);
  }
  std::vector<Event> OutcomeEvents() const { return log.ReaderEvents(); }
  bool TempIsEmpty() const { return fs::is_empty(sandbox.temp()); }
  std::string NoisePayload(const std::string& name, size_t bytes) {
    const std::string tree = sandbox.Path("trees/" + name);
    WriteFile(tree + "/README.txt", "read me\n");
    WriteFile(tree + "/data/noise.bin", NoiseBytes(bytes, 3));
    return PackFolder(tree, sandbox.Path(name + ".7z"), {"-mx=1"});
  }

  ArchiveSandbox sandbox;
  EventLog log;
  bool mountsWork = false;
  std::vector<std::string> mounts;
  const std::vector<Event> kFailed = {{kInstallEventUnpackStart, 0, 0},
                                      {kInstallEventUnpackFailed, kUnpackFailurePackage, 0}};
};

TEST_F(ExtractFailureTest, UnwritableOrFullFolderFails) {
  ASSERT_TRUE(mountsWork) << "needs root for a private mount namespace";
  const std::string payload = NoisePayload("noise", 2 << 20);
  for (const char* landlock : {"0", "1"}) {
    ::setenv("CORVEX_EXTRACT_NO_LANDLOCK", landlock, 1);
    log.events.clear();
    const std::string readOnly = MountTmpfs(std::string("ro") + landlock, "size=8m", true);
    EXPECT_EQ(Unpack(payload, readOnly), E_FAIL);
    EXPECT_EQ(OutcomeEvents(), kFailed);
    EXPECT_EQ(GetLastInstallError(), kInstallDirWriteError);
    EXPECT_TRUE(TempIsEmpty());

    log.events.clear();
    const std::string small = MountTmpfs(std::string("small") + landlock, "size=1m");
    EXPECT_EQ(Unpack(payload, small), E_FAIL);
    EXPECT_EQ(OutcomeEvents(), kFailed);
    EXPECT_EQ(GetLastInstallError(), kInstallDiskFull);
    EXPECT_STREQ(GetLastInstallErrorName(), "DiskFullError");
    EXPECT_FALSE(fs::exists(small + "/uninstall.exe"));
    EXPECT_TRUE(TempIsEmpty());
  }
}

// The payload fits, the uninstaller does not: a short uninstaller is a failure too.
TEST_F(ExtractFailureTest, UninstallerThatDoesNotFitFails) {
  ASSERT_TRUE(mountsWork);
  const std::string payload = NoisePayload("fits", 255 * 4096);
  const std::string small = MountTmpfs("tight", "size=1m");
  EXPECT_EQ(Unpack(payload, small), E_FAIL);
  EXPECT_EQ(OutcomeEvents(), kFailed);
  EXPECT_EQ(GetLastInstallError(), kInstallDiskFull);
}

TEST_F(ExtractFailureTest, DamagedArchiveIsExtractError) {
  std::string payload = NoisePayload("damaged", 600000);
  for (size_t i = 3000; i < 3100; ++i) payload[i] = static_cast<char>(payload[i] ^ 0x55);
  const std::string out = sandbox.Path("out");
  EXPECT_EQ(Unpack(payload, out), E_FAIL);
  EXPECT_EQ(OutcomeEvents(), kFailed);
  EXPECT_STREQ(GetLastInstallErrorName(), "ExtractError");
  EXPECT_FALSE(fs::exists(out + "/uninstall.exe"));
  EXPECT_TRUE(TempIsEmpty());
}

TEST_F(ExtractFailureTest, CancelEndsTheRunAndLeavesNoStaging) {
  const std::string payload = NoisePayload("cancel", 8 << 20);
  std::atomic<bool> cancel{true};
  EXPECT_EQ(Unpack(payload, sandbox.Path("before"), &cancel), E_ABORT);
  EXPECT_EQ(OutcomeEvents(), kFailed);
  EXPECT_FALSE(fs::exists(sandbox.Path("before/data")));

  // Turned on by the first progress report, while 7zz runs.
  cancel = false;
  log.events.clear();
  EventLog* events = &log;
  const std::string package = sandbox.Path("package.exe");
  WriteFile(package, BuildPackage(payload));
  const std::wstring folder = platform::NarrowToWide(sandbox.Path("during"));
  const HRESULT result =
      UnpackSetupPackage(platform::NarrowToWide(package).c_str(),
                         ReceiveDecoded<InstallEvent>([&](InstallEvent event, unsigned code, long value) {
                           if (event == kInstallEventExtractPercent) cancel = true;
                           events->events.push_back({event, code, value});
                           return 1;
                         }),
                         folder.c_str(), true, true, &cancel);
  EXPECT_EQ(result, E_ABORT);
  EXPECT_EQ(OutcomeEvents(), kFailed);
  EXPECT_FALSE(fs::exists(sandbox.Path("during/uninstall.exe")));
  EXPECT_TRUE(TempIsEmpty());
}

// Links out of the folder (absolute, climbing), a file written through a link, and a
// link whose name ends in a CR, with Landlock and with the listing check.
TEST_F(ExtractFailureTest, MaliciousArchiveLeavesNothingOutside) {
  const std::string outside = sandbox.Path("outside");
  fs::create_directories(outside);
  const std::string links = sandbox.Path("trees/links");
  fs::create_directories(links);
  fs::create_symlink(outside, links + "/abs");
  fs::create_symlink("../../outside", links + "/up");
  fs::create_symlink(outside, links + "/cr\r");
  SevenZip(links, {"a", "-snl", "-bso0", "-bsp0", sandbox.Path("evil.7z"), "abs", "up", "cr\r"});
  const std::string through = sandbox.Path("trees/through");
  WriteFile(through + "/abs/planted.txt", "planted");
  WriteFile(through + "/up/planted.txt", "planted");
  WriteFile(through + "/cr\r/planted.txt", "planted");
  SevenZip(through, {"a", "-bso0", "-bsp0", sandbox.Path("evil.7z"), "abs", "up", "cr\r"});
  const std::string archive = ReadFile(sandbox.Path("evil.7z"));

  for (const char* listingCheck : {"1", "0"}) {
    ::setenv("CORVEX_EXTRACT_NO_LANDLOCK", listingCheck, 1);
    const std::string out = sandbox.Path(std::string("out") + listingCheck);
    fs::create_directories(out);
    C7ZOperator extractor;
    extractor.SetProgressCallback(log.Callback());
    EXPECT_FALSE(
        extractor.Extract(archive.data(), static_cast<std::uint32_t>(archive.size()), out.c_str(), nullptr, true));
    EXPECT_TRUE(fs::is_empty(outside)) << "listing check " << listingCheck;
    EXPECT_TRUE(TempIsEmpty());
    const bool confined = std::strcmp(listingCheck, "0") == 0 && platform::LandlockAbi() > 0;
    if (confined) {
      EXPECT_EQ(extractor.LastGuard(), SevenZipGuard::Landlock);
    }
  }
}

}  // namespace
