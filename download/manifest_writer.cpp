#include "download/manifest_writer.h"

#include <algorithm>
#include <cctype>
#include <memory>

#include "download/md5_digest.h"
#include "download/transfer_plan.h"
#include "support/xml_parse.h"

namespace download {

std::string PackageFileName(const ManifestParams& params, const std::string& wholeFileDigest) {
  std::string digits;
  for (char c : params.version) {
    if (std::isdigit(static_cast<unsigned char>(c))) digits += c;
  }
  std::string prefix = wholeFileDigest.substr(0, 8);
  std::transform(prefix.begin(), prefix.end(), prefix.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return params.stem + (params.x64 ? "_x64" : "") + "_" + digits + "_" + prefix + ".exe";
}

std::string MirrorUrl(const std::string& base, const std::string& name) {
  std::string root = base;
  while (!root.empty() && root.back() == '/') root.pop_back();
  return root + "/download/" + name;
}

std::string BuildManifestText(const unsigned char* data, std::size_t size, const ManifestParams& params,
                              std::vector<std::string>* digests) {
  std::vector<std::string> all;
  all.push_back(Md5Hex(data, size));
  for (std::size_t offset = 0; offset < size; offset += kHashBlockSize) {
    all.push_back(Md5Hex(data + offset, std::min<std::size_t>(kHashBlockSize, size - offset)));
  }
  const std::string name = PackageFileName(params, all[0]);
  const std::string& urlName = params.urlName.empty() ? name : params.urlName;

  std::shared_ptr<support::IXMLParse> document;
  if (FAILED(support::CreateXMLParse(document))) return std::string();
  // Each element is made by its first attribute, in the order they are written.
  bool built = document->PutAttrInt("download.version", 1) &&
               document->PutAttrString("download.size", std::to_string(size)) &&
               document->PutAttrString("download.name", name) &&
               document->PutAttrString("download.url.size", std::to_string(params.mirrorBases.size()));
  for (std::size_t i = 0; built && i < params.mirrorBases.size(); ++i) {
    built = document->PutAttrString("download.url.item_" + std::to_string(i) + ".value",
                                    MirrorUrl(params.mirrorBases[i], urlName));
  }
  built = built && document->PutAttrString("download.hash.size", std::to_string(all.size()));
  for (std::size_t i = 0; built && i < all.size(); ++i) {
    built = document->PutAttrString("download.hash.item_" + std::to_string(i) + ".value", all[i]);
  }
  std::string text;
  if (!built || !support::WriteXmlText(*document, text)) return std::string();
  if (digests) *digests = std::move(all);
  return text;
}

}  // namespace download
