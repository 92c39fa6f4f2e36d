#include "support/xml_parse.h"
#include "support/xml_limits.h"

#include <gtest/gtest.h>

#include "platform/text.h"
#include "sandbox.h"

using namespace support;

namespace {

std::shared_ptr<IXMLParse> Parse(const std::string& text) {
  std::shared_ptr<IXMLParse> xml;
  EXPECT_EQ(CreateXMLParse(xml), S_OK);
  EXPECT_TRUE(xml->ReadFromMemory(text.c_str(), text.size()));
  return xml;
}

TEST(XmlAttributePath, InsertsAttributeMarkerBeforeLastComponent) {
  std::string path;
  ASSERT_TRUE(MakeAttrPath("download.version", path));
  EXPECT_EQ(path, "download.<xmlattr>.version");
  ASSERT_TRUE(MakeAttrPath("download.url.item_3.value", path));
  EXPECT_EQ(path, "download.url.item_3.<xmlattr>.value");
  EXPECT_FALSE(MakeAttrPath("size", path));
}

TEST(XmlTypedReads, IntegerFoundMissingAndNotWhole) {
  int value = 42;
  EXPECT_TRUE(Parse("<download version=\"1\"/>")->GetAttrInt("download.version", value));
  EXPECT_EQ(value, 1);

  value = 42;
  EXPECT_FALSE(Parse("<download size=\"5\"/>")->GetAttrInt("download.version", value));
  EXPECT_EQ(value, kXmlIntNotFound);

  value = 42;
  EXPECT_FALSE(Parse("<download version=\"1.5\"/>")->GetAttrInt("download.version", value));
  EXPECT_EQ(value, kXmlIntNotFound);

  value = 42;
  EXPECT_FALSE(Parse("<download size=\"3000000000\"/>")->GetAttrInt("download.size", value));
  EXPECT_FALSE(Parse("<download size=\"-9999999\"/>")->GetAttrInt("download.size", value));

  value = 42;
  EXPECT_FALSE(Parse("<download size=\"5\"/>")->GetAttrInt("size", value));
  EXPECT_EQ(value, 42) << "a one-component path is refused before any read";
}

TEST(XmlTypedReads, TextLeavesOutputAloneWhenNotFound) {
  auto xml = Parse(
      "<download><url item=\"x\"><item_0 value=\"http://a/download/f\"/></url>"
      "<hash><item_0 value=\"{__see_it_is_read_string_failed_}\"/></hash></download>");
  std::string out = "unchanged";
  EXPECT_TRUE(xml->GetAttrString("download.url.item_0.value", out));
  EXPECT_EQ(out, "http://a/download/f");

  out = "unchanged";
  EXPECT_FALSE(xml->GetAttrString("download.hash.item_0.value", out)) << "the sentinel text counts as missing";
  EXPECT_FALSE(xml->GetAttrString("download.hash.item_1.value", out));
  EXPECT_FALSE(xml->GetAttrString("download", out));
  EXPECT_EQ(out, "unchanged");
}

TEST(XmlReadFromMemory, StopsAtEmbeddedNulAndRejectsBrokenText) {
  const char text[] = "<download version=\"1\"/>\0<garbage";
  std::shared_ptr<IXMLParse> xml;
  ASSERT_EQ(CreateXMLParse(xml), S_OK);
  EXPECT_TRUE(xml->ReadFromMemory(text, sizeof(text)));
  int version = 0;
  EXPECT_TRUE(xml->GetAttrInt("download.version", version));
  EXPECT_EQ(xml->IsLoaded(), 0) << "a memory read does not mark the document loaded";

  EXPECT_FALSE(xml->ReadFromMemory("<download version=\"1\">", 22));
  EXPECT_FALSE(xml->ReadFromMemory("not xml at all", 14));
  EXPECT_FALSE(xml->ReadFromMemory(nullptr, 0));
}

std::string Nested(int depth, const std::string& open, const std::string& close) {
  std::string text;
  for (int i = 0; i < depth; ++i) text += open;
  for (int i = 0; i < depth; ++i) text += close;
  return text;
}

bool Reads(const std::string& text) {
  std::shared_ptr<IXMLParse> xml;
  return CreateXMLParse(xml) == S_OK && xml->ReadFromMemory(text.c_str(), text.size());
}

// Documents arrive from the network: nesting and size are bounded before the parser
// descends into them, whatever tries to hide an element from the count.
TEST(XmlReadFromMemory, BoundsNestingAndSize) {
  EXPECT_TRUE(Reads(Nested(kMaxXmlDepth, "<a>", "</a>")));
  EXPECT_FALSE(Reads(Nested(kMaxXmlDepth + 1, "<a>", "</a>")));
  EXPECT_FALSE(Reads(Nested(200000, "<a>", "</a>"))) << "no stack overflow";
  EXPECT_FALSE(Reads(Nested(200000, "<a>", ""))) << "unclosed";
  EXPECT_FALSE(Reads(Nested(kMaxXmlDepth + 1, "<a x=\"/>\" y='</a>'>", "</a>"))) << "quoted closers";
  EXPECT_FALSE(Reads(Nested(kMaxXmlDepth + 1, "<a><!-- x --><?p?><![CDATA[]]><!X>", "</a>")));
  EXPECT_FALSE(Reads("<!DOCTYPE d [<!ENTITY e '>'>]>" + Nested(kMaxXmlDepth + 1, "<a>", "</a>")));
  EXPECT_TRUE(Reads(Nested(kMaxXmlDepth, "<a><b/>", "</a>"))) << "empty elements do not nest";
  EXPECT_TRUE(Reads("<a><!--" + Nested(kMaxXmlDepth + 1, "<a>", "") + "--></a>")) << "a comment is no element";

  const std::string filler(kMaxXmlDocumentSize, ' ');
  EXPECT_TRUE(Reads("<a/>" + filler.substr(4)));
  EXPECT_FALSE(Reads("<a/>" + filler));
}

TEST(XmlEditing, RemoveListsAndAttributes) {
  auto xml = Parse("<root><a x=\"1\"/><a x=\"2\"/><b/></root>");
  EXPECT_TRUE(xml->Remove("root.missing.deeper"));
  EXPECT_TRUE(xml->Remove("root.a"));
  EXPECT_FALSE(xml->GetTree().get_child_optional("root.a"));
  EXPECT_TRUE(xml->GetTree().get_child_optional("root.b"));

  EXPECT_TRUE(xml->PutAttrInt("root.b.count", 7));
  int count = 0;
  EXPECT_TRUE(xml->GetAttrInt("root.b.count", count));
  EXPECT_EQ(count, 7);
  EXPECT_TRUE(xml->RemoveAttr("root.b.count"));
  EXPECT_FALSE(xml->GetAttrInt("root.b.count", count));
  EXPECT_FALSE(xml->PutAttrString("flat", "x"));

  EXPECT_TRUE(xml->AddStringList("root.names", {"one", "two"}));
  std::vector<std::string> names;
  EXPECT_TRUE(xml->GetStringList("root.names", names));
  EXPECT_EQ(names, (std::vector<std::string>{"one", "two"}));
  EXPECT_TRUE(xml->SetStringList("root.names", {"three"}));
  EXPECT_TRUE(xml->GetStringList("root.names", names));
  EXPECT_EQ(names, (std::vector<std::string>{"three"}));
  std::vector<int> numbers;
  EXPECT_FALSE(xml->GetIntList("root.nothing", numbers));

  auto copy = xml->Clone();
  ASSERT_TRUE(copy);
  EXPECT_TRUE(copy->Remove("root.names"));
  EXPECT_TRUE(xml->GetStringList("root.names", names)) << "a clone has its own tree";
}

TEST(XmlFiles, SaveAsWritesTabIndentedUtf8AndReadsBack) {
  testing_support::Sandbox sandbox;
  const std::wstring path = platform::NarrowToWide(sandbox.root() + "/manifest.xml");
  std::shared_ptr<IXMLParse> xml;
  ASSERT_EQ(CreateXMLParse(xml), S_OK);
  ASSERT_TRUE(xml->PutAttrInt("download.version", 1));
  ASSERT_TRUE(xml->PutAttrString("download.url.item_0.value", "http://h/download/f.exe"));
  EXPECT_EQ(xml->SaveAs(path), 1);

  const std::string text = testing_support::Sandbox::ReadFile(platform::WideToNarrow(path));
  EXPECT_EQ(text.rfind("<?xml version=\"1.0\" encoding=\"utf-8\"?>", 0), 0u) << text;
  EXPECT_NE(text.find("\n\t<url>"), std::string::npos) << text;
  EXPECT_NE(text.find("\n\t\t<item_0 value=\"http://h/download/f.exe\"/>"), std::string::npos) << text;

  std::shared_ptr<IXMLParse> again;
  ASSERT_EQ(CreateXMLParse(again), S_OK);
  EXPECT_EQ(again->IsLoaded(), 0);
  ASSERT_TRUE(again->ReadFromFile(path));
  EXPECT_EQ(again->IsLoaded(), 1);
  std::string url;
  EXPECT_TRUE(again->GetAttrString("download.url.item_0.value", url));
  EXPECT_EQ(url, "http://h/download/f.exe");

  EXPECT_TRUE(again->PutAttrInt("download.version", 2));
  EXPECT_EQ(again->Save(), 1) << "Save writes back to the file it read";
  std::shared_ptr<IXMLParse> third;
  ASSERT_EQ(CreateXMLParse(third), S_OK);
  ASSERT_TRUE(third->ReadFromFile(path));
  int version = 0;
  EXPECT_TRUE(third->GetAttrInt("download.version", version));
  EXPECT_EQ(version, 2);

  EXPECT_EQ(xml->SaveAs(platform::NarrowToWide(sandbox.root())), E_FAIL) << "a folder cannot be written";
  EXPECT_FALSE(again->ReadFromFile(platform::NarrowToWide(sandbox.root() + "/missing.xml")));
  testing_support::Sandbox::WriteFile(sandbox.root() + "/broken.xml", "<download");
  EXPECT_FALSE(third->ReadFromFile(platform::NarrowToWide(sandbox.root() + "/broken.xml")));
}

}  // namespace
