// corvex-manifest: writes the download manifest of a setup package.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "download/download_config.h"
#include "download/manifest_writer.h"

using namespace download;

namespace {

constexpr const char kUsage[] =
    "Usage: corvex-manifest --package FILE --stem NAME --version TEXT --mirror BASE [--mirror BASE ...]\n"
    "                       [--x64] [--url-name NAME] [--output FILE]\n"
    "\n"
    "Writes the download manifest of a setup package: its size, its name, one URL per\n"
    "mirror and the MD5 of the whole file and of every 1 MiB block (upper-case hex).\n"
    "\n"
    "  --package FILE    the setup package to describe\n"
    "  --stem NAME       product file stem of the package name, e.g. corvex11mini\n"
    "  --version TEXT    product version; its digits go into the name (11.0.9.2 -> 11092)\n"
    "  --x64             the package is the 64-bit edition (\"_x64\" in the name)\n"
    "  --mirror BASE     mirror base such as http://127.0.0.11:8600, https://mirror.example or\n"
    "                    http://127.0.0.17:8600/cdn.corvex.example; the URL is\n"
    "                    BASE/download/<file name>. Up to ten mirrors; the installer\n"
    "                    reads no more than ten.\n"
    "  --url-name NAME   file name used in the URLs (default: the package name below)\n"
    "  --output FILE     where to write the manifest (default: standard output)\n"
    "\n"
    "The package name is <stem>[_x64]_<version digits>_<first 8 hex digits of the MD5>.exe.\n";

struct Options {
  std::string package;
  std::string output;
  ManifestParams params;
};

int Fail(const std::string& message) {
  std::fprintf(stderr, "corvex-manifest: %s\n", message.c_str());
  return 2;
}

// 0 to go on, 1 after --help, 2 on a usage error (message printed).
int ParseArguments(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= argc) return false;
      out = argv[++i];
      return true;
    };
    std::string text;
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 1;
    } else if (arg == "--x64") {
      options.params.x64 = true;
    } else if (arg == "--package") {
      if (!value(options.package)) return Fail("--package needs a file");
    } else if (arg == "--stem") {
      if (!value(options.params.stem)) return Fail("--stem needs a name");
    } else if (arg == "--version") {
      if (!value(options.params.version)) return Fail("--version needs a text");
    } else if (arg == "--mirror") {
      if (!value(text)) return Fail("--mirror needs a base URL");
      if (text.rfind("http://", 0) != 0 && text.rfind("https://", 0) != 0) {
        return Fail("mirror base must start with http:// or https://: " + text);
      }
      options.params.mirrorBases.push_back(text);
    } else if (arg == "--url-name") {
      if (!value(options.params.urlName)) return Fail("--url-name needs a file name");
    } else if (arg == "--output") {
      if (!value(options.output)) return Fail("--output needs a file");
    } else {
      return Fail("unknown argument '" + arg + "' (see --help)");
    }
  }
  if (options.package.empty()) return Fail("--package is required (see --help)");
  if (options.params.stem.empty()) return Fail("--stem is required (see --help)");
  if (options.params.version.find_first_of("0123456789") == std::string::npos) {
    return Fail("--version must contain digits (see --help)");
  }
  if (options.params.mirrorBases.empty()) return Fail("at least one --mirror is required (see --help)");
  if (options.params.mirrorBases.size() > static_cast<std::size_t>(kMaxUrlCfg)) {
    return Fail("at most ten mirrors: the installer ignores the rest");
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  const int parsed = ParseArguments(argc, argv, options);
  if (parsed != 0) return parsed == 1 ? 0 : parsed;

  std::ifstream in(options.package, std::ios::binary | std::ios::ate);
  if (!in) return Fail("cannot read package " + options.package);
  const std::streamoff length = in.tellg();
  if (length < 0) return Fail("cannot read package " + options.package);
  std::string bytes(static_cast<std::size_t>(length), '\0');
  in.seekg(0);
  if (!in.read(bytes.data(), length)) return Fail("cannot read package " + options.package);
  if (bytes.empty()) return Fail("package " + options.package + " is empty");
  if (bytes.size() > 0x7FFFFFFFu) return Fail("package " + options.package + " is larger than 2 GiB - 1");

  const std::string text =
      BuildManifestText(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), options.params);
  if (text.empty()) return Fail("cannot write the manifest");
  if (options.output.empty()) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    return 0;
  }
  std::ofstream out(options.output, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  if (!out) return Fail("cannot write " + options.output);
  return 0;
}
