#include "setup/package_manifest.h"

#include <cctype>
#include <cstdlib>
#include <memory>

#include "base/file_helpers.h"
#include "support/xml_parse.h"

namespace setup {

namespace {

constexpr int kManifestResource32 = 501;
constexpr int kManifestResource64 = 502;

bool ReadAttribute(const std::string& manifest, const char* key, std::string& out) {
  std::shared_ptr<support::IXMLParse> parser;
  if (FAILED(support::CreateXMLParse(parser)) || !parser || !parser->ReadFromMemory(manifest.data(), manifest.size()))
    return false;
  return parser->GetAttrString(key, out);
}

}  // namespace

bool LoadPackageManifest(bool is64Bit, std::string& out) {
  return base::LoadResourceText(is64Bit ? kManifestResource64 : kManifestResource32, L"xml", out) && !out.empty();
}

long long ManifestPackageSize(const std::string& manifest) {
  std::string size;
  if (!ReadAttribute(manifest, "download.size", size)) return 0;
  char* end = nullptr;
  const long long value = std::strtoll(size.c_str(), &end, 10);
  return end != size.c_str() && value > 0 ? value : 0;
}

std::string ManifestPackageDigest(const std::string& manifest) {
  std::string digest;
  if (!ReadAttribute(manifest, "download.hash.item_0.value", digest) || digest.size() != 32) return {};
  for (char& c : digest) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) return {};
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return digest;
}

}  // namespace setup
