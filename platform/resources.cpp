#include "platform/resources.h"

#include <gio/gio.h>

#include "platform/text.h"

namespace platform {

bool LoadResourceBytes(int id, const std::wstring& type, std::string& out) {
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
