// A manifest document turned into the configuration of a download, or the reason it
// is refused. Touches nothing but the document: no engine, no thread, no file.
#pragma once

#include <string>

#include "download/download_config.h"
#include "platform/win_types.h"
#include "support/xml_parse.h"

namespace download {

struct ManifestParse {
  DownloadError error = NoError;  // NoError: `config` describes the download
  HRESULT result = S_OK;          // what a load refused with this error returns
  DownloadConfig config;

  bool Loaded() const { return error == NoError; }
  // The manifest is of a version this program cannot read: an update is needed.
  bool NeedsUpdate() const { return error == ConfigLoadVersionError || error == NeedUpdateDownload; }
};

// `targetPath` becomes the configuration's file path; one that does not fit is refused.
ManifestParse ParseManifest(support::IXMLParse& xml, const std::string& targetPath);

}  // namespace download
