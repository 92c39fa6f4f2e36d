#include "download/manifest_writer.h"

#include <algorithm>
#include <cctype>
#include <sstream>

#include <boost/property_tree/ptree.hpp>
#include <boost/property_tree/xml_parser.hpp>

#include "download/md5_digest.h"
#include "download/transfer_plan.h"

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

  namespace pt = boost::property_tree;
  pt::ptree tree;
  pt::ptree& root = tree.put("download", "");
  root.put("<xmlattr>.version", 1);
  root.put("<xmlattr>.size", size);
  root.put("<xmlattr>.name", name);
  pt::ptree& urls = root.add_child("url", pt::ptree());
  urls.put("<xmlattr>.size", params.mirrorBases.size());
  for (std::size_t i = 0; i < params.mirrorBases.size(); ++i) {
    urls.add_child("item_" + std::to_string(i), pt::ptree())
        .put("<xmlattr>.value", MirrorUrl(params.mirrorBases[i], urlName));
  }
  pt::ptree& hashes = root.add_child("hash", pt::ptree());
  hashes.put("<xmlattr>.size", all.size());
  for (std::size_t i = 0; i < all.size(); ++i) {
    hashes.add_child("item_" + std::to_string(i), pt::ptree()).put("<xmlattr>.value", all[i]);
  }
  std::ostringstream out;
  try {
    pt::write_xml(out, tree, pt::xml_writer_make_settings<std::string>('\t', 1, "utf-8"));
  } catch (...) {
    return std::string();
  }
  if (digests) *digests = std::move(all);
  return out.str();
}
