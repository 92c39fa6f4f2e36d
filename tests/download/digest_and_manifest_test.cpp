#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "download/manifest_writer.h"
#include "download/md5_digest.h"
#include "sandbox.h"
#include "support/xml_parse.h"

using namespace support;
using namespace download;

namespace {

TEST(Md5, KnownDigestsInUpperCase) {
  EXPECT_EQ(Md5Hex("", 0), "D41D8CD98F00B204E9800998ECF8427E");
  EXPECT_EQ(Md5Hex("abc", 3), "900150983CD24FB0D6963F7D28E17F72");

  char text[33];
  std::memset(text, 'x', sizeof(text));
  ASSERT_TRUE(Md5Text("abc", 3, text, sizeof(text)));
  EXPECT_STREQ(text, "900150983CD24FB0D6963F7D28E17F72");
  char small[31] = "unchanged";
  EXPECT_FALSE(Md5Text("abc", 3, small, sizeof(small)));
  EXPECT_STREQ(small, "unchanged");
}

TEST(Md5, FileDigestMatchesMemoryDigest) {
  testing_support::Sandbox sandbox;
  std::string content(3 * 1048576 + 17, '\0');
  for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 131 % 251);
  testing_support::Sandbox::WriteFile(sandbox.root() + "/f.bin", content);
  unsigned char digest[kMd5Size];
  ASSERT_TRUE(Md5File(sandbox.root() + "/f.bin", digest));
  EXPECT_EQ(DigestToHex(digest), Md5Hex(content.data(), content.size()));
  EXPECT_FALSE(Md5File(sandbox.root() + "/missing.bin", digest));
  EXPECT_FALSE(Md5File(sandbox.root(), digest)) << "a folder is not a readable file";
}

TEST(ManifestWriter, NameUrlsAndDigestsLoadBack) {
  std::string content(2 * 1048576 + 5, 'a');
  content[1048576] = 'b';
  ManifestParams params;
  params.stem = "corvex11mini";
  params.x64 = true;
  params.version = "11.0.9.2";
  params.mirrorBases = {"http://127.0.0.11:8600/", "http://127.0.0.17:8600/cdn.corvex.example"};
  std::vector<std::string> digests;
  const std::string text =
      BuildManifestText(reinterpret_cast<const unsigned char*>(content.data()), content.size(), params, &digests);
  ASSERT_FALSE(text.empty());
  ASSERT_EQ(digests.size(), 4u) << "the whole file and three blocks";

  std::string prefix = digests[0].substr(0, 8);
  for (char& c : prefix) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const std::string name = "corvex11mini_x64_11092_" + prefix + ".exe";
  params.x64 = false;
  EXPECT_EQ(PackageFileName(params, digests[0]), "corvex11mini_11092_" + prefix + ".exe");

  EXPECT_EQ(text.rfind("<?xml version=\"1.0\" encoding=\"utf-8\"?>", 0), 0u);
  std::shared_ptr<IXMLParse> xml;
  ASSERT_EQ(CreateXMLParse(xml), S_OK);
  ASSERT_TRUE(xml->ReadFromMemory(text.c_str(), text.size()));
  int value = 0;
  ASSERT_TRUE(xml->GetAttrInt("download.version", value));
  EXPECT_EQ(value, 1);
  ASSERT_TRUE(xml->GetAttrInt("download.size", value));
  EXPECT_EQ(value, static_cast<int>(content.size()));
  std::string read;
  ASSERT_TRUE(xml->GetAttrString("download.name", read));
  EXPECT_EQ(read, name);
  ASSERT_TRUE(xml->GetAttrInt("download.url.size", value));
  EXPECT_EQ(value, 2);
  ASSERT_TRUE(xml->GetAttrString("download.url.item_0.value", read));
  EXPECT_EQ(read, "http://127.0.0.11:8600/download/" + name);
  ASSERT_TRUE(xml->GetAttrString("download.url.item_1.value", read));
  EXPECT_EQ(read, "http://127.0.0.17:8600/cdn.corvex.example/download/" + name);
  ASSERT_TRUE(xml->GetAttrInt("download.hash.size", value));
  EXPECT_EQ(value, 4);
  ASSERT_TRUE(xml->GetAttrString("download.hash.item_2.value", read));
  EXPECT_EQ(read, Md5Hex(content.data() + 1048576, 1048576));
  ASSERT_TRUE(xml->GetAttrString("download.hash.item_3.value", read));
  EXPECT_EQ(read, Md5Hex(content.data() + 2 * 1048576, 5));
}

}  // namespace
