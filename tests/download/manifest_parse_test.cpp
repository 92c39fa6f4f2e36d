// The manifest parse on its own: each case a document and the configuration or the
// refusal it must give, without an engine, a thread or a mirror.
#include <gtest/gtest.h>

#include <functional>

#include "download/manifest_parse.h"
#include "engine_harness.h"

using namespace support;
using namespace download;

namespace {

using namespace testing_support;

constexpr char kTarget[] = "/tmp/corvex-parse/pkg.exe";
constexpr char kUrl[] = "http://127.0.0.70:9/download/pkg.exe";

ManifestText Good() { return ManifestFor(PatternContent(1048576 + 3000), {kUrl}); }

ManifestParse Parse(const ManifestText& manifest, const std::string& target = kTarget) {
  std::shared_ptr<IXMLParse> xml;
  EXPECT_EQ(CreateXMLParse(xml), S_OK);
  const std::string text = manifest.Build();
  EXPECT_TRUE(xml->ReadFromMemory(text.c_str(), text.size())) << text;
  return ParseManifest(*xml, target);
}

struct RefusalCase {
  const char* what;
  std::function<void(ManifestText&)> change;
  DownloadError error;
};

TEST(ManifestParse, RefusalsCarryTheirErrorAndResult) {
  const std::string prefix = "http://127.0.0.70:9/download/";
  const RefusalCase cases[] = {
      {"newer version", [](ManifestText& m) { m.version = "2"; }, NeedUpdateDownload},
      {"no version", [](ManifestText& m) { m.version.clear(); }, ConfigLoadVersionError},
      {"fractional version", [](ManifestText& m) { m.version = "1.0"; }, ConfigLoadVersionError},
      {"size zero", [](ManifestText& m) { m.size = "0"; }, ConfigLoadFileSizeError},
      {"negative size", [](ManifestText& m) { m.size = "-5"; }, ConfigLoadFileSizeError},
      {"size past int", [](ManifestText& m) { m.size = "3000000000"; }, ConfigLoadFileSizeError},
      {"size not a number", [](ManifestText& m) { m.size = "abc"; }, ConfigLoadFileSizeError},
      {"url count not a number", [](ManifestText& m) { m.urlSize = "many"; }, ConfigLoadUrlSizeError},
      {"url count past the list", [](ManifestText& m) { m.urlSize = "2"; }, ConfigLoadUrlError},
      {"url too long", [&](ManifestText& m) { m.urls = {prefix + std::string(kUrlBufferSize - prefix.size(), 'u')}; },
       ConfigLoadError},
      {"digest count not a number", [](ManifestText& m) { m.hashSize = "x"; }, ConfigLoadHashSizeError},
      {"no digest", [](ManifestText& m) { m.digests.clear(); }, ConfigLoadHashError},
      {"digest count past the list", [](ManifestText& m) { m.hashSize = std::to_string(m.digests.size() + 1); },
       ConfigLoadHashError},
      {"file digest not hex", [](ManifestText& m) { m.digests.front() = std::string(32, 'G'); }, ConfigLoadHashError},
      {"block digest short", [](ManifestText& m) { m.digests.back() = std::string(31, 'A'); }, ConfigLoadHashError},
      {"block digest long", [](ManifestText& m) { m.digests.back() = std::string(33, 'A'); }, ConfigLoadHashError},
      {"digest with a space", [](ManifestText& m) { m.digests.back() = "0123456789ABCDEF0123456789ABCDE "; },
       ConfigLoadHashError},
  };
  for (const RefusalCase& c : cases) {
    ManifestText manifest = Good();
    c.change(manifest);
    const ManifestParse parse = Parse(manifest);
    EXPECT_FALSE(parse.Loaded()) << c.what;
    EXPECT_EQ(parse.error, c.error) << c.what;
    EXPECT_EQ(parse.result, E_ABORT) << c.what;
    EXPECT_EQ(parse.NeedsUpdate(), c.error == NeedUpdateDownload || c.error == ConfigLoadVersionError) << c.what;
  }
}

TEST(ManifestParse, TargetPathThatDoesNotFitIsRefused) {
  const ManifestParse tooLong = Parse(Good(), "/tmp/" + std::string(kMaxPath - 5, 'p'));
  EXPECT_EQ(tooLong.error, ConfigLoadError);
  EXPECT_EQ(tooLong.result, E_INVALIDARG);
  const std::string longest = "/tmp/" + std::string(kMaxPath - 6, 'p');
  const ManifestParse fits = Parse(Good(), longest);
  ASSERT_TRUE(fits.Loaded());
  EXPECT_EQ(std::string(fits.config.szFilePath), longest);
}

TEST(ManifestParse, LoadedConfiguration) {
  ManifestText manifest = Good();
  for (const char* version : {"0", "1"}) {
    manifest.version = version;
    EXPECT_TRUE(Parse(manifest).Loaded()) << "version " << version;
  }
  for (std::string& digest : manifest.digests) {
    for (char& c : digest) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  const ManifestText upper = Good();
  const ManifestParse parse = Parse(manifest);
  ASSERT_TRUE(parse.Loaded());
  EXPECT_EQ(parse.result, S_OK);
  EXPECT_STREQ(parse.config.szFilePath, kTarget);
  EXPECT_EQ(parse.config.nFileSize, 1048576 + 3000);
  EXPECT_EQ(parse.config.strFileHash, upper.digests[0]) << "digests are kept in upper case";
  ASSERT_EQ(parse.config.vecBlockHash.size(), 2u);
  EXPECT_EQ(parse.config.vecBlockHash[0], upper.digests[1]);
  EXPECT_EQ(parse.config.vecBlockHash[1], upper.digests[2]);
  EXPECT_STREQ(parse.config.arrUrlCfg[0].szUrl, kUrl);
  EXPECT_EQ(parse.config.arrUrlCfg[0].bValid, 1);
  EXPECT_EQ(parse.config.arrUrlCfg[1].bValid, 0);
}

TEST(ManifestParse, UrlListIsCutAtTheTenthEntry) {
  ManifestText manifest = Good();
  manifest.urls.clear();
  for (int i = 0; i < 12; ++i) manifest.urls.push_back("http://127.0.0.70:9/download/p" + std::to_string(i));
  const ManifestParse parse = Parse(manifest);
  ASSERT_TRUE(parse.Loaded());
  for (int i = 0; i < kMaxUrlCfg; ++i) {
    EXPECT_EQ(parse.config.arrUrlCfg[i].bValid, 1);
    EXPECT_EQ(std::string(parse.config.arrUrlCfg[i].szUrl), manifest.urls[i]);
  }

  const std::string prefix = "http://127.0.0.70:9/download/";
  manifest.urls = {prefix + std::string(kUrlBufferSize - 1 - prefix.size(), 'u')};
  const ManifestParse longest = Parse(manifest);
  ASSERT_TRUE(longest.Loaded()) << "the longest URL that fits is kept whole";
  EXPECT_EQ(std::string(longest.config.arrUrlCfg[0].szUrl), manifest.urls[0]);

  manifest.urls.clear();
  const ManifestParse none = Parse(manifest);
  ASSERT_TRUE(none.Loaded()) << "no mirror is the mirror check's to refuse";
  EXPECT_EQ(none.config.arrUrlCfg[0].bValid, 0);
}

}  // namespace
