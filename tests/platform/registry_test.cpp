#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "platform/registry.h"
#include "sandbox.h"

using namespace platform;
using testing_support::Sandbox;

namespace {

LONG SetString(HKEY key, const std::string& name, const std::string& text) {
  return RegSetValueEx(key, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

std::string QueryString(HKEY key, const std::string& name) {
  char buffer[256] = {};
  DWORD size = sizeof buffer;
  return RegQueryValueEx(key, name, nullptr, buffer, &size) == ERROR_SUCCESS ? buffer : "<missing>";
}

}  // namespace

TEST(Registry, CreateOpenSetQueryWithWindowsSemantics) {
  Sandbox sandbox;
  HKEY key = nullptr;
  bool created = false;
  ASSERT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, "SOFTWARE\\Corvex\\Setup", &key, &created), ERROR_SUCCESS);
  EXPECT_TRUE(created);
  EXPECT_EQ(SetString(key, "InstallLocation", "/opt/Corvex 11"), ERROR_SUCCESS);
  const DWORD flag = 1;
  EXPECT_EQ(RegSetValueEx(key, "cfg_flag", REG_DWORD, &flag, 4), ERROR_SUCCESS);
  RegCloseKey(key);

  // Keys and value names compare without regard to case; extra separators do not matter.
  HKEY again = nullptr;
  ASSERT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, "software\\\\corvex\\setup\\", &again, &created), ERROR_SUCCESS);
  EXPECT_FALSE(created);
  EXPECT_EQ(QueryString(again, "installlocation"), "/opt/Corvex 11");

  DWORD type = 0, size = 0;
  EXPECT_EQ(RegQueryValueEx(again, "InstallLocation", &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(size, 15u);  // terminator included
  char small[4] = {'x', 'x', 'x', 'x'};
  size = sizeof small;
  EXPECT_EQ(RegQueryValueEx(again, "InstallLocation", nullptr, small, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 15u);
  EXPECT_EQ(small[0], 'x');  // untouched
  EXPECT_EQ(RegQueryValueEx(again, "nope", nullptr, small, &size), ERROR_FILE_NOT_FOUND);
  RegCloseKey(again);

  HKEY missing = nullptr;
  EXPECT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "SOFTWARE\\Nobody", &missing), ERROR_FILE_NOT_FOUND);
  // The two hives are separate stores.
  EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "SOFTWARE\\Corvex", &missing), ERROR_FILE_NOT_FOUND);
}

TEST(Registry, DeletingKeysAndTrees) {
  Sandbox sandbox;
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, "A\\B\\C", &key), ERROR_SUCCESS);
  SetString(key, "v", "1");
  HKEY sibling = nullptr;
  ASSERT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, "A\\B2", &sibling), ERROR_SUCCESS);
  SetString(sibling, "v", "keep");

  EXPECT_EQ(RegDeleteKey(HKEY_LOCAL_MACHINE, "A\\B"), ERROR_ACCESS_DENIED);  // has a sub-key
  EXPECT_EQ(RegDeleteTree(HKEY_LOCAL_MACHINE, "a\\b"), ERROR_SUCCESS);
  // A handle to a deleted key reports it instead of writing into nowhere.
  EXPECT_EQ(SetString(key, "v", "2"), ERROR_KEY_DELETED);
  RegCloseKey(key);
  EXPECT_EQ(RegDeleteKey(HKEY_LOCAL_MACHINE, "A\\B"), ERROR_FILE_NOT_FOUND);
  // "A\B2" shares a prefix with "A\B" but is not below it.
  EXPECT_EQ(QueryString(sibling, "v"), "keep");

  std::vector<std::string> children;
  HKEY a = nullptr;
  ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "A", &a), ERROR_SUCCESS);
  EXPECT_EQ(RegEnumSubKeys(a, children), ERROR_SUCCESS);
  EXPECT_EQ(children, std::vector<std::string>{"B2"});
  RegCloseKey(a);
  RegCloseKey(sibling);
}

TEST(Registry, SeveralProcessesWriteAtOnce) {
  Sandbox sandbox;
  constexpr int kProcesses = 4, kValues = 25;
  std::vector<pid_t> children;
  // Forked children make the registry calls themselves: the store must hold up against
  // other processes, not only other threads.
  for (int p = 0; p < kProcesses; ++p) {
    const pid_t pid = ::fork();
    if (pid == 0) {
      int failures = 0;
      for (int v = 0; v < kValues; ++v) {
        HKEY key = nullptr;
        failures += RegCreateKeyEx(HKEY_LOCAL_MACHINE, "Shared\\Key", &key) != ERROR_SUCCESS;
        failures += SetString(key, "p" + std::to_string(p) + "v" + std::to_string(v), "x") != ERROR_SUCCESS;
        RegCloseKey(key);
      }
      ::_exit(failures == 0 ? 0 : 1);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Shared\\Key", &key), ERROR_SUCCESS);
  std::vector<RegValue> values;
  RegEnumValues(key, values);
  EXPECT_EQ(values.size(), static_cast<size_t>(kProcesses * kValues));
  RegCloseKey(key);
}

TEST(Registry, DamagedOrMissingStoreGivesErrorCodes) {
  Sandbox sandbox;
  HKEY key = nullptr;
  // Reading from a store that was never written creates nothing.
  EXPECT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "X", &key), ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(std::ifstream(RegistryDatabasePath(Hive::LocalMachine)).good());

  ASSERT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, "X", &key), ERROR_SUCCESS);
  RegCloseKey(key);
  Sandbox::WriteFile(RegistryDatabasePath(Hive::LocalMachine), std::string(8192, 'z'));
  for (const char* wal : {"-wal", "-shm"}) ::unlink((RegistryDatabasePath(Hive::LocalMachine) + wal).c_str());
  EXPECT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, "X", &key), ERROR_BADDB);

  // A user without a home has no user store.
  ::setenv("HOME", "", 1);
  EXPECT_NE(RegCreateKeyEx(HKEY_CURRENT_USER, "X", &key), ERROR_SUCCESS);
}

TEST(Registry, LockedStoreReportsLockViolation) {
  Sandbox sandbox;
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, "L", &key), ERROR_SUCCESS);
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(RegistryDatabasePath(Hive::LocalMachine).c_str(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
  // Forked: the write comes from another process than the lock holder, as from a second installer.
  const pid_t pid = ::fork();
  if (pid == 0) {
    const DWORD one = 1;
    ::_exit(RegSetValueEx(key, "v", REG_DWORD, &one, 4) == ERROR_LOCK_VIOLATION ? 0 : 1);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(other);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  RegCloseKey(key);
}

// The desktop user's side reads what root's helper registered, and may not change it.
TEST(Registry, AnotherUserReadsTheMachineStoreButCannotWriteIt) {
  Sandbox sandbox;
  ::chmod(sandbox.root().c_str(), 0755);
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, "SOFTWARE\\Corvex", &key), ERROR_SUCCESS);
  ASSERT_EQ(SetString(key, "InstallLocation", "/opt/Corvex 11"), ERROR_SUCCESS);
  RegCloseKey(key);
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::setresgid(65534, 65534, 65534) != 0 || ::setresuid(65534, 65534, 65534) != 0) ::_exit(10);
    // Reads open keys with create-or-open: an existing key opens as on a system without admin rights.
    HKEY read = nullptr;
    if (RegCreateKeyEx(HKEY_LOCAL_MACHINE, "SOFTWARE\\Corvex", &read) != ERROR_SUCCESS) ::_exit(11);
    if (QueryString(read, "InstallLocation") != "/opt/Corvex 11") ::_exit(12);
    if (SetString(read, "InstallLocation", "/tmp/elsewhere") != ERROR_ACCESS_DENIED) ::_exit(13);
    RegCloseKey(read);
    HKEY created = nullptr;
    ::_exit(RegCreateKeyEx(HKEY_LOCAL_MACHINE, "SOFTWARE\\Other", &created) == ERROR_ACCESS_DENIED ? 0 : 14);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "10 drop, 11 open, 12 read, 13 write allowed, 14 create allowed";
  ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "SOFTWARE\\Corvex", &key), ERROR_SUCCESS);
  EXPECT_EQ(QueryString(key, "InstallLocation"), "/opt/Corvex 11");
  RegCloseKey(key);
}
