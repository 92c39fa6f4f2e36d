// Manifest text as a mirror or manifest URL may send it: parsed by the XML reader and
// loaded by the engine up to the mirror check, which finds nobody to ask.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "download/downloader_core.h"
#include "support/xml_parse.h"

using namespace support;
using namespace download;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::shared_ptr<IXMLParse> xml;
  if (CreateXMLParse(xml) != S_OK || !xml->ReadFromMemory(text.c_str(), text.size())) return 0;
  auto engine = std::make_shared<DownloaderCore>();
  // No echo answers and a proxy nobody listens on: a manifest that loads ends at the
  // mirror check without a packet leaving the machine.
  engine->SetPingFunction([](const std::string&, std::uint32_t&) { return false; });
  engine->SetProxy("127.0.0.1:1");
  engine->LoadConfig(xml, "/nonexistent/corvex-fuzz/target.exe");
  return 0;
}
