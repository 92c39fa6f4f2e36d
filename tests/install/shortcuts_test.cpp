#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <set>

#include "base/texts/ui_texts.h"
#include "external/vendor_config.h"
#include "install/shell_refresh.h"
#include "install/shortcuts.h"
#include "platform/desktop_entry.h"
#include "system_test_support.h"

using namespace base;
using namespace install;

namespace {

using testing_support::Sandbox;
namespace fs = std::filesystem;

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

// "Key=value" of a desktop entry, empty when absent.
std::string EntryValue(const std::string& path, const std::string& key) {
  const std::string text = Sandbox::ReadFile(path);
  const std::string prefix = "\n" + key + "=";
  const size_t at = text.find(prefix);
  if (at == std::string::npos) return {};
  const size_t start = at + prefix.size();
  return text.substr(start, text.find('\n', start) - start);
}

bool Validates(const std::string& path) {
  const std::string command = "desktop-file-validate '" + path + "' >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

class ShortcutsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ui_texts_detail::ResetForTesting();
    SetLanguage(L"Corvex", 0x0409, HostNameOf(GetVendorConfig().webSite));
    system_test::MakeFolders(desktop);
    system_test::MakeFolders(sandbox.home() + "/.local/share");
    system_test::MakeFolders(sandbox.root() + "/usr/local/share");
    system_test::MakeFolders(install);
  }
  void TearDown() override {
    ::unsetenv("XDG_DATA_HOME");
    ::unsetenv("SUDO_UID");
  }
  std::vector<std::string> EntriesBelow(const std::string& folder) {
    std::vector<std::string> found;
    std::error_code error;
    for (auto& item : fs::recursive_directory_iterator(folder, error)) {
      if (item.path().extension() == ".desktop") found.push_back(item.path());
    }
    return found;
  }

  Sandbox sandbox;
  std::string log = system_test::StartLog(sandbox);
  std::string desktop = sandbox.home() + "/Desktop";
  std::string userMenu = sandbox.home() + "/.local/share/applications/Corvex 11";
  std::string commonMenu = sandbox.root() + "/usr/local/share/applications/Corvex 11";
  std::string install = sandbox.root() + "/opt/Corvex 11";
};

TEST_F(ShortcutsTest, ProductSetIsCompleteValidAndLogged) {
  EXPECT_TRUE(CreateProductShortcuts(Wide(install), /*is64BitPackage=*/false, "1.0.0.1", /*wantDesktopPair=*/true));
  RefreshProductIcons();

  const std::string main = desktop + "/Corvex 11.desktop";
  const std::string mini = desktop + "/Corvex 11 Mini.desktop";
  const std::string qtlog = install + "/Corvex 11 QtLog.desktop";
  for (const std::string& menu : {userMenu, commonMenu}) {
    EXPECT_TRUE(fs::exists(menu + "/Corvex 11.desktop")) << menu;
    EXPECT_TRUE(fs::exists(menu + "/Corvex 11 Mini.desktop")) << menu;
    EXPECT_TRUE(fs::exists(menu + "/Uninstall Corvex.desktop")) << menu;
    EXPECT_TRUE(fs::exists(menu + "/Corvex Online.desktop")) << menu;
  }
  std::vector<std::string> all = EntriesBelow(sandbox.root());
  EXPECT_EQ(all.size(), 11u);
  for (const auto& path : all) EXPECT_TRUE(Validates(path)) << path << "\n" << Sandbox::ReadFile(path);

  // A link without an icon shows its target's.
  EXPECT_EQ(EntryValue(main, "Exec"), "\"" + install + "/Corvex.exe\"");
  EXPECT_EQ(EntryValue(main, "Icon"), install + "/Corvex.exe");
  EXPECT_EQ(EntryValue(main, "Path"), install);
  EXPECT_EQ(EntryValue(main, "Comment"), "Corvex 11Application");
  EXPECT_EQ(EntryValue(mini, "Exec"), "\"" + install + "/Corvex.exe\" --minimode");
  EXPECT_EQ(EntryValue(mini, "Icon"), install + "/CorvexMini.ico");
  EXPECT_EQ(EntryValue(qtlog, "Exec"), "\"" + install + "/Corvex.exe\" /QTLOG");
  EXPECT_EQ(EntryValue(qtlog, "Comment"), "Corvex 11 Application with qtlog mode");
  const std::string uninstall = userMenu + "/Uninstall Corvex.desktop";
  EXPECT_EQ(EntryValue(uninstall, "Exec"), "\"" + install + "/uninstall.exe\"");
  EXPECT_EQ(EntryValue(uninstall, "Comment"), "Corvex 11Uninstall Application");
  const std::string online = commonMenu + "/Corvex Online.desktop";
  EXPECT_EQ(EntryValue(online, "Type"), "Link");
  EXPECT_EQ(EntryValue(online, "URL"), "http://127.0.0.1:8610/?s=corvex11&v=1.0.0.1");
  EXPECT_EQ(EntryValue(online, "Comment"), "Corvex 11Homepage");
  EXPECT_EQ(EntryValue(online, "Exec"), "");

  // Desktop entries on the desktop start without a detour; menu entries need not.
  EXPECT_EQ(fs::status(main).permissions() & fs::perms::owner_exec, fs::perms::owner_exec);
  EXPECT_EQ(fs::status(uninstall).permissions() & fs::perms::owner_exec, fs::perms::none);

  const std::string text = Sandbox::ReadFile(log);
  size_t at = 0;
  for (const char* line :
       {"Create Icons for x86\n", "Create DESKTOP Icons Finish.\n", "Create START_MENU Icons Finish.\n",
        "Create COMMON_MENU Icons Finish.\n", "Refresh Icons Finish.\n"}) {
    at = text.find(line, at);
    EXPECT_NE(at, std::string::npos) << line;
  }
}

TEST_F(ShortcutsTest, SixtyFourBitNamesWithoutTheDesktopPair) {
  CreateProductShortcuts(Wide(install), /*is64BitPackage=*/true, "2.0", /*wantDesktopPair=*/false);

  EXPECT_TRUE(EntriesBelow(desktop).empty());
  EXPECT_EQ(Sandbox::ReadFile(log).find("DESKTOP"), std::string::npos);
  const std::string menu = sandbox.home() + "/.local/share/applications/Corvex 11 (x64)";
  EXPECT_EQ(EntryValue(menu + "/Corvex 11 Mini (x64).desktop", "Exec"), "\"" + install + "/Corvex64.exe\" --minimode");
  EXPECT_EQ(EntryValue(menu + "/Corvex 11 Mini (x64).desktop", "Icon"), install + "/CorvexMini64.ico");
  EXPECT_EQ(EntryValue(menu + "/Corvex Online.desktop", "URL"), "http://127.0.0.1:8610/?s=corvex11&p=x64&v=2.0");
  EXPECT_TRUE(fs::exists(install + "/Corvex 11 (x64) QtLog.desktop"));
  const std::vector<std::string> all = EntriesBelow(sandbox.root());
  EXPECT_EQ(all.size(), 9u);
  for (const auto& path : all) EXPECT_TRUE(Validates(path)) << path << "\n" << Sandbox::ReadFile(path);
}

TEST_F(ShortcutsTest, FailedUserMenuLookupSkipsOnlyItsFourLinks) {
  ::setenv("XDG_DATA_HOME", (sandbox.home() + "/missing/share").c_str(), 1);
  CreateProductShortcuts(Wide(install), false, "1.0.0.1", true);

  EXPECT_FALSE(fs::exists(sandbox.home() + "/missing"));
  EXPECT_EQ(EntriesBelow(commonMenu).size(), 4u);
  EXPECT_EQ(EntriesBelow(desktop).size(), 2u);
  EXPECT_TRUE(fs::exists(install + "/Corvex 11 QtLog.desktop"));
  EXPECT_NE(Sandbox::ReadFile(log).find("Create COMMON_MENU Icons Finish."), std::string::npos);
}

TEST_F(ShortcutsTest, DesktopUserWithoutAHomeGetsOnlyTheSystemLinks) {
  ::setenv("SUDO_UID", "65534", 1);  // nobody, whose home does not exist
  ::unsetenv("HOME");
  // The user's folders cannot be found: their links are skipped, which is no failure.
  EXPECT_TRUE(CreateProductShortcuts(Wide(install), false, "1.0.0.1", true));
  RefreshProductIcons();
  ::setenv("HOME", sandbox.home().c_str(), 1);

  EXPECT_TRUE(EntriesBelow(sandbox.home()).empty());
  EXPECT_EQ(EntriesBelow(commonMenu).size(), 4u);
  EXPECT_TRUE(fs::exists(install + "/Corvex 11 QtLog.desktop"));
  EXPECT_FALSE(fs::exists("/nonexistent"));
  EXPECT_NE(Sandbox::ReadFile(log).find("Refresh Icons Finish."), std::string::npos);
}

TEST_F(ShortcutsTest, LocationsForCreationAndDeletion) {
  const std::wstring target = Wide(install + "/Corvex.exe");
  const std::string work = sandbox.root() + "/work";
  system_test::MakeFolders(work);

  EXPECT_EQ(CreateShortcut(target.c_str(), Wide(work).c_str(), L"Five", 5, nullptr, nullptr, nullptr, nullptr), S_OK);
  EXPECT_TRUE(fs::exists(work + "/Five.desktop"));
  EXPECT_EQ(CreateShortcut(target.c_str(), nullptr, L"Seven", 7, nullptr, nullptr, nullptr, nullptr), S_OK);
  EXPECT_TRUE(fs::exists(desktop + "/Seven.desktop"));
  EXPECT_EQ(CreateShortcut(target.c_str(), nullptr, L"Five", 5, nullptr, nullptr, nullptr, nullptr), E_FAIL);
  EXPECT_EQ(CreateShortcut(nullptr, nullptr, L"X", 4, nullptr, nullptr, nullptr, nullptr), E_POINTER);
  EXPECT_EQ(CreateShortcut(target.c_str(), nullptr, nullptr, 4, nullptr, nullptr, nullptr, nullptr), E_POINTER);
  EXPECT_EQ(CreateShortcut(target.c_str(), nullptr, L"a/b", 4, nullptr, nullptr, nullptr, nullptr), E_FAIL);
  EXPECT_FALSE(CreateLink(target.c_str(), Wide(desktop).c_str(), Wide(std::string(250, 'n')).c_str(), nullptr, 0,
                          nullptr, nullptr, nullptr, 1));

  // Deletion reads every location above 3, 5 included, as the desktop.
  Sandbox::WriteFile(work + "/Seven.desktop", "x");
  EXPECT_TRUE(DeleteShortcutFile(5, L"Seven.desktop"));
  EXPECT_FALSE(fs::exists(desktop + "/Seven.desktop"));
  EXPECT_TRUE(fs::exists(work + "/Seven.desktop"));
  EXPECT_FALSE(DeleteShortcutFile(0, L"Seven.desktop"));  // no Quick Launch folder

  ASSERT_EQ(CreateShortcut(target.c_str(), nullptr, L"Menu", 2, L"Corvex 11", nullptr, nullptr, nullptr), S_OK);
  ASSERT_EQ(CreateShortcut(target.c_str(), nullptr, L"Menu", 3, L"Corvex 11", nullptr, nullptr, nullptr), S_OK);
  EXPECT_FALSE(DeleteShortcutFolder(2, L""));  // never the whole menu
  EXPECT_TRUE(fs::exists(userMenu + "/Menu.desktop"));
  EXPECT_TRUE(DeleteStartMenuFolders(L"Corvex 11"));
  EXPECT_FALSE(fs::exists(userMenu));
  EXPECT_FALSE(fs::exists(commonMenu));
  EXPECT_TRUE(fs::exists(sandbox.home() + "/.local/share/applications"));

  fs::remove_all(desktop);
  EXPECT_EQ(CreateShortcut(target.c_str(), nullptr, L"Gone", 4, nullptr, nullptr, nullptr, nullptr), E_FAIL);
}

TEST_F(ShortcutsTest, LinksInTheUsersFoldersBelongToTheUser) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root";
  ::setenv("SUDO_UID", "65534", 1);
  const std::wstring target = Wide(install + "/Corvex.exe");
  // A link planted where the shortcut goes is replaced, never written through.
  Sandbox::WriteFile(sandbox.root() + "/victim", "keep");
  fs::create_symlink(sandbox.root() + "/victim", desktop + "/Corvex 11.desktop");

  ASSERT_EQ(CreateShortcut(target.c_str(), nullptr, L"Corvex 11", 4, nullptr, nullptr, nullptr, nullptr), S_OK);
  ASSERT_EQ(CreateShortcut(target.c_str(), nullptr, L"Corvex 11", 2, L"Corvex 11", nullptr, nullptr, nullptr), S_OK);
  ASSERT_EQ(CreateShortcut(target.c_str(), nullptr, L"Corvex 11", 3, L"Corvex 11", nullptr, nullptr, nullptr), S_OK);

  struct stat st {};
  ASSERT_EQ(::lstat((desktop + "/Corvex 11.desktop").c_str(), &st), 0);
  EXPECT_TRUE(S_ISREG(st.st_mode));
  EXPECT_EQ(st.st_uid, 65534u);
  EXPECT_EQ(Sandbox::ReadFile(sandbox.root() + "/victim"), "keep");

  // The same for a planted sub-folder, on creation and on deletion.
  const std::string elsewhere = sandbox.root() + "/elsewhere";
  system_test::MakeFolders(elsewhere);
  Sandbox::WriteFile(elsewhere + "/precious", "keep");
  fs::create_symlink(elsewhere, desktop + "/Planted");
  EXPECT_EQ(CreateShortcut(target.c_str(), nullptr, L"X", 4, L"Planted", nullptr, nullptr, nullptr), E_FAIL);
  EXPECT_FALSE(fs::exists(elsewhere + "/X.desktop"));
  fs::create_symlink(elsewhere, sandbox.home() + "/.local/share/applications/Planted");
  EXPECT_TRUE(DeleteShortcutFolder(2, L"Planted"));
  EXPECT_EQ(Sandbox::ReadFile(elsewhere + "/precious"), "keep");
  EXPECT_FALSE(fs::exists(sandbox.home() + "/.local/share/applications/Planted"));
  ASSERT_EQ(::stat(userMenu.c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, 65534u);
  ASSERT_EQ(::stat((sandbox.home() + "/.local/share/applications").c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, 65534u);
  ASSERT_EQ(::stat((userMenu + "/Corvex 11.desktop").c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, 65534u);
  ASSERT_EQ(::stat((commonMenu + "/Corvex 11.desktop").c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, 0u);
}

TEST(DesktopEntryTest, ExecArgumentsAreQuotedAndStillValid) {
  EXPECT_EQ(platform::QuoteExecArgument("--minimode"), "--minimode");
  EXPECT_EQ(platform::QuoteExecArgument("/opt/Corvex 11/Corvex.exe"), "\"/opt/Corvex 11/Corvex.exe\"");
  EXPECT_EQ(platform::QuoteExecArgument("a\"b$c"), "\"a\\\"b\\$c\"");
  EXPECT_EQ(platform::QuoteExecArgument("100%"), "100%%");
  EXPECT_EQ(platform::QuoteExecArgument(""), "\"\"");

  Sandbox sandbox;
  platform::DesktopEntry entry;
  entry.name = " Odd\tname";
  entry.exec = {"/opt/x y/prog", "a\"b", "c\\d", "50%", "$HOME", "`x`"};
  entry.workingFolder = "/opt/x y";
  const std::string path = sandbox.root() + "/odd.desktop";
  ASSERT_TRUE(platform::WriteDesktopEntryFile(path, entry, false, std::nullopt));
  EXPECT_TRUE(Validates(path)) << Sandbox::ReadFile(path);
  EXPECT_EQ(EntryValue(path, "Exec"), R"("/opt/x y/prog" "a\\"b" "c\\\\d" 50%% "\\$HOME" "\\`x\\`")");
  EXPECT_EQ(EntryValue(path, "Name"), "\\sOdd\\tname");
  EXPECT_FALSE(platform::WriteDesktopEntryFile(sandbox.root() + "/missing/x.desktop", entry, false, std::nullopt));
}

class RefreshIconsTest : public ::testing::Test {
 protected:
  // Every text "Shell Icon Size" held while RefreshIcons ran, watched from a second thread.
  std::set<std::string> ValuesSeenDuringRefresh() {
    std::set<std::string> seen;
    std::atomic<bool> done{false};
    std::thread watcher([&] {
      while (!done) {
        auto value = system_test::ReadValue(HKEY_CURRENT_USER, kWindowMetricsKey, kShellIconSizeValue);
        if (value) seen.insert(value->data);
      }
    });
    RefreshIcons();
    done = true;
    watcher.join();
    return seen;
  }
  std::string Final() {
    auto value = system_test::ReadValue(HKEY_CURRENT_USER, kWindowMetricsKey, kShellIconSizeValue);
    return value && value->type == platform::REG_SZ ? value->data : "<missing>";
  }
  void Store(const std::string& text) {
    platform::HKEY key = nullptr;
    ASSERT_EQ(platform::RegCreateKeyEx(HKEY_CURRENT_USER, kWindowMetricsKey, &key), ERROR_SUCCESS);
    platform::RegSetValueEx(key, kShellIconSizeValue, platform::REG_SZ, text.c_str(), text.size() + 1);
    platform::RegCloseKey(key);
  }
  Sandbox sandbox;
};

TEST_F(RefreshIconsTest, AbsentValueBecomes33Then32) {
  const auto seen = ValuesSeenDuringRefresh();
  EXPECT_TRUE(seen.count("33"));
  EXPECT_EQ(Final(), "32");
}

TEST_F(RefreshIconsTest, StoredSizeComesBackAndNonsenseCountsAs32) {
  Store("48");
  const auto seen = ValuesSeenDuringRefresh();
  EXPECT_TRUE(seen.count("49"));
  EXPECT_EQ(Final(), "48");
  Store("-5");
  RefreshIcons();
  EXPECT_EQ(Final(), "32");
  Store("big");
  RefreshIcons();
  EXPECT_EQ(Final(), "32");
}

}  // namespace
