#include "platform/registry.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <memory>

#include "platform/clock.h"
#include "platform/known_folders.h"
#include "platform/path.h"
#include "platform/text.h"

namespace platform {

namespace {

RegKey g_machineRoot{Hive::LocalMachine, ""};
RegKey g_userRoot{Hive::CurrentUser, ""};

constexpr int kBusyTimeoutMs = 10000;

std::string CanonicalKeyPath(const std::string& path) {
  std::string out;
  size_t i = 0;
  while (i < path.size()) {
    const size_t next = path.find('\\', i);
    const size_t end = next == std::string::npos ? path.size() : next;
    if (end > i) {
      if (!out.empty()) out += '\\';
      out.append(path, i, end - i);
    }
    if (next == std::string::npos) break;
    i = next + 1;
  }
  return out;
}

std::string ChildPath(const RegKey& parent, const std::string& subKey) {
  return CanonicalKeyPath(parent.path + "\\" + subKey);
}

void MakeFolderChain(const std::string& folder, bool forDesktopUser) {
  std::string prefix;
  size_t i = 0;
  while (i <= folder.size()) {
    const size_t next = folder.find('/', i);
    const size_t end = next == std::string::npos ? folder.size() : next;
    prefix = folder.substr(0, end);
    if (!prefix.empty() && ::mkdir(prefix.c_str(), 0755) == 0 && forDesktopUser) GiveToDesktopUser(prefix);
    if (next == std::string::npos) break;
    i = next + 1;
  }
}

enum class Access { Read, Write };

// One connection per call: the store stays consistent between processes, and no
// handle outlives the operation that needed it.
class Database {
 public:
  LONG Open(Hive hive, Access access) {
    const std::string path = RegistryDatabasePath(hive);
    if (path.empty()) return ERROR_CANTOPEN;
    // The user hive lies in the user's own folders: a link or anything but a regular
    // file at the store's names (its journal files included) is never opened.
    bool exists = false;
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
      struct stat info {};
      if (::lstat((path + suffix).c_str(), &info) != 0) continue;
      if (!S_ISREG(info.st_mode)) return ERROR_ACCESS_DENIED;
      if (*suffix == '\0') exists = true;
    }
    if (!exists) {
      if (access == Access::Read) return ERROR_FILE_NOT_FOUND;
      std::string folder = path;
      PathRemoveFileSpec(folder);
      MakeFolderChain(folder, hive == Hive::CurrentUser);
    }
    if (sqlite3_open_v2(path.c_str(), &db_,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX | SQLITE_OPEN_NOFOLLOW,
                        nullptr) != SQLITE_OK) {
      return ERROR_CANTOPEN;
    }
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
    // Root's machine store is read by the desktop user's side, which may not write it.
    if (sqlite3_db_readonly(db_, "main") == 1) return access == Access::Read ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
    if (!exists && hive == Hive::CurrentUser) GiveToDesktopUser(path);
    // A reader without write access cannot open a write-ahead log's shared index, so
    // the machine store keeps a rollback journal; the user's own store may use the log.
    const std::string schema =
        std::string(hive == Hive::LocalMachine ? "PRAGMA journal_mode=DELETE;" : "PRAGMA journal_mode=WAL;") +
        "CREATE TABLE IF NOT EXISTS keys(path TEXT PRIMARY KEY COLLATE NOCASE);"
        "CREATE TABLE IF NOT EXISTS vals(key TEXT COLLATE NOCASE, name TEXT COLLATE NOCASE, type INTEGER,"
        " data BLOB, PRIMARY KEY(key, name));";
    // Several processes meeting a fresh store race for its first write; changing the
    // journal mode does not always wait in the busy handler, so such races are retried.
    return ErrorFrom(RetryWhileBusy([&] { return sqlite3_exec(db_, schema.c_str(), nullptr, nullptr, nullptr); }));
  }

  template <typename Operation>
  static int RetryWhileBusy(Operation operation) {
    constexpr int kPauseMs = 5;
    const std::uint32_t start = GetTickCount();
    int rc = operation();
    while (IsBusy(rc) && GetTickCount() - start < static_cast<std::uint32_t>(kBusyTimeoutMs)) {
      ::usleep(kPauseMs * 1000);
      rc = operation();
    }
    return rc;
  }

  static bool IsBusy(int rc) { return (rc & 0xFF) == SQLITE_BUSY || (rc & 0xFF) == SQLITE_LOCKED; }

  ~Database() {
    if (db_) sqlite3_close_v2(db_);
  }

  static LONG ErrorFrom(int rc) {
    switch (rc & 0xFF) {
      case SQLITE_OK:
      case SQLITE_DONE:
      case SQLITE_ROW: return ERROR_SUCCESS;
      case SQLITE_BUSY:
      case SQLITE_LOCKED: return ERROR_LOCK_VIOLATION;
      case SQLITE_READONLY:
      case SQLITE_PERM: return ERROR_ACCESS_DENIED;
      case SQLITE_CANTOPEN: return ERROR_CANTOPEN;
      case SQLITE_NOTADB:
      case SQLITE_CORRUPT: return ERROR_BADDB;
      default: return ERROR_CANTWRITE;
    }
  }

  LONG Exec(const char* sql) {
    return ErrorFrom(RetryWhileBusy([&] { return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr); }));
  }

  sqlite3* get() const { return db_; }

 private:
  sqlite3* db_ = nullptr;
};

class Statement {
 public:
  Statement(sqlite3* db, const char* sql) { prepared_ = sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) == SQLITE_OK; }
  ~Statement() { sqlite3_finalize(stmt_); }
  bool ok() const { return prepared_; }
  int rc() const { return rc_; }
  Statement& Bind(int index, const std::string& text) {
    sqlite3_bind_text(stmt_, index, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    return *this;
  }
  Statement& Bind(int index, long long value) {
    sqlite3_bind_int64(stmt_, index, value);
    return *this;
  }
  Statement& BindBlob(int index, const void* data, int size) {
    sqlite3_bind_blob(stmt_, index, size ? data : "", size, SQLITE_TRANSIENT);
    return *this;
  }
  int Step() { return rc_ = sqlite3_step(stmt_); }
  std::string Text(int column) const {
    const auto* text = sqlite3_column_text(stmt_, column);
    return text ? reinterpret_cast<const char*>(text) : "";
  }
  long long Int(int column) const { return sqlite3_column_int64(stmt_, column); }
  std::string Blob(int column) const {
    const void* data = sqlite3_column_blob(stmt_, column);
    const int size = sqlite3_column_bytes(stmt_, column);
    return data ? std::string(static_cast<const char*>(data), static_cast<size_t>(size)) : std::string();
  }

 private:
  sqlite3_stmt* stmt_ = nullptr;
  bool prepared_ = false;
  int rc_ = SQLITE_OK;
};

bool KeyExists(sqlite3* db, const std::string& path) {
  if (path.empty()) return true;
  Statement query(db, "SELECT 1 FROM keys WHERE path = ?1");
  return query.ok() && query.Bind(1, path).Step() == SQLITE_ROW;
}

// Every key strictly below `path` (the root: every key).
const char* kBelowClause = "(?1 = '' OR (path > ?1 || '\\' AND path < ?1 || ']'))";

bool HasSubKeys(sqlite3* db, const std::string& path) {
  Statement query(db, (std::string("SELECT 1 FROM keys WHERE ") + kBelowClause + " LIMIT 1").c_str());
  return query.ok() && query.Bind(1, path).Step() == SQLITE_ROW;
}

bool IsValidHandle(HKEY key) { return key != nullptr; }

}  // namespace

HKEY RootKey(Hive hive) { return hive == Hive::LocalMachine ? &g_machineRoot : &g_userRoot; }

std::string RegistryDatabasePath(Hive hive) {
  if (hive == Hive::LocalMachine) return SystemPath("/var/lib/corvex/registry/machine.db");
  const std::string state = WideToNarrow(GetKnownFolder(KnownFolder::LocalState));
  if (state.empty()) return {};
  return PathJoin(state, "corvex/registry/user.db");
}

LONG RegCreateKeyEx(HKEY root, const std::string& subKey, HKEY* result, bool* created) {
  if (!IsValidHandle(root) || !result) return ERROR_INVALID_PARAMETER;
  Database db;
  if (LONG rc = db.Open(root->hive, Access::Write); rc != ERROR_SUCCESS) {
    // As for a user without rights on the machine hive: an existing key opens, no key is made.
    if (rc == ERROR_ACCESS_DENIED && RegOpenKeyEx(root, subKey, result) == ERROR_SUCCESS) {
      if (created) *created = false;
      return ERROR_SUCCESS;
    }
    return rc;
  }
  if (LONG rc = db.Exec("BEGIN IMMEDIATE"); rc != ERROR_SUCCESS) return rc;
  const std::string path = ChildPath(*root, subKey);
  bool wasCreated = false;
  size_t pos = 0;
  while (!path.empty()) {
    const size_t next = path.find('\\', pos);
    const std::string prefix = path.substr(0, next);
    Statement insert(db.get(), "INSERT OR IGNORE INTO keys(path) VALUES(?1)");
    if (!insert.ok() || insert.Bind(1, prefix).Step() != SQLITE_DONE) {
      const LONG rc = Database::ErrorFrom(insert.rc());
      db.Exec("ROLLBACK");
      return rc == ERROR_SUCCESS ? ERROR_CANTWRITE : rc;
    }
    wasCreated = sqlite3_changes(db.get()) > 0;
    if (next == std::string::npos) break;
    pos = next + 1;
  }
  if (LONG rc = db.Exec("COMMIT"); rc != ERROR_SUCCESS) {
    db.Exec("ROLLBACK");
    return rc;
  }
  *result = new RegKey{root->hive, path};
  if (created) *created = wasCreated;
  return ERROR_SUCCESS;
}

LONG RegOpenKeyEx(HKEY root, const std::string& subKey, HKEY* result) {
  if (!IsValidHandle(root) || !result) return ERROR_INVALID_PARAMETER;
  Database db;
  if (LONG rc = db.Open(root->hive, Access::Read); rc != ERROR_SUCCESS) return rc;
  const std::string path = ChildPath(*root, subKey);
  if (!KeyExists(db.get(), path)) return ERROR_FILE_NOT_FOUND;
  *result = new RegKey{root->hive, path};
  return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key) {
  if (!key) return ERROR_INVALID_HANDLE;
  if (key != &g_machineRoot && key != &g_userRoot) delete key;
  return ERROR_SUCCESS;
}

LONG RegSetValueEx(HKEY key, const std::string& valueName, DWORD type, const void* data, DWORD size) {
  if (!IsValidHandle(key) || (size > 0 && !data)) return ERROR_INVALID_PARAMETER;
  Database db;
  if (LONG rc = db.Open(key->hive, Access::Write); rc != ERROR_SUCCESS) return rc;
  if (LONG rc = db.Exec("BEGIN IMMEDIATE"); rc != ERROR_SUCCESS) return rc;
  if (!KeyExists(db.get(), key->path)) {
    db.Exec("ROLLBACK");
    return ERROR_KEY_DELETED;
  }
  Statement insert(db.get(), "INSERT OR REPLACE INTO vals(key, name, type, data) VALUES(?1, ?2, ?3, ?4)");
  insert.Bind(1, key->path).Bind(2, valueName).Bind(3, static_cast<long long>(type));
  insert.BindBlob(4, data, static_cast<int>(size));
  if (!insert.ok() || insert.Step() != SQLITE_DONE) {
    const LONG rc = Database::ErrorFrom(insert.rc());
    db.Exec("ROLLBACK");
    return rc == ERROR_SUCCESS ? ERROR_CANTWRITE : rc;
  }
  return db.Exec("COMMIT");
}

LONG RegQueryValueEx(HKEY key, const std::string& valueName, DWORD* type, void* data, DWORD* size) {
  if (!IsValidHandle(key) || (data && !size)) return ERROR_INVALID_PARAMETER;
  Database db;
  if (LONG rc = db.Open(key->hive, Access::Read); rc != ERROR_SUCCESS) return rc;
  if (!KeyExists(db.get(), key->path)) return ERROR_KEY_DELETED;
  Statement query(db.get(), "SELECT type, data FROM vals WHERE key = ?1 AND name = ?2");
  if (!query.ok()) return Database::ErrorFrom(query.rc());
  if (query.Bind(1, key->path).Bind(2, valueName).Step() != SQLITE_ROW) return ERROR_FILE_NOT_FOUND;
  const std::string bytes = query.Blob(1);
  if (type) *type = static_cast<DWORD>(query.Int(0));
  const DWORD needed = static_cast<DWORD>(bytes.size());
  if (data) {
    if (*size < needed) {
      *size = needed;
      return ERROR_MORE_DATA;
    }
    std::memcpy(data, bytes.data(), needed);
  }
  if (size) *size = needed;
  return ERROR_SUCCESS;
}

LONG RegDeleteValue(HKEY key, const std::string& valueName) {
  if (!IsValidHandle(key)) return ERROR_INVALID_PARAMETER;
  Database db;
  if (LONG rc = db.Open(key->hive, Access::Read); rc != ERROR_SUCCESS) return rc;
  Statement remove(db.get(), "DELETE FROM vals WHERE key = ?1 AND name = ?2");
  if (!remove.ok() || remove.Bind(1, key->path).Bind(2, valueName).Step() != SQLITE_DONE) {
    return Database::ErrorFrom(remove.rc());
  }
  return sqlite3_changes(db.get()) > 0 ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
}

namespace {

LONG DeleteKeyImpl(HKEY root, const std::string& subKey, bool withTree) {
  if (!IsValidHandle(root)) return ERROR_INVALID_PARAMETER;
  const std::string path = ChildPath(*root, subKey);
  if (path.empty()) return ERROR_ACCESS_DENIED;  // a hive's root is never deleted
  Database db;
  if (LONG rc = db.Open(root->hive, Access::Read); rc != ERROR_SUCCESS) return rc;
  if (LONG rc = db.Exec("BEGIN IMMEDIATE"); rc != ERROR_SUCCESS) return rc;
  auto fail = [&](LONG rc) {
    db.Exec("ROLLBACK");
    return rc;
  };
  if (!KeyExists(db.get(), path)) return fail(ERROR_FILE_NOT_FOUND);
  if (!withTree && HasSubKeys(db.get(), path)) return fail(ERROR_ACCESS_DENIED);
  for (const char* sql : {"DELETE FROM vals WHERE key = ?1 OR (key > ?1 || '\\' AND key < ?1 || ']')",
                          "DELETE FROM keys WHERE path = ?1 OR (path > ?1 || '\\' AND path < ?1 || ']')"}) {
    Statement remove(db.get(), sql);
    if (!remove.ok() || remove.Bind(1, path).Step() != SQLITE_DONE) return fail(ERROR_CANTWRITE);
  }
  return db.Exec("COMMIT");
}

}  // namespace

LONG RegDeleteKey(HKEY root, const std::string& subKey) { return DeleteKeyImpl(root, subKey, false); }
LONG RegDeleteTree(HKEY root, const std::string& subKey) { return DeleteKeyImpl(root, subKey, true); }

LONG RegEnumSubKeys(HKEY key, std::vector<std::string>& names) {
  names.clear();
  if (!IsValidHandle(key)) return ERROR_INVALID_PARAMETER;
  Database db;
  if (LONG rc = db.Open(key->hive, Access::Read); rc != ERROR_SUCCESS) return rc;
  if (!KeyExists(db.get(), key->path)) return ERROR_KEY_DELETED;
  Statement query(db.get(), (std::string("SELECT path FROM keys WHERE ") + kBelowClause + " ORDER BY path").c_str());
  query.Bind(1, key->path);
  const size_t skip = key->path.empty() ? 0 : key->path.size() + 1;
  while (query.ok() && query.Step() == SQLITE_ROW) {
    const std::string child = query.Text(0).substr(skip);
    if (child.find('\\') == std::string::npos) names.push_back(child);
  }
  return ERROR_SUCCESS;
}

LONG RegEnumValues(HKEY key, std::vector<RegValue>& values) {
  values.clear();
  if (!IsValidHandle(key)) return ERROR_INVALID_PARAMETER;
  Database db;
  if (LONG rc = db.Open(key->hive, Access::Read); rc != ERROR_SUCCESS) return rc;
  if (!KeyExists(db.get(), key->path)) return ERROR_KEY_DELETED;
  Statement query(db.get(), "SELECT name, type, data FROM vals WHERE key = ?1 ORDER BY rowid");
  query.Bind(1, key->path);
  while (query.ok() && query.Step() == SQLITE_ROW) {
    values.push_back(RegValue{query.Text(0), static_cast<DWORD>(query.Int(1)), query.Blob(2)});
  }
  return ERROR_SUCCESS;
}

}  // namespace platform
