#include "download/manifest_parse.h"

#include <cctype>
#include <cstdio>

#include "base/install_log.h"
#include "base/log_text.h"
#include "download/md5_digest.h"

using base::WriteLog;

namespace download {

namespace {

constexpr int kMaxManifestVersion = 1;

std::string ItemKey(const char* list, int index) {
  char key[64];
  std::snprintf(key, sizeof(key), "download.%s.item_%d.value", list, index);
  return key;
}

// 32 hex digits in either case; other text could never match a digest of ours.
bool IsHexDigest(const std::string& text) {
  if (text.size() != kMd5TextLength) return false;
  for (const char c : text) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

std::string UpperCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

ManifestParse Refused(DownloadError error, HRESULT result) {
  ManifestParse parse;
  parse.error = error;
  parse.result = result;
  return parse;
}

}  // namespace

ManifestParse ParseManifest(support::IXMLParse& xml, const std::string& targetPath) {
  if (targetPath.size() >= static_cast<std::size_t>(kMaxPath)) {
    WriteLog("Download_LoadConfig : path longer than %d characters refused.\n", kMaxPath - 1);
    return Refused(ConfigLoadError, E_INVALIDARG);
  }
  ManifestParse parse;
  DownloadConfig& config = parse.config;
  CopyToFixedBuffer(config.szFilePath, sizeof(config.szFilePath), targetPath);

  int version = 0;
  if (!xml.GetAttrInt("download.version", version)) return Refused(ConfigLoadVersionError, E_ABORT);
  if (version > kMaxManifestVersion) return Refused(NeedUpdateDownload, E_ABORT);
  int size = 0;
  // A size of 0 or below describes no file that could be fetched or verified.
  if (!xml.GetAttrInt("download.size", size) || size <= 0) return Refused(ConfigLoadFileSizeError, E_ABORT);
  config.nFileSize = size;

  int urlCount = 0;
  if (!xml.GetAttrInt("download.url.size", urlCount)) return Refused(ConfigLoadUrlSizeError, E_ABORT);
  for (int n = 0; n < urlCount && n < kMaxUrlCfg; ++n) {
    std::string url;
    if (!xml.GetAttrString(ItemKey("url", n), url)) return Refused(ConfigLoadUrlError, E_ABORT);
    // A cut URL would fetch something else.
    if (url.size() >= sizeof(config.arrUrlCfg[n].szUrl)) {
      WriteLog("Download_LoadConfig : URL %d longer than %d characters refused.\n", n,
               static_cast<int>(sizeof(config.arrUrlCfg[n].szUrl)) - 1);
      return Refused(ConfigLoadError, E_ABORT);
    }
    CopyToFixedBuffer(config.arrUrlCfg[n].szUrl, sizeof(config.arrUrlCfg[n].szUrl), url);
    config.arrUrlCfg[n].bValid = 1;
  }

  int hashCount = 0;
  if (!xml.GetAttrInt("download.hash.size", hashCount)) return Refused(ConfigLoadHashSizeError, E_ABORT);
  // Only the whole-file digest verifies a download: without it every byte would be
  // fetched for a file that can never be accepted.
  if (hashCount < 1) {
    WriteLog("Download_LoadConfig : the manifest has no whole-file digest.\n");
    return Refused(ConfigLoadHashError, E_ABORT);
  }
  for (int k = 0; k < hashCount; ++k) {
    std::string digest;
    if (!xml.GetAttrString(ItemKey("hash", k), digest)) return Refused(ConfigLoadHashError, E_ABORT);
    if (!IsHexDigest(digest)) {
      WriteLog("Download_LoadConfig : digest %d (%s) is not 32 hex digits.\n", k,
               base::PrintableLogText(digest, 40).c_str());
      return Refused(ConfigLoadHashError, E_ABORT);
    }
    // Digests compare as upper-case text everywhere.
    digest = UpperCase(std::move(digest));
    if (k == 0) {
      config.strFileHash = std::move(digest);
    } else {
      config.vecBlockHash.push_back(std::move(digest));
    }
  }
  return parse;
}

}  // namespace download
