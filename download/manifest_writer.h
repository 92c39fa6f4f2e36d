// Writing the download manifest of a setup package (the vendor-side counterpart of
// the loader): size, package name, one URL per mirror and the MD5 digests.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace download {

struct ManifestParams {
  std::string stem;                      // product file stem, e.g. "corvex11mini"
  bool x64 = false;                      // the 64-bit edition carries "_x64"
  std::string version;                   // "11.0.9.2" or "11092": only its digits are used
  std::vector<std::string> mirrorBases;  // "http://host[:port][/prefix]"; "/download/<name>" is appended
  std::string urlName;                   // file name in the URLs; empty: the package name
};

// "<stem>[_x64]_<version digits>_<first 8 lower-case hex digits of the MD5>.exe".
std::string PackageFileName(const ManifestParams& params, const std::string& wholeFileDigest);

// The mirror URL of `name` under `base` (a trailing '/' of the base is dropped).
std::string MirrorUrl(const std::string& base, const std::string& name);

// The manifest text (empty when it cannot be written) for `size` bytes at `data`; `digests` receives item_0 and the
// block digests for callers that show them.
std::string BuildManifestText(const unsigned char* data, std::size_t size, const ManifestParams& params,
                              std::vector<std::string>* digests = nullptr);

}  // namespace download
