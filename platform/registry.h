// The registry store: a Windows-style registry on SQLite, one database per hive
// (machine: <root>/var/lib/corvex/registry/machine.db, user: the desktop user's
// ~/.local/state/corvex/registry/user.db). Keys are '\' paths compared without regard
// to ASCII case; values are REG_SZ or REG_DWORD. Every call opens the database,
// works in one transaction and closes it again, so several processes may use the
// store at once. Results are Windows error codes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win_types.h"

namespace platform {

enum class Hive { LocalMachine, CurrentUser };

inline constexpr DWORD REG_NONE = 0;
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_BINARY = 3;
inline constexpr DWORD REG_DWORD = 4;

// An open key: the hive and the key's canonical path (no leading or trailing '\').
// A root handle has an empty path.
struct RegKey {
  Hive hive = Hive::LocalMachine;
  std::string path;
};
using HKEY = RegKey*;

// The two predefined roots. They are never closed.
HKEY RootKey(Hive hive);
#define HKEY_LOCAL_MACHINE (::platform::RootKey(::platform::Hive::LocalMachine))
#define HKEY_CURRENT_USER (::platform::RootKey(::platform::Hive::CurrentUser))

// Creates every missing key of `subKey` under `root` and opens the last one.
// `created` (optional) tells whether the key was new.
LONG RegCreateKeyEx(HKEY root, const std::string& subKey, HKEY* result, bool* created = nullptr);
// Opens an existing key; ERROR_FILE_NOT_FOUND when it does not exist.
LONG RegOpenKeyEx(HKEY root, const std::string& subKey, HKEY* result);
LONG RegCloseKey(HKEY key);

LONG RegSetValueEx(HKEY key, const std::string& valueName, DWORD type, const void* data, DWORD size);
// Windows semantics: `type` and `size` are optional outputs; with `data` null only the
// size is reported; a buffer smaller than the value gives ERROR_MORE_DATA with `size`
// set to the size needed and the buffer left unchanged.
LONG RegQueryValueEx(HKEY key, const std::string& valueName, DWORD* type, void* data, DWORD* size);
LONG RegDeleteValue(HKEY key, const std::string& valueName);
// Deletes a key that has no sub-keys (ERROR_ACCESS_DENIED otherwise).
LONG RegDeleteKey(HKEY root, const std::string& subKey);
// Deletes a key with everything below it.
LONG RegDeleteTree(HKEY root, const std::string& subKey);

struct RegValue {
  std::string name;
  DWORD type = REG_NONE;
  std::string data;  // raw bytes: REG_SZ with its terminator, REG_DWORD little-endian
};
LONG RegEnumSubKeys(HKEY key, std::vector<std::string>& names);
LONG RegEnumValues(HKEY key, std::vector<RegValue>& values);

// The database file of a hive (for tools and tests).
std::string RegistryDatabasePath(Hive hive);

}  // namespace platform
