// The pieces under the extractor: the escape rules, the reading of the 7-Zip console,
// the folder helpers and the child process runner.

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "install/seven_zip_console.h"
#include "install/seven_zip_listing.h"
#include "install/seven_zip_path_check.h"
#include "platform/folder_tree.h"
#include "platform/path.h"
#include "test_archives.h"

using namespace install;

using namespace test_archives;

namespace {

ArchiveEntry File(const std::string& path) {
  ArchiveEntry entry;
  entry.path = path;
  entry.attributes = "A -rw-r--r--";
  return entry;
}
ArchiveEntry Link(const std::string& path, const std::string& target) {
  ArchiveEntry entry = File(path);
  entry.attributes = "A lrwxrwxrwx";
  entry.isLink = true;
  entry.linkTarget = target;
  return entry;
}

TEST(EscapeRules, RefusesWhatCouldLeaveTheFolder) {
  const std::vector<std::vector<ArchiveEntry>> refused = {
      {File("../x")},
      {File("a/../../x")},
      {File("a\\..\\x")},
      {File("/etc/x")},
      {File("C:/x")},
      {Link("lnk", "/etc")},
      {Link("lnk", "..")},
      {Link("a/b/lnk", "../../../x")},
      {Link("a/lnk", "x/../../y")},  // ".." after a name may pass through another link
      {Link("d", "."), File("d/x")},
      {File("d/x"), Link("d", "sub")},  // order does not matter
      {Link("lnk", "")},
  };
  for (const auto& entries : refused) {
    EXPECT_TRUE(FindEscapingEntry(entries).has_value()) << entries.back().path;
  }
  ArchiveEntry reparse = File("r");
  reparse.isReparsePoint = true;
  EXPECT_TRUE(FindEscapingEntry({reparse}).has_value());
  ArchiveEntry hardLink = File("h");
  hardLink.hardLinkTarget = "../outside";
  EXPECT_TRUE(FindEscapingEntry({hardLink}).has_value());
}

TEST(EscapeRules, AcceptsOrdinaryPayloads) {
  EXPECT_EQ(FindEscapingEntry({File("Corvex64.exe"), File("lib/x.so.1"), Link("lib/x.so", "x.so.1"),
                               Link("a/b/lnk", "../../lib/x.so.1"), Link("here", "./lib"), File("..name")}),
            std::nullopt);
}

TEST(TechnicalListing, ParsesItemsAfterTheSeparator) {
  ArchiveListing listing = ParseTechnicalListing({"Path = archive.7z",
                                                  "Type = 7z",
                                                  "",
                                                  "----------",
                                                  "Path = a = b.txt",
                                                  "Size = 12",
                                                  "Packed Size = ",
                                                  "Attributes = A -rw-r--r--",
                                                  "",
                                                  "Path = lnk",
                                                  "Size = 5",
                                                  "Attributes = A lrwxrwxrwx",
                                                  "",
                                                  "Path = t",
                                                  "Symbolic Link = x/y",
                                                  "Hard Link = ",
                                                  "Path = w",
                                                  "Attributes = AL",
                                                  "",
                                                  "Path = m",
                                                  "Attributes = lrwxrwxrwx",
                                                  ""});
  ASSERT_TRUE(listing.opened);
  ASSERT_EQ(listing.entries.size(), 5u);
  EXPECT_EQ(listing.entries[0].path, "a = b.txt");
  EXPECT_EQ(listing.entries[0].size, 12u);
  EXPECT_FALSE(listing.entries[0].isLink);
  EXPECT_TRUE(listing.entries[1].isLink);
  EXPECT_TRUE(listing.entries[2].isLink);
  EXPECT_EQ(listing.entries[2].linkTarget, "x/y");
  EXPECT_TRUE(listing.entries[3].isReparsePoint);
  EXPECT_TRUE(listing.entries[4].isLink);
  EXPECT_FALSE(listing.entries[4].isReparsePoint);

  EXPECT_FALSE(ParseTechnicalListing({"Path = junk", "ERROR: cannot open"}).opened);
}

// A link named "a\r" beside a file "a": each name is read exactly as the program lists
// it, so the link check sees the link, and the link's target is the link's own.
TEST(TechnicalListing, NamesEndingInACarriageReturnAreTheirOwn) {
  ArchiveSandbox sandbox;
  const std::string tree = sandbox.Path("trees/cr");
  WriteFile(tree + "/a", "plain");
  ASSERT_EQ(::symlink("../../outside", (tree + "/a\r").c_str()), 0);
  const std::string archive = sandbox.Path("cr.7z");
  SevenZip(tree, {"a", "-snl", "-bso0", "-bsp0", archive, "a", "a\r"});

  ArchiveListing listing = ListArchive(archive, std::string(), nullptr);
  ASSERT_TRUE(listing.opened);
  ASSERT_TRUE(ReadLinkTargets(archive, std::string(), listing));
  ASSERT_EQ(listing.entries.size(), 2u);
  const ArchiveEntry& file = listing.entries[0].path == "a" ? listing.entries[0] : listing.entries[1];
  const ArchiveEntry& link = listing.entries[0].path == "a" ? listing.entries[1] : listing.entries[0];
  EXPECT_EQ(file.path, "a");
  EXPECT_FALSE(file.isLink);
  EXPECT_EQ(link.path, "a\r");
  EXPECT_TRUE(link.isLink);
  EXPECT_EQ(link.linkTarget, "../../outside");
}

struct Recorder : I7zFileInfoCallback {
  std::vector<unsigned> progress;
  std::vector<int> errors;
  void OnProgress(std::uint32_t low, std::uint32_t) override { progress.push_back(low); }
  void OnError(int code) override { errors.push_back(code); }
};

TEST(ConsoleReader, TurnsOutputIntoHookCalls) {
  Recorder recorder;
  SevenZipConsoleReader reader({&recorder, ForwardSevenZipError, ForwardSevenZipProgress});
  for (const char* piece :
       {"  0M Scan", "  0%", "    ", " 12% 3 - a.bin", " 12% 4 - b.bin",
        "Enter password (will not be echoed):", "ERROR: Data Error in encrypted file. Wrong password? : a.bin",
        "ERROR: Data Error : b", "ERROR: CRC Failed : c", "100% 5", "Sub items Errors: 2", "Archives with Errors: 0",
        "Archives with Errors: 1", "Everything is Ok"}) {
    reader.OnPiece(piece);
  }
  reader.OnEnd(SevenZipEnd::Exited, 2);
  EXPECT_EQ(recorder.progress, (std::vector<unsigned>{12, 100}));
  EXPECT_EQ(recorder.errors, (std::vector<int>{260, 261, 261, 262, 2}));
  EXPECT_TRUE(reader.AskedForPassword());

  SevenZipConsoleReader nobody({nullptr, ForwardSevenZipError, ForwardSevenZipProgress});
  nobody.OnPiece("ERROR: Data Error : b");  // no receiver: nothing to call, no crash
}

TEST(ConsoleReader, FinalStatusCodes) {
  EXPECT_EQ(SevenZipStatusError(SevenZipEnd::Exited, 0), 0);
  EXPECT_EQ(SevenZipStatusError(SevenZipEnd::Exited, 1), 0);
  EXPECT_EQ(SevenZipStatusError(SevenZipEnd::Exited, 2), 2);
  EXPECT_EQ(SevenZipStatusError(SevenZipEnd::Exited, 7), 7);
  EXPECT_EQ(SevenZipStatusError(SevenZipEnd::Exited, 8), 8);
  EXPECT_EQ(SevenZipStatusError(SevenZipEnd::Exited, 255), 255);
  EXPECT_EQ(SevenZipStatusError(SevenZipEnd::Exited, 3), 2);
  EXPECT_EQ(SevenZipStatusError(SevenZipEnd::Signalled, 0), 255);
  EXPECT_EQ(SevenZipStatusError(SevenZipEnd::NotStarted, 0), 2);

  // A successful run completes its percentage even when the display never got there.
  Recorder recorder;
  SevenZipConsoleReader reader({&recorder, ForwardSevenZipError, ForwardSevenZipProgress});
  reader.OnPiece("  0%");
  reader.OnEnd(SevenZipEnd::Exited, 0);
  EXPECT_EQ(recorder.progress, std::vector<unsigned>{100});
  EXPECT_TRUE(recorder.errors.empty());
}

TEST(FolderTree, ChainsAndDeletionWithReadOnlyFiles) {
  ArchiveSandbox sandbox;
  std::string base = sandbox.Path("a/b/c/");
  EXPECT_TRUE(platform::CreateFolderChain(base));
  EXPECT_TRUE(platform::PathIsDirectory(base));
  EXPECT_TRUE(platform::PathIsDirectory(sandbox.Path("a/b")));
  EXPECT_FALSE(platform::CreateFolderChain("/" + std::string(260, 'x') + "/"));
  platform::CreateParentFolder(sandbox.Path("a/last"));  // the last element is not made
  EXPECT_FALSE(fs::exists(sandbox.Path("a/last")));
  EXPECT_FALSE(platform::PathIsDirectory("x"));

  // Read-only files and folders go; a link is removed, not followed.
  std::string victim = sandbox.Path("victim");
  WriteFile(victim + "/keep.txt", "keep");
  WriteFile(base + "ro.txt", "ro");
  ::chmod((base + "ro.txt").c_str(), 0444);
  fs::create_directory_symlink(victim, base + "link");
  ::chmod(base.c_str(), 0555);
  EXPECT_TRUE(platform::DeleteFolderTree(sandbox.Path("a/"), platform::ReadOnlyFiles::kDelete));
  EXPECT_FALSE(fs::exists(sandbox.Path("a")));
  EXPECT_EQ(ReadFile(victim + "/keep.txt"), "keep");

  fs::create_directory_symlink(victim, sandbox.Path("linked"));
  EXPECT_FALSE(platform::DeleteFolderTree(sandbox.Path("linked/"), platform::ReadOnlyFiles::kDelete));
  EXPECT_TRUE(fs::is_symlink(sandbox.Path("linked")));
  EXPECT_EQ(ReadFile(victim + "/keep.txt"), "keep");
}

TEST(ChildProcess, LinesStdinAndStatus) {
  platform::ChildProcessRequest request;
  request.program = "/bin/sh";
  request.argv = {"sh", "-c", "read answer; printf 'a\\bb\\nc'; echo \"[$answer]\" >&2; exit 3"};
  request.stdinText = "yes\n";
  request.lineBreaks = "\n\b";
  std::vector<std::pair<platform::ChildStream, std::string>> lines;
  request.onLine = [&](platform::ChildStream stream, std::string_view line) { lines.emplace_back(stream, line); };
  platform::ChildProcessResult result = platform::RunChildProcess(request);
  EXPECT_EQ(result.outcome, platform::ChildOutcome::Exited);
  EXPECT_EQ(result.exitCode, 3);
  using S = platform::ChildStream;
  std::vector<std::string> out, err;
  for (auto& [stream, line] : lines) (stream == S::Out ? out : err).push_back(line);
  EXPECT_EQ(out, (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(err, std::vector<std::string>{"[yes]"});

  request.program = "/nonexistent/program";
  EXPECT_EQ(platform::RunChildProcess(request).outcome, platform::ChildOutcome::NotStarted);

  request.program = "/bin/sh";
  request.argv = {"sh", "-c", "kill -9 $$"};
  request.stdinText = std::string(1 << 20, 'x');  // nobody reads it
  platform::ChildProcessResult killed = platform::RunChildProcess(request);
  EXPECT_EQ(killed.outcome, platform::ChildOutcome::Signalled);
  EXPECT_EQ(killed.signal, 9);
}

}  // namespace

namespace {

// The stand-in product logs how it was started, under the name it was copied to.
TEST(ProductStub, LogsItsNameAndArguments) {
  ArchiveSandbox sandbox;
  const char* binaryDir = std::getenv("CORVEX_BINARY_DIR");
  ASSERT_NE(binaryDir, nullptr);
  std::string program = sandbox.Path("Corvex 11/Corvex64.exe");
  fs::create_directories(sandbox.Path("Corvex 11"));
  fs::copy_file(std::string(binaryDir) + "/tools/product-stub/product-stub", program);

  platform::ChildProcessRequest request;
  request.program = program;
  request.argv = {program, "/install", "/ID:0123", " /time:5 "};
  platform::ChildProcessResult result = platform::RunChildProcess(request);
  EXPECT_EQ(result.outcome, platform::ChildOutcome::Exited);
  EXPECT_EQ(result.exitCode, 0);
  request.argv = {program, " --installmode"};
  platform::RunChildProcess(request);

  EXPECT_EQ(ReadFile(sandbox.Path("Corvex 11/product-stub.log")),
            "Corvex64.exe\t/install\t/ID:0123\t /time:5 \nCorvex64.exe\t --installmode\n");
}

}  // namespace
