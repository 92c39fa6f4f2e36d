// Files the installer writes in the desktop user's folders, met with a link (or a
// FIFO) that someone placed at their names: the thing behind it stays as it was.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/crash_dump.h"
#include "platform/entry_status.h"
#include "platform/path.h"
#include "platform/registry.h"
#include "sandbox.h"

using namespace platform;
using testing_support::Sandbox;

namespace {

// A file of root's outside the user's folders, and a link to it at `linkPath`.
std::string PlantLinkToRootFile(const Sandbox& sandbox, const std::string& linkPath, const std::string& content) {
  const std::string target = sandbox.root() + "/root-owned";
  Sandbox::WriteFile(target, content);
  std::string folder = linkPath;
  PathRemoveFileSpec(folder);
  std::filesystem::create_directories(folder);
  EXPECT_EQ(::symlink(target.c_str(), linkPath.c_str()), 0);
  return target;
}

}  // namespace

TEST(PlantedLinks, UserHiveBehindALinkIsRefusedWithAnError) {
  Sandbox sandbox;
  const std::string store = RegistryDatabasePath(Hive::CurrentUser);
  HKEY key = nullptr;
  // A link to a file root owns: an empty one that the store would happily fill.
  const std::string target = PlantLinkToRootFile(sandbox, store, "");
  EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "SOFTWARE\\Corvex", &key), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "SOFTWARE\\Corvex", &key), ERROR_ACCESS_DENIED);
  EXPECT_EQ(Sandbox::ReadFile(target), "");

  // A dangling link: the store must not create the file it points to.
  ::unlink(target.c_str());
  EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "SOFTWARE\\Corvex", &key), ERROR_ACCESS_DENIED);
  EXPECT_FALSE(PathFileExists(target));

  // The journal of a real store is no way in either.
  ::unlink(store.c_str());
  ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "SOFTWARE\\Corvex", &key), ERROR_SUCCESS);
  RegCloseKey(key);
  ::unlink((store + "-wal").c_str());
  const std::string walTarget = PlantLinkToRootFile(sandbox, store + "-wal", "root's own words\n");
  EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "SOFTWARE\\Corvex\\More", &key), ERROR_ACCESS_DENIED);
  EXPECT_EQ(Sandbox::ReadFile(walTarget), "root's own words\n");

  // The machine store is untouched by any of this.
  ASSERT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, "SOFTWARE\\Corvex", &key), ERROR_SUCCESS);
  RegCloseKey(key);
}

TEST(PlantedLinks, CrashDumpIsNotWrittenThroughALinkOrIntoAFifo) {
  Sandbox sandbox;
  PrepareCrashDump();
  const CrashContext context{11, nullptr, nullptr};
  const std::string dump = sandbox.documents() + "/Corvex 11/install.dmp";
  const std::string target = PlantLinkToRootFile(sandbox, dump, "root's own words\n");
  EXPECT_FALSE(WriteCrashDump(context, dump.c_str()));
  EXPECT_EQ(Sandbox::ReadFile(target), "root's own words\n");
  ::unlink(target.c_str());
  EXPECT_FALSE(WriteCrashDump(context, dump.c_str()));
  EXPECT_FALSE(PathFileExists(target));

  // A FIFO without a reader neither blocks the handler nor takes the dump.
  ::unlink(dump.c_str());
  ASSERT_EQ(::mkfifo(dump.c_str(), 0600), 0);
  EXPECT_FALSE(WriteCrashDump(context, dump.c_str()));

  // A plain file of an earlier crash is replaced whole.
  ::unlink(dump.c_str());
  Sandbox::WriteFile(dump, std::string(100000, 'x'));
  EXPECT_TRUE(WriteCrashDump(context, dump.c_str()));
  const std::string written = Sandbox::ReadFile(dump);
  EXPECT_EQ(written.rfind("corvex crash dump 1\nsignal 11 SIGSEGV\n", 0), 0u);
  EXPECT_EQ(written.find('x' + std::string(40, 'x')), std::string::npos);
}

// A link stands for itself, whatever it points at, and so does a dangling one; an
// entry of another user is not ours.
TEST(PlantedLinks, EntryStatusNeverLooksThroughALink) {
  Sandbox sandbox;
  const std::string folder = sandbox.root() + "/folder";
  const std::string file = folder + "/file";
  std::filesystem::create_directories(folder);
  Sandbox::WriteFile(file, "x");
  ASSERT_EQ(::symlink(folder.c_str(), (sandbox.root() + "/to-folder").c_str()), 0);
  ASSERT_EQ(::symlink(file.c_str(), (sandbox.root() + "/to-file").c_str()), 0);
  ASSERT_EQ(::symlink("/nowhere", (sandbox.root() + "/dangling").c_str()), 0);
  ASSERT_EQ(::mkfifo((sandbox.root() + "/fifo").c_str(), 0600), 0);

  EXPECT_EQ(ReadEntryStatus(folder).kind, EntryKind::kFolder);
  EXPECT_EQ(ReadEntryStatus(file).kind, EntryKind::kFile);
  EXPECT_TRUE(ReadEntryStatus(file).ownedByRootOrUs);
  for (const char* link : {"/to-folder", "/to-file", "/dangling"}) {
    EXPECT_EQ(ReadEntryStatus(sandbox.root() + link).kind, EntryKind::kLink) << link;
  }
  EXPECT_EQ(ReadEntryStatus(sandbox.root() + "/fifo").kind, EntryKind::kOther);
  EXPECT_EQ(ReadEntryStatus(sandbox.root() + "/missing").kind, EntryKind::kMissing);
  EXPECT_FALSE(ReadEntryStatus(sandbox.root() + "/missing").ownedByRootOrUs);

  ASSERT_EQ(::chown(file.c_str(), 65534, 65534), 0);
  EXPECT_EQ(ReadEntryStatus(file).kind, EntryKind::kFile);
  EXPECT_FALSE(ReadEntryStatus(file).ownedByRootOrUs);
}
