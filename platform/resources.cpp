#include "platform/resources.h"

#include <gio/gio.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "platform/known_folders.h"
#include "platform/text.h"

namespace platform {
namespace {

// Inside a sandbox root a test may put its own resource file in place of the
// embedded one (a manifest naming its own mirrors, say).
bool LoadOverride(int id, const std::wstring& type, std::string& out) {
  const char* folder = std::getenv("CORVEX_RESOURCE_OVERRIDE");
  if (!folder || !*folder || !InSandboxRoot()) return false;
  std::ifstream in(std::string(folder) + "/" + WideToNarrow(type) + "/" + std::to_string(id), std::ios::binary);
  if (!in) return false;
  out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

}  // namespace

bool LoadResourceBytes(int id, const std::wstring& type, std::string& out) {
  if (LoadOverride(id, type, out)) return true;
  const std::string path = "/corvex/" + WideToNarrow(type) + "/" + std::to_string(id);
  GBytes* bytes = g_resources_lookup_data(path.c_str(), G_RESOURCE_LOOKUP_FLAGS_NONE, nullptr);
  if (!bytes) return false;
  gsize size = 0;
  const auto* data = static_cast<const char*>(g_bytes_get_data(bytes, &size));
  out.assign(data ? data : "", size);
  g_bytes_unref(bytes);
  return true;
}

}  // namespace platform
