#include "platform/system_info.h"

#include <sys/utsname.h>

#include <cstdlib>
#include <fstream>
#include <string_view>

#include "platform/text.h"

namespace platform {

bool IsNative64Bit() {
  struct utsname name {};
  if (::uname(&name) != 0) return sizeof(void*) == 8;
  const std::string_view machine = name.machine;
  for (std::string_view known : {"x86_64", "aarch64", "ppc64", "ppc64le", "s390x", "riscv64", "mips64", "sparc64",
                                 "loongarch64", "alpha", "ia64"}) {
    if (machine == known) return true;
  }
  return false;
}

bool ParseKernelRelease(const std::string& release, KernelVersion& out) {
  const char* text = release.c_str();
  char* end = nullptr;
  const unsigned long major = std::strtoul(text, &end, 10);
  if (end == text || *end != '.') return false;
  const char* minorText = end + 1;
  const unsigned long minor = std::strtoul(minorText, &end, 10);
  if (end == minorText || major == 0) return false;
  out.major = static_cast<unsigned>(major);
  out.minor = static_cast<unsigned>(minor);
  return true;
}

bool KernelVersionFromUname(KernelVersion& out) {
  struct utsname name {};
  return ::uname(&name) == 0 && ParseKernelRelease(name.release, out);
}

bool KernelVersionFromOsRelease(KernelVersion& out) {
  std::ifstream file("/proc/sys/kernel/osrelease");
  std::string release;
  return std::getline(file, release) && ParseKernelRelease(release, out);
}

bool KernelVersionFromBanner(KernelVersion& out) {
  std::ifstream file("/proc/version");
  std::string word;
  // "Linux version 6.1.0-13-amd64 (...)"
  if (!(file >> word) || !(file >> word) || word != "version" || !(file >> word)) return false;
  return ParseKernelRelease(word, out);
}

namespace {

struct LocaleLanguage {
  const char* name;  // "ll" or "ll_CC"
  LANGID id;
};

// The language alone gives the first (main) variant; a territory picks its own.
constexpr LocaleLanguage kLocaleLanguages[] = {
    {"ca", 0x0403},    {"ca_ES", 0x0403}, {"ca_AD", 0x0403}, {"ca_FR", 0x0403}, {"ca_IT", 0x0403}, {"zh", 0x0804},
    {"zh_CN", 0x0804}, {"zh_TW", 0x0404}, {"zh_HK", 0x0C04}, {"zh_SG", 0x1004}, {"zh_MO", 0x1404}, {"cs", 0x0405},
    {"cs_CZ", 0x0405}, {"de", 0x0407},    {"de_DE", 0x0407}, {"de_CH", 0x0807}, {"de_AT", 0x0C07}, {"de_LU", 0x1007},
    {"de_LI", 0x1407}, {"de_BE", 0x0407}, {"es", 0x0C0A},    {"es_ES", 0x0C0A}, {"es_MX", 0x080A}, {"es_GT", 0x100A},
    {"es_CR", 0x140A}, {"es_PA", 0x180A}, {"es_DO", 0x1C0A}, {"es_VE", 0x200A}, {"es_CO", 0x240A}, {"es_PE", 0x280A},
    {"es_AR", 0x2C0A}, {"es_EC", 0x300A}, {"es_CL", 0x340A}, {"es_UY", 0x380A}, {"es_PY", 0x3C0A}, {"es_BO", 0x400A},
    {"es_SV", 0x440A}, {"es_HN", 0x480A}, {"es_NI", 0x4C0A}, {"es_PR", 0x500A}, {"es_US", 0x540A}, {"fr", 0x040C},
    {"fr_FR", 0x040C}, {"fr_BE", 0x080C}, {"fr_CA", 0x0C0C}, {"fr_CH", 0x100C}, {"fr_LU", 0x140C}, {"fr_MC", 0x180C},
    {"hu", 0x040E},    {"hu_HU", 0x040E}, {"it", 0x0410},    {"it_IT", 0x0410}, {"it_CH", 0x0810}, {"ja", 0x0411},
    {"ja_JP", 0x0411}, {"nl", 0x0413},    {"nl_NL", 0x0413}, {"nl_BE", 0x0813}, {"no", 0x0414},    {"nb", 0x0414},
    {"nb_NO", 0x0414}, {"nn", 0x0814},    {"nn_NO", 0x0814}, {"pl", 0x0415},    {"pl_PL", 0x0415}, {"pt", 0x0816},
    {"pt_PT", 0x0816}, {"pt_BR", 0x0416}, {"ru", 0x0419},    {"ru_RU", 0x0419}, {"ru_UA", 0x0419}, {"sv", 0x041D},
    {"sv_SE", 0x041D}, {"sv_FI", 0x081D}, {"en", 0x0409},    {"en_US", 0x0409}, {"en_GB", 0x0809}, {"en_AU", 0x0C09},
    {"en_CA", 0x1009}, {"en_NZ", 0x1409}, {"en_IE", 0x1809}, {"en_ZA", 0x1C09}, {"en_IN", 0x4009}, {"en_SG", 0x4809},
    {"ko", 0x0412},    {"ko_KR", 0x0412}, {"ar", 0x0401},    {"bg", 0x0402},    {"da", 0x0406},    {"el", 0x0408},
    {"fi", 0x040B},    {"he", 0x040D},    {"is", 0x040F},    {"ro", 0x0418},    {"hr", 0x041A},    {"sk", 0x041B},
    {"sq", 0x041C},    {"th", 0x041E},    {"tr", 0x041F},    {"id", 0x0421},    {"uk", 0x0422},    {"be", 0x0423},
    {"sl", 0x0424},    {"et", 0x0425},    {"lv", 0x0426},    {"lt", 0x0427},    {"fa", 0x0429},    {"vi", 0x042A},
    {"hi", 0x0439},    {"ms", 0x043E},
};

}  // namespace

LANGID LanguageIdFromLocaleName(const std::string& locale) {
  // "ll_CC.codeset@modifier"
  std::string base = locale.substr(0, locale.find_first_of(".@"));
  const auto underscore = base.find('_');
  const std::string language = AsciiLower(base.substr(0, underscore));
  const std::string territory = underscore == std::string::npos ? "" : base.substr(underscore + 1);
  std::string upperTerritory = territory;
  for (char& c : upperTerritory) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  const std::string full = language + "_" + upperTerritory;
  LANGID languageOnly = 0;
  for (const auto& entry : kLocaleLanguages) {
    if (!territory.empty() && full == entry.name) return entry.id;
    if (language == entry.name) languageOnly = entry.id;
  }
  return languageOnly;
}

LANGID GetSystemDefaultLangID() {
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(variable);
    if (!value || !*value) continue;
    const LANGID id = LanguageIdFromLocaleName(value);
    return id != 0 ? id : 0x0409;
  }
  return 0x0409;
}

}  // namespace platform
