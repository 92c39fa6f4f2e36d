#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>

#include "base/file_helpers.h"
#include "base/jfile.h"
#include "base/my_reg_key.h"
#include "platform/path.h"
#include "platform/text.h"
#include "sandbox.h"

using namespace base;

using testing_support::Sandbox;

namespace {
std::wstring W(const std::string& s) { return platform::NarrowToWide(s); }
}  // namespace

TEST(JFileTest, FlagsBuildTheModeStrings) {
  EXPECT_EQ(JFile::ModeString(JFILE_READ_BINARY), "rb");
  EXPECT_EQ(JFile::ModeString(JFILE_WRITE_BINARY), "wb");
  EXPECT_EQ(JFile::ModeString(JFILE_APPEND_TEXT), "at");
  EXPECT_EQ(JFile::ModeString(JFILE_READ | JFILE_TEXT | JFILE_BINARY), "rt");  // text wins
}

TEST(JFileTest, OpenCreatesFoldersOnlyForWriting) {
  Sandbox sandbox;
  JFile file;
  const std::string missing = sandbox.root() + "/a/b/c.bin";
  EXPECT_FALSE(file.Open(W(missing), JFILE_READ_BINARY));
  EXPECT_FALSE(platform::PathFileExists(sandbox.root() + "/a"));
  EXPECT_EQ(file.Read(nullptr, 1), -1);

  ASSERT_TRUE(file.Open(W(missing), JFILE_WRITE_BINARY));
  EXPECT_EQ(file.Write("0123456789", 10), 10);
  file.Close();
  ASSERT_TRUE(file.Open(W(missing), JFILE_APPEND_TEXT));
  file.Write("ab", 2);
  file.Close();

  ASSERT_TRUE(file.Open(W(missing), JFILE_READ_BINARY));
  file.Seek(3, SEEK_SET);
  EXPECT_EQ(file.Size(), 12);
  EXPECT_EQ(file.Tell(), 3);  // Size keeps the position
  char tail[4] = {};
  EXPECT_EQ(file.Read(tail, 3), 3);
  EXPECT_STREQ(tail, "345");
  file.Close();
  EXPECT_EQ(file.Tell(), -1);
}

TEST(RegKeyWrapper, StringsDwordsAndTheTwoHundredByteLimit) {
  Sandbox sandbox;
  CMyRegKey key;
  ASSERT_EQ(key.Create(HKEY_LOCAL_MACHINE, "SOFTWARE\\Corvex"), ERROR_SUCCESS);
  EXPECT_EQ(key.SubKey(), "SOFTWARE\\Corvex");
  EXPECT_EQ(key.SetDword("cfg_flag", 0x12345678), ERROR_SUCCESS);
  DWORD value = 0;
  EXPECT_EQ(key.QueryDword("cfg_flag", value), ERROR_SUCCESS);
  EXPECT_EQ(value, 0x12345678u);
  DWORD untouched = 7;
  EXPECT_EQ(key.QueryDword("missing", untouched), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(untouched, 7u);

  std::string out = "previous";
  EXPECT_EQ(key.SetString("long", std::string(200, 'x')), ERROR_SUCCESS);  // 201 bytes with terminator
  EXPECT_EQ(key.QueryString("long", out), ERROR_MORE_DATA);
  EXPECT_EQ(out, "previous");
  EXPECT_EQ(key.SetString("fits", std::string(199, 'y')), ERROR_SUCCESS);
  EXPECT_EQ(key.QueryString("fits", out), ERROR_SUCCESS);
  EXPECT_EQ(out, std::string(199, 'y'));
  // Exactly 200 bytes without a terminator: read up to the buffer's end, never past it.
  const std::string raw(200, 'z');
  platform::RegSetValueEx(key.Handle(), "raw", platform::REG_SZ, raw.data(), 200);
  EXPECT_EQ(key.QueryString("raw", out), ERROR_SUCCESS);
  EXPECT_EQ(out, raw);
}

TEST(RegKeyWrapper, AnotherProcessReadsWhatWasWritten) {
  Sandbox sandbox;
  CMyRegKey key;
  ASSERT_EQ(key.Create(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Corvex 11"),
            ERROR_SUCCESS);
  key.SetString("DisplayName", "Corvex 11");
  key.SetDword("cfg_flag", 1);
  key.Close();
  const std::string tool = std::string(std::getenv("CORVEX_BINARY_DIR")) + "/tools/corvex-reg/corvex-reg";
  FILE* pipe = ::popen(
      ("'" + tool + "' query 'HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Corvex 11'").c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string output;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
  EXPECT_EQ(::pclose(pipe), 0);
  EXPECT_NE(output.find("    DisplayName    REG_SZ    Corvex 11\n"), std::string::npos) << output;
  EXPECT_NE(output.find("    cfg_flag    REG_DWORD    0x1\n"), std::string::npos) << output;
}

// A number that does not fit a DWORD is refused, never stored cut to 32 bits.
TEST(RegKeyWrapper, ToolRefusesDwordDataOutOfRange) {
  Sandbox sandbox;
  const std::string tool = std::string(std::getenv("CORVEX_BINARY_DIR")) + "/tools/corvex-reg/corvex-reg";
  auto add = [&](const std::string& data) {
    const std::string command =
        "'" + tool + "' add 'HKLM\\SOFTWARE\\Corvex' /v n /t REG_DWORD /d '" + data + "' /f 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    std::string output;
    char buffer[512];
    while (pipe && std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
    const int status = pipe ? ::pclose(pipe) : -1;
    return std::make_pair(status, output);
  };
  for (const char* refused : {"99999999999", "4294967296", "-1", "0x100000000", "18446744073709551617"}) {
    const auto [status, output] = add(refused);
    EXPECT_NE(status, 0) << refused;
    EXPECT_NE(output.find("0 to 4294967295"), std::string::npos) << refused << ": " << output;
  }
  DWORD value = 0;
  {
    CMyRegKey key;
    ASSERT_EQ(key.Create(HKEY_LOCAL_MACHINE, "SOFTWARE\\Corvex"), ERROR_SUCCESS);
    EXPECT_NE(key.QueryDword("n", value), ERROR_SUCCESS) << "nothing was stored";
  }
  EXPECT_EQ(add("4294967295").first, 0);
  CMyRegKey key;
  ASSERT_EQ(key.Create(HKEY_LOCAL_MACHINE, "SOFTWARE\\Corvex"), ERROR_SUCCESS);
  EXPECT_EQ(key.QueryDword("n", value), ERROR_SUCCESS);
  EXPECT_EQ(value, 4294967295u);
}

TEST(FileHelpers, FolderChainLimitAndCreation) {
  Sandbox sandbox;
  std::string longPath = sandbox.root() + "/";
  longPath += std::string(261 - longPath.size(), 'd');
  ASSERT_EQ(longPath.size(), 261u);
  EXPECT_FALSE(CreateFolderChain(W(longPath)));
  EXPECT_FALSE(platform::PathFileExists(longPath));

  EXPECT_TRUE(CreateFolderChain(W(sandbox.root() + "/x/y/z")));
  EXPECT_TRUE(platform::PathIsDirectory(sandbox.root() + "/x/y/z"));
  EXPECT_TRUE(CreateFolderChain(W(sandbox.root() + "/x/y/z")));  // existing folders are fine
  EXPECT_TRUE(CreateParentFolder(W(sandbox.root() + "/p/q/file.txt")));
  EXPECT_TRUE(platform::PathIsDirectory(sandbox.root() + "/p/q"));
  EXPECT_FALSE(platform::PathFileExists(sandbox.root() + "/p/q/file.txt"));
  EXPECT_TRUE(CreateParentFolder(L"no-slash"));
}

TEST(FileHelpers, TreeDeletionKeepsReadOnlyFilesAndNeverFollowsLinks) {
  Sandbox sandbox;
  const std::string tree = sandbox.root() + "/install";
  CreateFolderChain(W(tree + "/sub/deeper"));
  CreateFolderChain(W(tree + "/other"));
  Sandbox::WriteFile(tree + "/a.txt", "a");
  Sandbox::WriteFile(tree + "/other/b.txt", "b");
  Sandbox::WriteFile(tree + "/sub/deeper/readonly.txt", "keep");
  ::chmod((tree + "/sub/deeper/readonly.txt").c_str(), 0444);
  const std::string outside = sandbox.root() + "/outside";
  CreateFolderChain(W(outside));
  Sandbox::WriteFile(outside + "/precious.txt", "p");
  ASSERT_EQ(::symlink(outside.c_str(), (tree + "/link").c_str()), 0);

  EXPECT_TRUE(DeleteFolderTree(W(tree)));
  EXPECT_TRUE(platform::PathFileExists(tree + "/sub/deeper/readonly.txt"));
  EXPECT_FALSE(platform::PathFileExists(tree + "/a.txt"));
  EXPECT_FALSE(platform::PathFileExists(tree + "/other"));
  EXPECT_FALSE(platform::PathFileExists(tree + "/link"));
  EXPECT_TRUE(platform::PathFileExists(outside + "/precious.txt"));
  // A tree whose top is a link is not entered.
  ASSERT_EQ(::symlink(outside.c_str(), (sandbox.root() + "/top-link").c_str()), 0);
  EXPECT_FALSE(DeleteFolderTree(W(sandbox.root() + "/top-link/")));
  EXPECT_TRUE(platform::PathFileExists(outside + "/precious.txt"));

  EXPECT_FALSE(DeleteFolderTree(L""));
  EXPECT_FALSE(DeleteFolderTree(W(sandbox.root() + "/never-existed")));
}

TEST(FileHelpers, FreeSpaceAndResourcesAndBitness) {
  Sandbox sandbox;
  EXPECT_GT(GetDiskFreeMB(W(sandbox.root())), 0);
  // A folder still to be created is measured on its nearest existing ancestor.
  EXPECT_EQ(GetDiskFreeMB(W(sandbox.root() + "/opt/Corvex 11")) / 1024, GetDiskFreeMB(W(sandbox.root())) / 1024);
  EXPECT_EQ(GetDiskFreeMB(L"relative/path"), 0);

  std::string text;
  EXPECT_TRUE(LoadResourceText(900, L"xml", text));
  EXPECT_EQ(text, "manifest text");  // ends at the first zero byte
  EXPECT_FALSE(LoadResourceText(901, L"xml", text));
  EXPECT_FALSE(LoadResourceText(900, L"txt", text));
  EXPECT_EQ(Is64BitWindows(), sizeof(void*) == 8);
}
