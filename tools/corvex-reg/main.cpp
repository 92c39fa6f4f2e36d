// corvex-reg: reads and edits the registry store, in the manner of `reg`.
//   corvex-reg query  <KEY> [/v NAME] [/s]
//   corvex-reg add    <KEY> [/v NAME] [/t REG_SZ|REG_DWORD] [/d DATA] [/f]
//   corvex-reg delete <KEY> [/v NAME] [/f]
// KEY starts with HKLM\, HKEY_LOCAL_MACHINE\, HKCU\ or HKEY_CURRENT_USER\.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/text.h"

namespace {

using platform::HKEY;

struct KeyName {
  platform::Hive hive;
  std::string rootName;  // as `reg` prints it
  std::string subKey;
};

std::optional<KeyName> ParseKeyName(const std::string& text) {
  const auto slash = text.find('\\');
  const std::string root = platform::AsciiLower(text.substr(0, slash));
  const std::string rest = slash == std::string::npos ? "" : text.substr(slash + 1);
  if (root == "hklm" || root == "hkey_local_machine")
    return KeyName{platform::Hive::LocalMachine, "HKEY_LOCAL_MACHINE", rest};
  if (root == "hkcu" || root == "hkey_current_user")
    return KeyName{platform::Hive::CurrentUser, "HKEY_CURRENT_USER", rest};
  return std::nullopt;
}

const char* TypeName(DWORD type) {
  switch (type) {
    case platform::REG_SZ: return "REG_SZ";
    case platform::REG_DWORD: return "REG_DWORD";
    case platform::REG_BINARY: return "REG_BINARY";
    default: return "REG_NONE";
  }
}

std::string FormatData(const platform::RegValue& value) {
  if (value.type == platform::REG_SZ) return std::string(value.data.c_str());
  if (value.type == platform::REG_DWORD && value.data.size() >= 4) {
    const auto* b = reinterpret_cast<const unsigned char*>(value.data.data());
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", b[0] | b[1] << 8 | b[2] << 16 | static_cast<unsigned>(b[3]) << 24);
    return text;
  }
  std::string hex;
  char byte[3];
  for (unsigned char c : value.data) {
    std::snprintf(byte, sizeof byte, "%02X", c);
    hex += byte;
  }
  return hex;
}

std::string ErrorText(LONG rc) {
  switch (rc) {
    case ERROR_FILE_NOT_FOUND: return "The system was unable to find the specified registry key or value.";
    case ERROR_ACCESS_DENIED: return "Access is denied.";
    case ERROR_LOCK_VIOLATION: return "The registry store is locked by another process.";
    case ERROR_CANTOPEN: return "The registry store cannot be opened.";
    case ERROR_BADDB: return "The registry store is corrupt.";
    default: return "The operation failed (error " + std::to_string(rc) + ").";
  }
}

int Fail(LONG rc) {
  std::fprintf(stderr, "ERROR: %s\n", ErrorText(rc).c_str());
  return 1;
}

struct Options {
  std::optional<std::string> valueName;
  std::string type = "REG_SZ";
  std::string data;
  bool recursive = false;
};

void PrintKey(HKEY key, const std::string& shownName, const Options& options) {
  std::vector<platform::RegValue> values;
  platform::RegEnumValues(key, values);
  std::printf("\n%s\n", shownName.c_str());
  for (const auto& value : values) {
    if (options.valueName && !platform::EqualsIgnoreCase(*options.valueName, value.name)) continue;
    std::printf("    %s    %s    %s\n", value.name.empty() ? "(Default)" : value.name.c_str(), TypeName(value.type),
                FormatData(value).c_str());
  }
  std::vector<std::string> children;
  platform::RegEnumSubKeys(key, children);
  for (const auto& child : children) {
    if (options.recursive) {
      HKEY childKey = nullptr;
      if (platform::RegOpenKeyEx(key, child, &childKey) == ERROR_SUCCESS) {
        PrintKey(childKey, shownName + "\\" + child, options);
        platform::RegCloseKey(childKey);
      }
    } else if (!options.valueName) {
      std::printf("\n%s\\%s\n", shownName.c_str(), child.c_str());
    }
  }
}

int Query(const KeyName& name, const Options& options) {
  HKEY key = nullptr;
  if (LONG rc = platform::RegOpenKeyEx(platform::RootKey(name.hive), name.subKey, &key); rc != ERROR_SUCCESS)
    return Fail(rc);
  if (options.valueName) {
    DWORD size = 0;
    if (LONG rc = platform::RegQueryValueEx(key, *options.valueName, nullptr, nullptr, &size); rc != ERROR_SUCCESS) {
      platform::RegCloseKey(key);
      return Fail(rc);
    }
  }
  PrintKey(key, name.rootName + (name.subKey.empty() ? "" : "\\" + name.subKey), options);
  std::printf("\n");
  platform::RegCloseKey(key);
  return 0;
}

int Add(const KeyName& name, const Options& options) {
  HKEY key = nullptr;
  if (LONG rc = platform::RegCreateKeyEx(platform::RootKey(name.hive), name.subKey, &key); rc != ERROR_SUCCESS)
    return Fail(rc);
  LONG rc = ERROR_SUCCESS;
  if (options.valueName) {
    if (options.type == "REG_DWORD") {
      char* end = nullptr;
      errno = 0;
      const unsigned long long value = std::strtoull(options.data.c_str(), &end, 0);
      // strtoull takes "-1" as its largest value; a DWORD is never negative.
      const bool negative = options.data.find('-') != std::string::npos;
      if (options.data.empty() || *end != '\0' || errno == ERANGE || negative || value > 0xFFFFFFFFull) {
        platform::RegCloseKey(key);
        std::fprintf(stderr, "ERROR: Invalid REG_DWORD data: %s (a number from 0 to 4294967295)\n",
                     options.data.c_str());
        return 1;
      }
      const unsigned char bytes[4] = {static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
                                      static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
      rc = platform::RegSetValueEx(key, *options.valueName, platform::REG_DWORD, bytes, 4);
    } else if (options.type == "REG_SZ") {
      rc = platform::RegSetValueEx(key, *options.valueName, platform::REG_SZ, options.data.c_str(),
                                   static_cast<DWORD>(options.data.size() + 1));
    } else {
      platform::RegCloseKey(key);
      std::fprintf(stderr, "ERROR: Unsupported type %s (REG_SZ or REG_DWORD).\n", options.type.c_str());
      return 1;
    }
  }
  platform::RegCloseKey(key);
  if (rc != ERROR_SUCCESS) return Fail(rc);
  std::printf("The operation completed successfully.\n");
  return 0;
}

int Delete(const KeyName& name, const Options& options) {
  LONG rc = ERROR_SUCCESS;
  if (options.valueName) {
    HKEY key = nullptr;
    rc = platform::RegOpenKeyEx(platform::RootKey(name.hive), name.subKey, &key);
    if (rc == ERROR_SUCCESS) {
      rc = platform::RegDeleteValue(key, *options.valueName);
      platform::RegCloseKey(key);
    }
  } else {
    rc = platform::RegDeleteTree(platform::RootKey(name.hive), name.subKey);
  }
  if (rc != ERROR_SUCCESS) return Fail(rc);
  std::printf("The operation completed successfully.\n");
  return 0;
}

int Usage(FILE* out) {
  std::fprintf(out,
               "usage: corvex-reg query  KEY [/v NAME] [/s]\n"
               "       corvex-reg add    KEY [/v NAME] [/t REG_SZ|REG_DWORD] [/d DATA] [/f]\n"
               "       corvex-reg delete KEY [/v NAME] [/f]\n"
               "KEY: HKLM\\path or HKCU\\path (HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER).\n"
               "The store lives under CORVEX_SYSROOT when it is set.\n");
  return out == stdout ? 0 : 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "/?")) return Usage(stdout);
  if (argc < 3) return Usage(stderr);
  const std::string command = platform::AsciiLower(argv[1]);
  const auto name = ParseKeyName(argv[2]);
  if (!name) {
    std::fprintf(stderr, "ERROR: Invalid key name: %s\n", argv[2]);
    return 2;
  }
  Options options;
  for (int i = 3; i < argc; ++i) {
    const std::string arg = platform::AsciiLower(argv[i]);
    if (arg == "/v" && i + 1 < argc)
      options.valueName = argv[++i];
    else if (arg == "/ve")
      options.valueName = "";
    else if (arg == "/t" && i + 1 < argc)
      options.type = argv[++i];
    else if (arg == "/d" && i + 1 < argc)
      options.data = argv[++i];
    else if (arg == "/s")
      options.recursive = true;
    else if (arg == "/f")
      continue;
    else {
      std::fprintf(stderr, "ERROR: Invalid syntax: %s\n", argv[i]);
      return Usage(stderr);
    }
  }
  if (command == "query") return Query(*name, options);
  if (command == "add") return Add(*name, options);
  if (command == "delete") return Delete(*name, options);
  std::fprintf(stderr, "ERROR: Unknown operation: %s\n", argv[1]);
  return Usage(stderr);
}
