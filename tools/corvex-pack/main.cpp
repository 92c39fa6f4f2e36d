// corvex-pack: builds a setup package from a payload folder, an uninstaller and the
// product's info fields; --info prints the info block of any package.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "install/package_reader.h"
#include "package_writer.h"
#include "platform/text.h"
#include "printable_text.h"

using namespace install;

namespace {

const char kUsage[] =
    "usage: corvex-pack --payload DIR --uninstaller FILE --output FILE\n"
    "                   [--product-key-name TEXT] [--display-name TEXT] [--version TEXT]\n"
    "                   [--short-name TEXT] [--release-date YYYY-MM-DD] [--web-address URL]\n"
    "                   [--publisher TEXT] [--x64] [--level 0-9]\n"
    "       corvex-pack --info PACKAGE\n"
    "The same inputs give the same package, byte for byte.\n";

int PrintInfo(const std::string& packagePath) {
  PackageInfo info;
  if (ReadPackageInfo(platform::NarrowToWide(packagePath).c_str(), &info) != S_OK) {
    std::fprintf(stderr, "corvex-pack: %s is no setup package (no info block, or its payload lies outside the file)\n",
                 PrintableText(packagePath).c_str());
    return 1;
  }
  auto text = [](const std::string& value) { return PrintableText(value); };
  std::printf("signature: %s\n", text(std::string(info.signature, sizeof(info.signature))).c_str());
  std::printf("uninstaller offset: %d\n", info.uninstallerOffset);
  std::printf("uninstaller size: %d\n", info.uninstallerSize);
  std::printf("payload offset: %d\n", info.payloadOffset);
  std::printf("payload size: %d\n", info.payloadSize);
  std::printf("product key name: %s\n", text(PackageInfoText(info.productKeyName)).c_str());
  std::printf("display name: %s\n", text(PackageInfoText(info.displayName)).c_str());
  std::printf("version: %s\n", text(PackageInfoText(info.version)).c_str());
  std::printf("short name: %s\n", text(PackageInfoText(info.shortName)).c_str());
  std::printf("release date: %s\n", text(PackageInfoText(info.releaseDate)).c_str());
  std::printf("web address: %s\n", text(PackageInfoText(info.webAddress)).c_str());
  std::printf("publisher: %s\n", text(PackageInfoText(info.publisher)).c_str());
  std::printf("64-bit: %d\n", info.is64Bit);
  return 0;
}

bool ValidDate(const std::string& date) {
  if (date.size() != 10 || date[4] != '-' || date[7] != '-') return false;
  for (size_t i : {0, 1, 2, 3, 5, 6, 8, 9}) {
    if (date[i] < '0' || date[i] > '9') return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::map<std::string, std::string> options;
  bool x64 = false;
  for (int i = 1; i < argc; ++i) {
    std::string name = argv[i];
    if (name == "--help" || name == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (name == "--x64") {
      x64 = true;
      continue;
    }
    if (name.rfind("--", 0) != 0 || i + 1 >= argc) {
      std::fprintf(stderr, "corvex-pack: unexpected argument %s\n%s", name.c_str(), kUsage);
      return 2;
    }
    options[name.substr(2)] = argv[++i];
  }
  if (options.count("info")) return PrintInfo(options["info"]);

  PackageSources sources;
  sources.payloadFolder = options["payload"];
  sources.uninstallerFile = options["uninstaller"];
  sources.outputFile = options["output"];
  if (sources.payloadFolder.empty() || sources.uninstallerFile.empty() || sources.outputFile.empty()) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  if (options.count("level")) sources.compressionLevel = std::atoi(options["level"].c_str());
  if (sources.compressionLevel < 0 || sources.compressionLevel > 9) {
    std::fputs("corvex-pack: --level takes 0 to 9\n", stderr);
    return 2;
  }
  std::string date = options.count("release-date") ? options["release-date"] : "2020-06-16";
  if (!ValidDate(date)) {
    std::fputs("corvex-pack: --release-date takes YYYY-MM-DD\n", stderr);
    return 2;
  }

  PackageInfo& info = sources.info;
  struct TextField {
    const char* option;
    const char* fallback;
    char* field;
    size_t size;
  };
  const TextField fields[] = {
      {"product-key-name", "Corvex 11", info.productKeyName, sizeof(info.productKeyName)},
      {"display-name", "Corvex 11", info.displayName, sizeof(info.displayName)},
      {"version", "1.0.0.1", info.version, sizeof(info.version)},
      {"short-name", "Corvex", info.shortName, sizeof(info.shortName)},
      {"release-date", "2020-06-16", info.releaseDate, sizeof(info.releaseDate)},
      {"web-address", "", info.webAddress, sizeof(info.webAddress)},
      {"publisher", "", info.publisher, sizeof(info.publisher)},
  };
  for (const TextField& text : fields) {
    std::string value = options.count(text.option) ? options[text.option] : text.fallback;
    if (value.size() >= text.size) {
      std::fprintf(stderr, "corvex-pack: --%s is longer than %zu bytes\n", text.option, text.size - 1);
      return 2;
    }
    std::memcpy(text.field, value.data(), value.size());
  }
  info.is64Bit = x64 ? 1 : 0;

  std::string error;
  if (!WritePackage(sources, error)) {
    std::fprintf(stderr, "corvex-pack: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
