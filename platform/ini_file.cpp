#include "platform/ini_file.h"

#include <glib.h>

#include <cctype>
#include <climits>

#include "platform/text.h"

namespace platform {

namespace {

// The leading decimal number of a value, as the profile functions read it.
int LeadingNumber(const char* text) {
  while (*text == ' ' || *text == '\t') ++text;
  bool negative = false;
  if (*text == '-' || *text == '+') negative = (*text++ == '-');
  long long value = 0;
  while (std::isdigit(static_cast<unsigned char>(*text))) {
    value = value * 10 + (*text++ - '0');
    if (value > INT_MAX) value = INT_MAX;
  }
  return static_cast<int>(negative ? -value : value);
}

}  // namespace

int GetPrivateProfileInt(const std::string& section, const std::string& key, int defaultValue,
                         const std::wstring& path) {
  GKeyFile* file = g_key_file_new();
  int result = defaultValue;
  const std::string narrowPath = WideToNarrow(path);
  if (g_key_file_load_from_file(file, narrowPath.c_str(), G_KEY_FILE_NONE, nullptr)) {
    gchar* value = g_key_file_get_value(file, section.c_str(), key.c_str(), nullptr);
    if (value) {
      result = LeadingNumber(value);
      g_free(value);
    }
  }
  g_key_file_free(file);
  return result;
}

}  // namespace platform
