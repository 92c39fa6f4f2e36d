#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <thread>
#include <vector>

#include "telemetry/json_object.h"
#include "telemetry/machine_identity.h"
#include "telemetry/system_language.h"

using namespace telemetry;

namespace {

TEST(JsonObject, PrintsCompactMembersInOrderAddedWithDuplicates) {
  CJsonObject json;
  EXPECT_EQ(json.ToString(), "");
  EXPECT_TRUE(json.Add("version", 1004));
  EXPECT_EQ(json.ToString(), "{\"version\":1004}");
  EXPECT_TRUE(json.Add("speed", -512));
  EXPECT_TRUE(json.Add("version", 1004));
  EXPECT_TRUE(json.Add("name", std::string("Corvex 11")));
  EXPECT_EQ(json.ToString(), "{\"version\":1004,\"speed\":-512,\"version\":1004,\"name\":\"Corvex 11\"}");
}

TEST(JsonObject, EscapesControlBytesAndKeepsHighBytes) {
  CJsonObject json;
  json.Add("t", std::string("a\tb"));
  json.Add("all", std::string("\"\\\b\f\n\r\x01\x1f"));
  json.Add("utf8", std::string("\xe5\xbe\xae\xe8\xbd\xaf \xff"));
  EXPECT_EQ(
      json.ToString(),
      "{\"t\":\"a\\tb\",\"all\":\"\\\"\\\\\\b\\f\\n\\r\\u0001\\u001f\",\"utf8\":\"\xe5\xbe\xae\xe8\xbd\xaf \xff\"}");
}

platform::NetworkAdapter Adapter(std::array<std::uint8_t, 6> address) {
  platform::NetworkAdapter adapter;
  adapter.name = "eth";
  adapter.address = address;
  return adapter;
}

TEST(MacList, SkipsVirtualMachineAdaptersAndSorts) {
  const auto vmware = Adapter({0x00, 0x50, 0x56, 0xC0, 0x00, 0x08});
  const auto physicalA = Adapter({0x3C, 0x97, 0x0E, 0x12, 0x34, 0x56});
  const auto physicalB = Adapter({0x00, 0xE0, 0x4C, 0x68, 0x01, 0x02});

  EXPECT_EQ(GetMacList({vmware, physicalA}), std::vector<std::string>{"3c-97-0e-12-34-56"});
  EXPECT_EQ(GetMacList({physicalA, physicalB}), (std::vector<std::string>{"00-e0-4c-68-01-02", "3c-97-0e-12-34-56"}));
  // Only the first three are looked at, virtual ones included.
  EXPECT_EQ(GetMacList({vmware, vmware, vmware, physicalA}), std::vector<std::string>{});
  EXPECT_EQ(GetMacList({physicalB, vmware, vmware, physicalA}), std::vector<std::string>{"00-e0-4c-68-01-02"});
  EXPECT_TRUE(GetMacList({}).empty());
}

TEST(MacList, PrefixesMatchAnywhereWhateverTheirCase) {
  // "00-50-56" inside the address.
  EXPECT_EQ(GetMacList({Adapter({0x12, 0x00, 0x50, 0x56, 0xAB, 0xCD})}), std::vector<std::string>{});
  // Listed in lower case, and in upper case: both match the lowercase text.
  EXPECT_EQ(GetMacList({Adapter({0x00, 0x1C, 0x14, 0x01, 0x02, 0x03})}), std::vector<std::string>{});
  EXPECT_EQ(GetMacList({Adapter({0x00, 0x0C, 0x29, 0x01, 0x02, 0x03})}), std::vector<std::string>{});
  EXPECT_EQ(GetMacList({Adapter({0x08, 0x00, 0x27, 0xAA, 0xBB, 0xCC})}), std::vector<std::string>{});
  EXPECT_TRUE(IsVirtualMachineMac("00-03-ff-00-00-01"));
  EXPECT_TRUE(IsVirtualMachineMac("00-16-3E-00-00-01"));
  EXPECT_FALSE(IsVirtualMachineMac("00-e0-4c-68-01-02"));
}

TEST(MacList, MachineAdaptersHaveNoLoopbackOrEmptyAddress) {
  for (const platform::NetworkAdapter& adapter : platform::ListNetworkAdapters()) {
    EXPECT_NE(adapter.name, "lo");
    EXPECT_NE(FormatMacText(adapter.address), "00-00-00-00-00-00");
  }
}

void ExpectGuidShape(const std::string& text) {
  ASSERT_EQ(text.size(), 36u) << text;
  for (size_t i = 0; i < text.size(); ++i) {
    if (i == 8 || i == 13 || i == 18 || i == 23) {
      EXPECT_EQ(text[i], '-') << text;
    } else {
      EXPECT_TRUE(std::isxdigit(static_cast<unsigned char>(text[i])) &&
                  !std::islower(static_cast<unsigned char>(text[i])))
          << text;
    }
  }
  EXPECT_EQ(text[14], '4') << text;                                          // version 4
  EXPECT_NE(std::string("89AB").find(text[19]), std::string::npos) << text;  // RFC 4122 variant
}

TEST(Guid, FreshUppercaseVersionFourTexts) {
  std::set<std::string> seen;
  for (int i = 0; i < 64; ++i) {
    const std::string text = NewGuidText();
    ExpectGuidShape(text);
    seen.insert(text);
  }
  EXPECT_EQ(seen.size(), 64u);
  platform::Guid fixed;
  fixed.data1 = 0x0102A0B0;
  fixed.data2 = 0x0C0D;
  fixed.data3 = 0x4E0F;
  for (int i = 0; i < 8; ++i) fixed.data4[i] = static_cast<std::uint8_t>(0x80 + i);
  EXPECT_EQ(FormatGuidText(fixed), "0102A0B0-0C0D-4E0F-8081-828384858687");
}

TEST(Guid, ProcessGuidIsMadeOnceForAllThreads) {
  std::vector<std::string> seen(4);
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i) threads.emplace_back([&seen, i] { seen[i] = EnsureProcessGuid(); });
  for (auto& thread : threads) thread.join();
  ExpectGuidShape(seen[0]);
  for (const std::string& text : seen) EXPECT_EQ(text, seen[0]);
  EXPECT_EQ(GetProcessGuid(), seen[0]);
}

TEST(SystemLanguage, EnglishNameOfThePrimaryLanguage) {
  EXPECT_EQ(EnglishLanguageName(0x0407), "German");
  EXPECT_EQ(EnglishLanguageName(0x0C07), "German");  // Austrian German
  EXPECT_EQ(EnglishLanguageName(0x0804), "Chinese");
  EXPECT_EQ(EnglishLanguageName(0x0412), "Korean");
  EXPECT_EQ(EnglishLanguageName(0x007F), "English");  // not a language of the table
}

}  // namespace
