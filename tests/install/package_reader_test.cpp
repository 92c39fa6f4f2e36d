// The package reader on packages laid out by hand around real 7z payloads.

#include <stdlib.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>

#include "base/install_log.h"
#include "install/package_reader.h"
#include "platform/text.h"
#include "test_archives.h"

using namespace base;
using namespace install;

using namespace test_archives;

namespace {

// The parts of a package, placed in the order given; the block offset at 32 is where
// the block lands unless `blockOffsetOverride` says otherwise.
struct PackageBuilder {
  PackageInfo info = EmptyPackageInfo();
  std::string payload;
  std::string uninstaller = "uninstaller bytes";
  enum Part { Block, Payload, Uninstaller };
  std::vector<Part> order = {Block, Payload, Uninstaller};
  long blockOffsetOverride = -1;

  std::string Build() {
    std::string file(64, '\0');
    file[0] = 'M';
    file[1] = 'Z';
    std::int32_t blockOffset = 0;
    for (Part part : order) {
      if (part == Block) {
        blockOffset = static_cast<std::int32_t>(file.size());
        file.append(kPackageInfoSize, '\0');
      } else if (part == Payload) {
        info.payloadOffset = static_cast<std::int32_t>(file.size());
        info.payloadSize = static_cast<std::int32_t>(payload.size());
        file += payload;
      } else {
        info.uninstallerOffset = static_cast<std::int32_t>(file.size());
        info.uninstallerSize = static_cast<std::int32_t>(uninstaller.size());
        file += uninstaller;
      }
    }
    std::memcpy(&file[blockOffset], &info, sizeof(info));
    if (blockOffsetOverride >= 0) blockOffset = static_cast<std::int32_t>(blockOffsetOverride);
    std::memcpy(&file[32], &blockOffset, sizeof(blockOffset));
    return file;
  }
};

class PackageReaderTest : public ::testing::Test {
 protected:
  PackageReaderTest() {
    std::string tree = sandbox.Path("tree");
    MakeSampleTree(tree);
    builder.payload = PackFolder(tree, sandbox.Path("payload.7z"));
    SetPackageInfoText(builder.info.productKeyName, "Corvex 11");
    std::memcpy(builder.info.signature, "whatever", 8);
  }
  std::wstring Save(const std::string& bytes, const std::string& name = "package.exe") {
    std::string path = sandbox.Path(name);
    WriteFile(path, bytes);
    return platform::NarrowToWide(path);
  }
  HRESULT Unpack(const std::wstring& package, const std::string& folder, bool writeUninstaller = true) {
    std::wstring wideFolder = platform::NarrowToWide(folder);
    return UnpackSetupPackage(package.c_str(), log.Callback(), folder.empty() ? nullptr : wideFolder.c_str(), true,
                              writeUninstaller);
  }
  std::vector<Event> OutcomeEvents() const { return log.ReaderEvents(); }

  ArchiveSandbox sandbox;
  PackageBuilder builder;
  EventLog log;
};

const std::vector<Event> kSucceeded = {{kInstallEventUnpackStart, 0, 0}, {kInstallEventUnpackDone, 0, 0}};
const std::vector<Event> kUnusable = {{kInstallEventUnpackStart, 0, 0},
                                      {kInstallEventUnpackFailed, kUnpackFailurePackage, 0}};
const std::vector<Event> kFolderMissing = {{kInstallEventUnpackStart, 0, 0},
                                           {kInstallEventUnpackFailed, kUnpackFailureFolder, 0}};

TEST_F(PackageReaderTest, BlockAtTheLastPossibleOffsetAndAnySignature) {
  builder.order = {PackageBuilder::Payload, PackageBuilder::Uninstaller, PackageBuilder::Block};
  std::string bytes = builder.Build();
  std::string out = sandbox.Path("out");

  EXPECT_EQ(Unpack(Save(bytes), out), S_OK);
  EXPECT_EQ(OutcomeEvents(), kSucceeded);
  EXPECT_EQ(ReadFile(out + "/README.txt"), "read me\n");
  EXPECT_EQ(GetInstallFolder(), platform::NarrowToWide(out));

  // One byte further and the block no longer fits.
  log.events.clear();
  builder.blockOffsetOverride = static_cast<long>(bytes.size() - kPackageInfoSize + 1);
  EXPECT_EQ(Unpack(Save(builder.Build()), sandbox.Path("out2")), E_FAIL);
  EXPECT_EQ(OutcomeEvents(), kUnusable);
  EXPECT_EQ(GetLastInstallError(), 2);
  EXPECT_STREQ(GetLastInstallErrorName(), "SetupFileError");
}

TEST_F(PackageReaderTest, PayloadEndingAtTheEndOfTheFile) {
  builder.order = {PackageBuilder::Block, PackageBuilder::Uninstaller, PackageBuilder::Payload};
  EXPECT_EQ(Unpack(Save(builder.Build()), sandbox.Path("out")), S_OK);
  EXPECT_EQ(OutcomeEvents(), kSucceeded);
  EXPECT_EQ(ReadFile(sandbox.Path("out/uninstall.exe")), builder.uninstaller);
}

// Stores `value` into the block of a package built with the block first.
void PatchBlockField(std::string& package, size_t fieldOffset, std::int32_t value) {
  std::memcpy(&package[64 + fieldOffset], &value, sizeof(value));
}

TEST_F(PackageReaderTest, PayloadOrBlockOutsideTheFile) {
  const std::string bytes = builder.Build();
  const std::int32_t toEnd = static_cast<std::int32_t>(bytes.size()) - builder.info.payloadOffset;
  std::vector<std::string> broken;
  broken.push_back(bytes);
  PatchBlockField(broken.back(), offsetof(PackageInfo, payloadSize), toEnd + 1);
  broken.push_back(bytes);
  PatchBlockField(broken.back(), offsetof(PackageInfo, payloadOffset), -16);
  broken.push_back(bytes);
  PatchBlockField(broken.back(), offsetof(PackageInfo, payloadSize), -1);
  broken.push_back(std::string(4095, 'x'));  // too short for any block
  for (const std::string& package : broken) {
    log.events.clear();
    EXPECT_EQ(Unpack(Save(package), sandbox.Path("out")), E_FAIL);
    EXPECT_EQ(OutcomeEvents(), kUnusable);
    EXPECT_EQ(GetLastInstallError(), 2);
  }
  std::string exact = bytes;
  PatchBlockField(exact, offsetof(PackageInfo, payloadSize), toEnd);  // payload + uninstaller: still a 7z
  log.events.clear();
  EXPECT_EQ(Unpack(Save(exact), sandbox.Path("out")), S_OK);

  log.events.clear();
  EXPECT_EQ(Unpack(platform::NarrowToWide(sandbox.Path("missing.exe")), sandbox.Path("out")), E_FAIL);
  EXPECT_EQ(OutcomeEvents(), kUnusable);
}

TEST_F(PackageReaderTest, MissingArgumentsMakeNoCallback) {
  EXPECT_EQ(UnpackSetupPackage(nullptr, log.Callback(), nullptr, true, true), E_POINTER);
  EXPECT_EQ(GetLastInstallError(), 1);
  std::wstring package = Save(builder.Build());
  EXPECT_EQ(UnpackSetupPackage(package.c_str(), ProgressCallback(), nullptr, true, true), E_POINTER);
  EXPECT_STREQ(GetLastInstallErrorName(), "PointNull");
  EXPECT_TRUE(log.events.empty());
}

TEST_F(PackageReaderTest, InstallFolderThatCannotBeMade) {
  WriteFile(sandbox.Path("plainfile"), "x");
  EXPECT_EQ(Unpack(Save(builder.Build()), sandbox.Path("plainfile/out")), E_FAIL);
  EXPECT_EQ(OutcomeEvents(), kFolderMissing);
  EXPECT_STREQ(GetLastInstallErrorName(), "DirWriteError");

  log.events.clear();
  EXPECT_EQ(Unpack(Save(builder.Build()), sandbox.Path(std::string(260, 'a'))), E_FAIL);
  EXPECT_EQ(OutcomeEvents(), kFolderMissing);
}

TEST_F(PackageReaderTest, FailedExtractionIsMallocBrror) {
  builder.payload = NoiseBytes(10000, 9);
  std::string out = sandbox.Path("out");
  EXPECT_EQ(Unpack(Save(builder.Build()), out), E_FAIL);
  EXPECT_EQ(OutcomeEvents(), kUnusable);
  EXPECT_EQ(GetLastInstallError(), 4);
  EXPECT_STREQ(GetLastInstallErrorName(), "MallocBrror");
  EXPECT_FALSE(fs::exists(out + "/uninstall.exe"));
}

TEST_F(PackageReaderTest, UninstallerAndSidecar) {
  std::string out = sandbox.Path("out");
  std::string bytes = builder.Build();
  ASSERT_EQ(Unpack(Save(bytes), out), S_OK);
  EXPECT_EQ(ReadFile(out + "/uninstall.exe"), builder.uninstaller);
  EXPECT_EQ(ReadFile(out + "/uninstall.exe.bin"), bytes.substr(64, kPackageInfoSize));
  EXPECT_TRUE((fs::status(out + "/uninstall.exe").permissions() & fs::perms::owner_exec) != fs::perms::none);

  std::string quiet = sandbox.Path("quiet");
  EXPECT_EQ(Unpack(Save(bytes), quiet, false), S_OK);
  EXPECT_EQ(OutcomeEvents().back(), (Event{kInstallEventUnpackDone, 0, 0}));
  EXPECT_TRUE(fs::exists(quiet + "/README.txt"));
  EXPECT_FALSE(fs::exists(quiet + "/uninstall.exe"));
  EXPECT_FALSE(fs::exists(quiet + "/uninstall.exe.bin"));
}

// The stored range is checked before it is read: outside the file, the install
// still succeeds and writes no uninstaller instead of garbage.
TEST_F(PackageReaderTest, UninstallerRangeOutsideThePackage) {
  builder.order = {PackageBuilder::Block, PackageBuilder::Payload};
  builder.info.uninstallerOffset = 100;
  builder.info.uninstallerSize = 1 << 30;
  std::string out = sandbox.Path("out");
  EXPECT_EQ(Unpack(Save(builder.Build()), out), S_OK);
  EXPECT_FALSE(fs::exists(out + "/uninstall.exe"));
  EXPECT_FALSE(fs::exists(out + "/uninstall.exe.bin"));
}

TEST_F(PackageReaderTest, DefaultFolderFollowsTheSixtyFourBitFlag) {
  std::string w6432 = sandbox.Path("Program Files");
  ::setenv("ProgramW6432", w6432.c_str(), 1);
  builder.info.is64Bit = 1;
  EXPECT_EQ(Unpack(Save(builder.Build()), ""), S_OK);
  EXPECT_TRUE(fs::exists(w6432 + "/Corvex 11/README.txt"));
  EXPECT_EQ(GetInstallFolder(), platform::NarrowToWide(w6432 + "/Corvex 11"));

  builder.info.is64Bit = 0;
  EXPECT_EQ(Unpack(Save(builder.Build()), ""), S_OK);
  EXPECT_TRUE(fs::exists(sandbox.Path("opt/Corvex 11/README.txt")));

  ::unsetenv("ProgramW6432");
  std::wstring folder;
  GetDefaultInstallFolder(folder, L"Corvex 11", false, 1);
  EXPECT_EQ(folder, platform::NarrowToWide(sandbox.Path("opt/Corvex 11")));
}

TEST_F(PackageReaderTest, ReadPackageInfo) {
  const int errorBefore = GetLastInstallError();
  std::string bytes = builder.Build();
  PackageInfo info = EmptyPackageInfo();
  EXPECT_EQ(ReadPackageInfo(Save(bytes).c_str(), &info), S_OK);
  EXPECT_EQ(std::memcmp(&info, bytes.data() + 64, kPackageInfoSize), 0);
  EXPECT_EQ(PackageInfoText(info.productKeyName), "Corvex 11");

  EXPECT_EQ(ReadPackageInfo(nullptr, &info), E_POINTER);
  EXPECT_EQ(ReadPackageInfo(Save("just some text").c_str(), &info), E_FAIL);
  std::string farOffset(8192, '\0');
  std::int32_t offset = 4097;
  std::memcpy(&farOffset[32], &offset, sizeof(offset));
  EXPECT_EQ(ReadPackageInfo(Save(farOffset).c_str(), &info), E_FAIL);
  // A program with 0 at 32 reads as a block starting at its first byte, as long as
  // the payload range it then names lies inside the file.
  std::string program(5000, 'p');
  std::memset(&program[16], 0, 8);
  std::memset(&program[32], 0, 4);
  EXPECT_EQ(ReadPackageInfo(Save(program).c_str(), &info), S_OK);
  EXPECT_EQ(std::memcmp(&info, program.data(), kPackageInfoSize), 0);
  // None of this touches the last install error.
  EXPECT_EQ(GetLastInstallError(), errorBefore);
}

// Whatever fails, the caller's block is all zero afterwards: nothing left over from
// before, nothing half read.
TEST_F(PackageReaderTest, ReadPackageInfoRefusesWhatUnpackRefuses) {
  const std::string bytes = builder.Build();
  std::vector<std::string> broken(3, bytes);
  PatchBlockField(broken[0], offsetof(PackageInfo, payloadSize), static_cast<std::int32_t>(bytes.size()));
  PatchBlockField(broken[1], offsetof(PackageInfo, payloadOffset), -16);
  PatchBlockField(broken[2], offsetof(PackageInfo, payloadOffset), 0x7FFFFFFF);
  PatchBlockField(broken[2], offsetof(PackageInfo, payloadSize), 0x7FFFFFFF);
  std::vector<std::wstring> paths;
  for (std::size_t i = 0; i < broken.size(); ++i) paths.push_back(Save(broken[i], "broken" + std::to_string(i)));
  fs::create_directories(sandbox.Path("folder.exe"));
  paths.push_back(platform::NarrowToWide(sandbox.Path("folder.exe")));
  for (const std::wstring& path : paths) {
    PackageInfo info;
    std::memset(&info, 0xAB, sizeof(info));
    EXPECT_EQ(ReadPackageInfo(path.c_str(), &info), E_FAIL) << platform::WideToNarrow(path);
    PackageInfo kept;
    std::memset(&kept, 0xAB, sizeof(kept));
    EXPECT_EQ(std::memcmp(&info, &kept, sizeof(info)), 0) << "the caller's values stay";
  }
  log.events.clear();
  EXPECT_EQ(Unpack(paths.back(), sandbox.Path("out")), E_FAIL) << "a folder is no package";
  EXPECT_EQ(OutcomeEvents(), kUnusable);
}

// Each of the reader's own lines ends with a line feed of its own, so that the log
// shows an empty line after it.
TEST_F(PackageReaderTest, LogLinesEndWithLineFeeds) {
  const std::string logPath = sandbox.Path("install.log");
  GetLog()->Init(platform::NarrowToWide(logPath));
  ASSERT_EQ(Unpack(Save(builder.Build()), sandbox.Path("out")), S_OK);
  builder.payload = NoiseBytes(1000, 3);
  ASSERT_EQ(Unpack(Save(builder.Build()), sandbox.Path("out2")), E_FAIL);
  const std::string text = ReadFile(logPath);
  for (const char* line : {"Begin unpack file.", "Failed unpack file.", "Finish unpack file.", "Write uninstall file.",
                           "Write uninstall bin.", "pBuffer("}) {
    const std::size_t at = text.find(line);
    ASSERT_NE(at, std::string::npos) << line;
    const std::size_t end = text.find('\n', at);
    EXPECT_EQ(text.substr(end, 2), "\n\n") << line;
  }
  GetLog()->Init(L"");
}

}  // namespace

namespace {

// What corvex-pack writes, the reader installs: programs stay runnable, the sidecar
// is the package's block.
TEST(PackRoundTrip, PackedProductInstallsRunnable) {
  ArchiveSandbox sandbox;
  const char* binaryDir = std::getenv("CORVEX_BINARY_DIR");
  ASSERT_NE(binaryDir, nullptr);
  std::string stub = std::string(binaryDir) + "/tools/product-stub/product-stub";
  std::string payload = sandbox.Path("payload");
  fs::create_directories(payload + "/data");
  fs::copy_file(stub, payload + "/Corvex64.exe");
  WriteFile(payload + "/README.txt", "read me\n");
  WriteFile(payload + "/data/filler.bin", NoiseBytes(300000, 2));
  std::string package = sandbox.Path("Corvex11_x64.exe");

  platform::ChildProcessRequest pack;
  pack.program = std::string(binaryDir) + "/tools/corvex-pack/corvex-pack";
  pack.argv = {pack.program, "--payload", payload,          "--uninstaller",   stub,
               "--output",   package,     "--display-name", "Corvex 11 (x64)", "--x64"};
  platform::ChildProcessResult packed = platform::RunChildProcess(pack);
  ASSERT_EQ(packed.exitCode, 0);

  EventLog log;
  std::wstring out = platform::NarrowToWide(sandbox.Path("opt/Corvex 11"));
  ASSERT_EQ(UnpackSetupPackage(platform::NarrowToWide(package).c_str(), log.Callback(), out.c_str(), true, true), S_OK);
  std::string folder = platform::WideToNarrow(out);
  EXPECT_EQ(ReadFile(folder + "/data/filler.bin"), ReadFile(payload + "/data/filler.bin"));
  for (const char* program : {"/Corvex64.exe", "/uninstall.exe"}) {
    EXPECT_EQ(ReadFile(folder + program), ReadFile(stub)) << program;
    EXPECT_NE(fs::status(folder + program).permissions() & fs::perms::owner_exec, fs::perms::none) << program;
  }
  PackageInfo info = EmptyPackageInfo();
  ASSERT_EQ(ReadPackageInfo(platform::NarrowToWide(package).c_str(), &info), S_OK);
  EXPECT_EQ(ReadFile(folder + "/uninstall.exe.bin"), std::string(reinterpret_cast<const char*>(&info), sizeof(info)));
  EXPECT_EQ(PackageInfoText(info.displayName), "Corvex 11 (x64)");
  EXPECT_EQ(info.is64Bit, 1);
}

}  // namespace

namespace {

// --info on foreign input: a folder is refused, and the block's text never reaches
// the terminal as raw control bytes.
TEST(PackInfo, RefusesFoldersAndEscapesControlBytes) {
  ArchiveSandbox sandbox;
  const std::string binaryDir = std::getenv("CORVEX_BINARY_DIR");
  const std::string pack = binaryDir + "/tools/corvex-pack/corvex-pack";
  const std::string stub = binaryDir + "/tools/product-stub/product-stub";
  auto run = [&](std::vector<std::string> arguments) {
    platform::ChildProcessRequest request;
    request.program = pack;
    request.argv = {pack};
    request.argv.insert(request.argv.end(), arguments.begin(), arguments.end());
    request.captureStdout = true;
    return platform::RunChildProcess(request);
  };
  fs::create_directories(sandbox.Path("payload"));
  WriteFile(sandbox.Path("payload/README.txt"), "read me\n");
  const std::string package = sandbox.Path("package.exe");
  ASSERT_EQ(run({"--payload", sandbox.Path("payload"), "--uninstaller", stub, "--output", package, "--display-name",
                 "\x1b]0;owned\x07\x1b[2J\xc2\x9b"
                 "Corvex \xe2\x9c\x93 \\ \xff"})
                .exitCode,
            0);

  const platform::ChildProcessResult info = run({"--info", package});
  ASSERT_EQ(info.exitCode, 0);
  EXPECT_NE(
      info.stdoutBytes.find("display name: \\x1B]0;owned\\x07\\x1B[2J\\xC2\\x9BCorvex \xe2\x9c\x93 \\x5C \\xFF\n"),
      std::string::npos)
      << info.stdoutBytes;
  for (const char c : info.stdoutBytes) {
    EXPECT_TRUE(c == '\n' || static_cast<unsigned char>(c) >= 0x20) << "raw byte " << static_cast<int>(c);
  }

  const platform::ChildProcessResult folder = run({"--info", sandbox.Path("payload")});
  EXPECT_EQ(folder.exitCode, 1);
  EXPECT_EQ(folder.stdoutBytes, "") << "nothing of a folder is printed";
}

}  // namespace
