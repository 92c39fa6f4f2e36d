// Extraction through C7ZOperator with the real 7-Zip program.

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "install/seven_zip_callback.h"
#include "install/seven_zip_extractor.h"
#include "install/seven_zip_handler.h"
#include "install/seven_zip_header_ranges.h"
#include "platform/clock.h"
#include "test_archives.h"

using namespace base;
using namespace install;

using namespace test_archives;

namespace {

class ExtractTest : public ::testing::Test {
 protected:
  std::string MakeArchive(const std::string& name, std::vector<std::string> extra = {}) {
    std::string tree = sandbox.Path("trees/" + name);
    MakeSampleTree(tree);
    return PackFolder(tree, sandbox.Path(name + ".7z"), extra);
  }
  bool Extract(const std::string& archive, const std::string& out, const char* password = nullptr,
               bool removeTemp = true) {
    C7ZOperator extractor;
    extractor.SetProgressCallback(log.Callback());
    return extractor.Extract(archive.data(), static_cast<std::uint32_t>(archive.size()), out.c_str(), password,
                             removeTemp);
  }
  std::vector<std::string> TempEntries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(sandbox.temp())) names.push_back(entry.path().filename());
    return names;
  }

  ArchiveSandbox sandbox;
  EventLog log;
};

TEST_F(ExtractTest, ExtractsAndReportsOnlyPercentagesFromOneToHundred) {
  std::string tree = sandbox.Path("trees/big");
  WriteFile(tree + "/big.bin", NoiseBytes(24 << 20, 3));
  std::string archive = PackFolder(tree, sandbox.Path("big.7z"), {"-mx=1"});
  std::string out = sandbox.Path("out");

  EXPECT_TRUE(Extract(archive, out));

  EXPECT_EQ(ReadFile(out + "/big.bin"), ReadFile(tree + "/big.bin"));
  EXPECT_TRUE(log.Codes(kInstallEventExtractError).empty());
  std::vector<unsigned> percents = log.Codes(kInstallEventExtractPercent);
  ASSERT_FALSE(percents.empty());
  for (unsigned p : percents) {
    EXPECT_GE(p, 1u);
    EXPECT_LE(p, 100u);
  }
  EXPECT_EQ(percents.back(), 100u);
  for (const Event& e : log.events) EXPECT_EQ(e.value, 0);
  // The temporary folder of the run is gone.
  EXPECT_TRUE(TempEntries().empty());
}

TEST_F(ExtractTest, KeepsTheStagedArchiveWhenAsked) {
  std::string archive = MakeArchive("keep");
  EXPECT_TRUE(Extract(archive, sandbox.Path("out"), nullptr, false));

  std::vector<std::string> entries = TempEntries();
  ASSERT_EQ(entries.size(), 1u);
  std::string unique = sandbox.temp() + entries[0];
  EXPECT_EQ(ReadFile(unique + "/corvex_7z/Vex7ZFile.7z"), archive);
  struct stat info {};
  ASSERT_EQ(::lstat(unique.c_str(), &info), 0);
  EXPECT_TRUE(S_ISDIR(info.st_mode));
  EXPECT_EQ(info.st_mode & 0777, 0700u);
}

// Names of the coming ticks prepared by someone else, as links to a folder of theirs:
// none is used or followed, the run takes a later tick.
TEST_F(ExtractTest, SkipsTickFolderNamesThatAlreadyExist) {
  std::string archive = MakeArchive("tick");
  std::string victim = sandbox.Path("victim");
  fs::create_directories(victim);
  std::uint32_t now = platform::GetTickCount();
  std::vector<std::string> planted;
  for (std::uint32_t tick = now; tick < now + 1500; ++tick) {
    char name[32];
    std::snprintf(name, sizeof(name), "%x", tick);
    fs::create_directory_symlink(victim, sandbox.temp() + name);
    planted.push_back(name);
  }

  EXPECT_TRUE(Extract(archive, sandbox.Path("out"), nullptr, false));

  EXPECT_TRUE(fs::is_empty(victim));
  std::vector<std::string> entries = TempEntries();
  ASSERT_EQ(entries.size(), planted.size() + 1);
  for (const std::string& name : entries) {
    if (std::find(planted.begin(), planted.end(), name) != planted.end()) continue;
    EXPECT_TRUE(fs::is_regular_file(sandbox.temp() + name + "/corvex_7z/Vex7ZFile.7z")) << name;
    EXPECT_FALSE(fs::is_symlink(sandbox.temp() + name));
  }
  EXPECT_TRUE(fs::exists(sandbox.Path("out/README.txt")));
}

TEST_F(ExtractTest, PasswordArchiveWithoutPasswordReportsAndFails) {
  std::string archive = MakeArchive("secret", {"-psecret"});

  // An empty password is no password: the archive asks for one.
  EXPECT_FALSE(Extract(archive, sandbox.Path("out"), ""));

  std::vector<unsigned> errors = log.Codes(kInstallEventExtractError);
  ASSERT_GE(errors.size(), 3u);
  EXPECT_EQ(errors.front(), 260u);
  EXPECT_EQ(std::count(errors.begin(), errors.end(), 260u), 1);
  EXPECT_EQ(std::count(errors.begin(), errors.end(), 261u), 3);  // each of the three files
  EXPECT_EQ(errors[errors.size() - 2], 262u);
  EXPECT_EQ(errors.back(), 2u);
}

TEST_F(ExtractTest, PasswordArchiveWithItsPassword) {
  std::string archive = MakeArchive("secret", {"-psecret"});
  EXPECT_TRUE(Extract(archive, sandbox.Path("out"), "secret"));
  EXPECT_TRUE(log.Codes(kInstallEventExtractError).empty());
  EXPECT_EQ(ReadFile(sandbox.Path("out/README.txt")), "read me\n");
}

// Header-encrypted without a password: nothing can be listed, so nothing is extracted
// and the run is a failure, not a success with an empty folder.
TEST_F(ExtractTest, ArchiveThatCannotBeOpenedFails) {
  std::string archive = MakeArchive("hidden", {"-psecret", "-mhe=on"});
  EXPECT_FALSE(Extract(archive, sandbox.Path("out")));
  std::vector<unsigned> errors = log.Codes(kInstallEventExtractError);
  EXPECT_EQ(errors, (std::vector<unsigned>{260u, 2u}));

  log.events.clear();
  std::string junk = NoiseBytes(5000, 1);
  EXPECT_FALSE(Extract(junk, sandbox.Path("out2")));
  EXPECT_EQ(log.Codes(kInstallEventExtractError), std::vector<unsigned>{2u});
  EXPECT_FALSE(fs::exists(sandbox.Path("out2")));
}

TEST_F(ExtractTest, CorruptDataIsReportedPerItem) {
  std::string tree = sandbox.Path("trees/corrupt");
  WriteFile(tree + "/a.txt", std::string(300000, 'a') + NoiseBytes(300000, 5));
  std::string archive = PackFolder(tree, sandbox.Path("c.7z"), {"-mx=1"});
  for (size_t i = 2000; i < 2100; ++i) archive[i] = static_cast<char>(archive[i] ^ 0x55);

  EXPECT_FALSE(Extract(archive, sandbox.Path("out")));
  EXPECT_EQ(log.Codes(kInstallEventExtractError), (std::vector<unsigned>{261u, 262u, 2u}));
  EXPECT_TRUE(TempEntries().empty()) << "a failed run leaves no staging folder";
}

TEST_F(ExtractTest, UnwritableTemporaryFolderIsStagingFailure) {
  std::string notAFolder = sandbox.Path("file");
  WriteFile(notAFolder, "x");
  ::setenv("TMPDIR", notAFolder.c_str(), 1);
  std::string archive = MakeArchive("staging");

  EXPECT_FALSE(Extract(archive, sandbox.Path("out")));
  EXPECT_EQ(log.events, (std::vector<Event>{{kInstallEventExtractError, 263, 0}}));

  C7ZExtractor noBuffer(nullptr);
  EXPECT_FALSE(noBuffer.ExtractBuffer(nullptr, 0, "/tmp", nullptr, true));
}

TEST_F(ExtractTest, SquattedTickNamesInTheTemporaryFolderNeitherStallNorReceiveTheArchive) {
  std::string archive = MakeArchive("squatted");
  // Another user's names for every tick of the next 20 seconds, as links to a folder
  // of theirs that anyone may write to.
  const std::string squatter = sandbox.Path("squatter");
  fs::create_directories(squatter);
  ::chmod(squatter.c_str(), 0777);
  constexpr std::uint32_t kSquattedTicks = 20000;
  const std::uint32_t first = platform::GetTickCount();
  for (std::uint32_t tick = first; tick != first + kSquattedTicks; ++tick) {
    char name[16];
    std::snprintf(name, sizeof name, "/%x", tick);
    ASSERT_EQ(::symlink(squatter.c_str(), (sandbox.temp() + name).c_str()), 0);
  }
  const std::uint32_t start = platform::GetTickCount();
  ASSERT_LT(start - first, kSquattedTicks / 2) << "the machine is too slow for this test";

  EXPECT_TRUE(Extract(archive, sandbox.Path("out")));
  EXPECT_LT(platform::GetTickCount() - start, kSquattedTicks / 4);
  EXPECT_EQ(ReadFile(sandbox.Path("out/README.txt")), "read me\n");
  EXPECT_TRUE(fs::is_empty(squatter));
  EXPECT_EQ(TempEntries().size(), kSquattedTicks) << "the staging folder of another name is removed too";
}

// The archive as a payload between other bytes of a file, staged by a kernel copy.
class FileRangeTest : public ExtractTest {
 protected:
  void SetUp() override {
    archive = MakeArchive("range");
    WriteFile(sandbox.Path("package.bin"), std::string(kBlock, 'b') + archive + "trailer");
    package = std::fopen(sandbox.Path("package.bin").c_str(), "rb");
    ASSERT_NE(package, nullptr);
  }
  void TearDown() override {
    if (package) std::fclose(package);
  }
  bool ExtractRange(std::uint64_t offset, std::uint64_t size, const std::string& out, bool removeTemp = true) {
    C7ZOperator extractor;
    extractor.SetProgressCallback(log.Callback());
    return extractor.ExtractFileRange(package, offset, static_cast<std::uint32_t>(size), out.c_str(), nullptr,
                                      removeTemp);
  }

  static constexpr long kBlock = 4096;
  std::string archive;
  std::FILE* package = nullptr;
};

// A package nobody else can change is read in place through a link in the private
// folder; one that others could change, or where the program would find another
// archive first, is copied. Either way nothing is left, and the package is untouched.
TEST_F(FileRangeTest, ReadsThePackageInPlaceOnlyWhenNobodyElseCanChangeIt) {
  const std::string packagePath = sandbox.Path("package.bin");
  const std::string packageBytes = ReadFile(packagePath);
  auto stagedFile = [&](const char* name) {
    std::vector<std::string> entries = TempEntries();
    return entries.size() == 1 ? sandbox.temp() + entries[0] + "/corvex_7z/" + name : std::string();
  };
  struct stat packageInfo {
  }, info{};
  ASSERT_EQ(::chmod(packagePath.c_str(), 0644), 0);
  ASSERT_EQ(::stat(packagePath.c_str(), &packageInfo), 0);

  ASSERT_EQ(std::fseek(package, 10, SEEK_SET), 0);
  EXPECT_TRUE(ExtractRange(kBlock, archive.size(), sandbox.Path("linked"), false));
  EXPECT_EQ(std::ftell(package), 10);  // the caller's stream is not moved
  ASSERT_EQ(::lstat(stagedFile("Vex7ZPackage").c_str(), &info), 0) << "an unchangeable package is linked";
  EXPECT_EQ(info.st_ino, packageInfo.st_ino);
  EXPECT_EQ(ReadFile(sandbox.Path("linked/lib/data.bin")), ReadFile(sandbox.Path("trees/range/lib/data.bin")));
  fs::remove_all(fs::path(stagedFile("Vex7ZPackage")).parent_path().parent_path());

  EXPECT_TRUE(ExtractRange(kBlock, archive.size(), sandbox.Path("out")));
  EXPECT_TRUE(log.Codes(kInstallEventExtractError).empty());
  EXPECT_TRUE(TempEntries().empty());
  EXPECT_EQ(ReadFile(packagePath), packageBytes);

  ASSERT_EQ(::chmod(packagePath.c_str(), 0664), 0);
  EXPECT_TRUE(ExtractRange(kBlock, archive.size(), sandbox.Path("copied"), false));
  const std::string copy = stagedFile("Vex7ZFile.7z");
  ASSERT_EQ(::lstat(copy.c_str(), &info), 0) << "a group-writable package is copied";
  EXPECT_NE(info.st_ino, packageInfo.st_ino);
  EXPECT_EQ(info.st_mode & 0077, 0u);
  EXPECT_EQ(ReadFile(copy), archive);
  fs::remove_all(fs::path(copy).parent_path().parent_path());

  // Another archive in front of the payload: the program would open that one.
  WriteFile(sandbox.Path("trees/decoy/decoy.txt"), "not the payload");
  const std::string decoy = PackFolder(sandbox.Path("trees/decoy"), sandbox.Path("decoy.7z"));
  const std::string decoyPackage = sandbox.Path("decoy-package.bin");
  WriteFile(decoyPackage, decoy + std::string(kBlock, 'b') + archive);
  ASSERT_EQ(::chmod(decoyPackage.c_str(), 0644), 0);
  std::fclose(package);
  package = std::fopen(decoyPackage.c_str(), "rb");
  ASSERT_NE(package, nullptr);
  EXPECT_TRUE(ExtractRange(decoy.size() + kBlock, archive.size(), sandbox.Path("payload")));
  EXPECT_TRUE(fs::exists(sandbox.Path("payload/lib/data.bin")));
  EXPECT_FALSE(fs::exists(sandbox.Path("payload/decoy.txt")));
  EXPECT_TRUE(TempEntries().empty());
}

// A range that runs past the end of the file is refused before anything is staged or
// extracted, and leaves nothing behind.
TEST_F(FileRangeTest, RangeBeyondTheFileIsStagingFailure) {
  const std::uint64_t fileSize = kBlock + archive.size() + 7;
  for (auto [offset, size] :
       {std::pair<std::uint64_t, std::uint64_t>{kBlock, fileSize - kBlock + 1}, {fileSize + 1, 0}, {fileSize, 1}}) {
    log.events.clear();
    std::string out = sandbox.Path("out");
    EXPECT_FALSE(ExtractRange(offset, size, out)) << offset << "+" << size;
    EXPECT_EQ(log.events, (std::vector<Event>{{kInstallEventExtractError, 263, 0}}));
    EXPECT_FALSE(fs::exists(out));
    EXPECT_TRUE(TempEntries().empty());
  }
  C7ZExtractor noFile(nullptr);
  EXPECT_FALSE(noFile.ExtractFileRange(nullptr, 0, 0, "/tmp", nullptr, true));
}

// The listing that runs while the archive is staged reads a copy holding only the
// header ranges; it must list exactly what the whole archive lists.
class HeaderCopyTest : public ExtractTest {
 protected:
  static std::vector<ArchiveByteRange> Ranges(const std::string& archive) {
    return SevenZipHeaderRanges(
        [&](std::uint64_t offset, void* out, std::size_t length) {
          if (offset > archive.size() || length > archive.size() - offset) return false;
          std::memcpy(out, archive.data() + offset, length);
          return true;
        },
        archive.size());
  }
  std::string HeaderCopy(const std::string& archive, const std::string& name) {
    std::string copy(archive.size(), '\0');
    for (const ArchiveByteRange& range : Ranges(archive))
      copy.replace(range.offset, range.length, archive, range.offset, range.length);
    const std::string path = sandbox.Path(name);
    WriteFile(path, copy);
    return path;
  }
  static std::vector<std::string> Listed(const ArchiveCheck& check) {
    std::vector<std::string> rows;
    for (const ArchiveEntry& entry : check.listing.entries)
      rows.push_back(entry.path + "|" + entry.attributes + "|" + std::to_string(entry.size));
    return rows;
  }
};

TEST_F(HeaderCopyTest, ListsLikeTheWholeArchiveForEveryHeaderKind) {
  const std::vector<std::pair<std::string, std::vector<std::string>>> kinds = {
      {"packed", {}}, {"plain", {"-mhc=off"}}, {"encrypted", {"-psecret", "-mhe=on"}}, {"solid", {"-ms=on", "-mx=9"}}};
  for (const auto& [name, switches] : kinds) {
    SCOPED_TRACE(name);
    const std::string archive = MakeArchive(name, switches);
    ASSERT_FALSE(Ranges(archive).empty());
    const std::string password = name == "encrypted" ? "-psecret" : "";
    const ArchiveCheck whole = ListForCheck(sandbox.Path(name + ".7z"), password);
    const ArchiveCheck early = ListForCheck(HeaderCopy(archive, name + ".header.7z"), password);
    ASSERT_TRUE(whole.Clean());
    EXPECT_TRUE(early.Clean());
    EXPECT_EQ(Listed(early), Listed(whole));
    EXPECT_FALSE(Listed(whole).empty());
  }
}

TEST_F(HeaderCopyTest, DamagedOrForeignArchivesGetNoShortcut) {
  std::string archive = MakeArchive("damaged");
  ASSERT_FALSE(Ranges(archive).empty());
  std::string startDamaged = archive;
  startDamaged[14] ^= 1;  // the next header's offset, under the start header's CRC
  EXPECT_TRUE(Ranges(startDamaged).empty());
  std::string headerDamaged = archive;
  headerDamaged[headerDamaged.size() - 3] ^= 1;  // inside the next header
  EXPECT_TRUE(Ranges(headerDamaged).empty());
  EXPECT_TRUE(Ranges(archive.substr(0, archive.size() - 1)).empty());
  EXPECT_TRUE(Ranges(std::string(4096, 'x')).empty());
}

// Archives that would put something outside the output folder, extracted into a folder
// that exists and so under confinement, and with the listing check. 7-Zip itself
// rewrites some of these; none of them is extracted at all.
class EscapeTest : public ExtractTest, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    ExtractTest::SetUp();
    if (!Confined()) ::setenv("CORVEX_EXTRACT_NO_LANDLOCK", "1", 1);
  }
  void TearDown() override {
    ::unsetenv("CORVEX_EXTRACT_NO_LANDLOCK");
    ExtractTest::TearDown();
  }
  bool Confined() const { return GetParam(); }

  void ExpectRefused(const std::string& archive) {
    std::string out = sandbox.Path("box/out");
    if (Confined()) fs::create_directories(out);  // as the install's fresh folder
    EXPECT_FALSE(Extract(archive, out));
    std::vector<std::string> left;
    for (const auto& entry : fs::recursive_directory_iterator(sandbox.Path("box"))) {
      if (entry.path() != out && entry.path().string().rfind(out + "/", 0) != 0) left.push_back(entry.path());
    }
    EXPECT_TRUE(left.empty()) << left.front();
    if (!Confined()) {
      EXPECT_FALSE(fs::exists(out));
    }
    EXPECT_TRUE(TempEntries().empty());
  }
  std::string Tree(const std::string& name) {
    std::string tree = sandbox.Path("trees/" + name);
    WriteFile(tree + "/ok.txt", "ok");
    fs::create_directories(sandbox.Path("box"));
    return tree;
  }
};

INSTANTIATE_TEST_SUITE_P(BothGuards, EscapeTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Confined" : "ListedFirst"; });

TEST_P(EscapeTest, ParentFolderPath) {
  std::string tree = Tree("dotdot");
  std::string archive = sandbox.Path("dotdot.7z");
  PackFolder(tree, archive);
  SevenZip(tree, {"rn", "-bso0", archive, "ok.txt", "../escaped.txt"});
  ExpectRefused(ReadFile(archive));
}

TEST_P(EscapeTest, AbsolutePath) {
  std::string tree = Tree("absolute");
  std::string archive = sandbox.Path("absolute.7z");
  SevenZip(tree, {"a", "-bso0", "-spf", archive, tree + "/ok.txt"});
  ExpectRefused(ReadFile(archive));
}

TEST_P(EscapeTest, LinkToAnAbsolutePath) {
  std::string tree = Tree("abslink");
  fs::create_symlink(sandbox.Path("box"), tree + "/lnk");
  ExpectRefused(PackFolder(tree, sandbox.Path("abslink.7z"), {"-snl"}));
}

TEST_P(EscapeTest, RelativeLinkClimbingOut) {
  std::string tree = Tree("rellink");
  fs::create_directories(tree + "/sub");
  fs::create_symlink("../../box", tree + "/sub/lnk");
  ExpectRefused(PackFolder(tree, sandbox.Path("rellink.7z"), {"-snl"}));
}

TEST_P(EscapeTest, FileBelowALink) {
  std::string tree = Tree("below");
  fs::create_symlink(".", tree + "/d");
  std::string archive = sandbox.Path("below.7z");
  PackFolder(tree, archive, {"-snl"});
  SevenZip(tree, {"rn", "-bso0", archive, "ok.txt", "d/ok.txt"});
  ExpectRefused(ReadFile(archive));
}

TEST_P(EscapeTest, LinksThatStayInsideAreExtracted) {
  std::string tree = Tree("inside");
  WriteFile(tree + "/lib/libx.so.1", "lib");
  fs::create_symlink("libx.so.1", tree + "/lib/libx.so");
  fs::create_symlink("lib", tree + "/here");
  std::string out = sandbox.Path("box/out");
  if (Confined()) fs::create_directories(out);

  EXPECT_TRUE(Extract(PackFolder(tree, sandbox.Path("inside.7z"), {"-snl"}), out));

  EXPECT_TRUE(log.Codes(kInstallEventExtractError).empty());
  EXPECT_EQ(fs::read_symlink(out + "/lib/libx.so"), "libx.so.1");
  EXPECT_EQ(ReadFile(out + "/here/libx.so"), "lib");
}

}  // namespace
