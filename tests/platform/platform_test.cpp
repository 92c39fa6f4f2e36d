#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>

#include "platform/ini_file.h"
#include "platform/known_folders.h"
#include "platform/path.h"
#include "platform/system_info.h"
#include "platform/text.h"
#include "sandbox.h"

using testing_support::Sandbox;

TEST(Text, ConversionsRoundTripAndNeverThrowOnBadBytes) {
  const std::wstring wide = L"微软雅黑 Corvex Čeština";
  EXPECT_EQ(platform::NarrowToWide(platform::WideToNarrow(wide)), wide);
  EXPECT_EQ(platform::WideToNarrow(L"\u00e9"), "\xc3\xa9");
  // A stray continuation byte, a truncated sequence and an overlong '/' are undecodable.
  EXPECT_EQ(platform::NarrowToWide("a\x80"
                                   "b"),
            L"a\uFFFD"
            L"b");
  EXPECT_EQ(platform::NarrowToWide("a\xe4\xb8"), L"a\uFFFD\uFFFD");
  EXPECT_EQ(platform::NarrowToWide("\xc0\xaf"), L"\uFFFD\uFFFD");
  EXPECT_TRUE(platform::EqualsIgnoreCase(std::string("Corvex XI.EXE"), std::string("corvex xi.exe")));
  EXPECT_FALSE(platform::EqualsIgnoreCase(std::string("Corvex"), std::string("Corvex ")));
}

TEST(Path, AppendAndRemoveFileSpec) {
  EXPECT_EQ(platform::PathJoin(std::wstring(L"/a/"), L"/b"), L"/a/b");
  EXPECT_EQ(platform::PathJoin(std::wstring(L"/a"), L"b/c/"), L"/a/b/c/");
  EXPECT_EQ(platform::PathJoin(std::wstring(L"/a"), L""), L"/a");
  EXPECT_EQ(platform::PathJoin(std::string(""), "x"), "x");

  std::wstring path = L"/opt/Corvex 11/Corvex.exe";
  EXPECT_TRUE(platform::PathRemoveFileSpec(path));
  EXPECT_EQ(path, L"/opt/Corvex 11");
  path = L"/opt";
  EXPECT_TRUE(platform::PathRemoveFileSpec(path));
  EXPECT_EQ(path, L"/");
  EXPECT_FALSE(platform::PathRemoveFileSpec(path));
  EXPECT_EQ(platform::PathFileName(std::wstring(L"/a/b/c.txt")), L"c.txt");
}

TEST(KnownFolders, SandboxUserFoldersAndSystemPaths) {
  Sandbox sandbox;
  EXPECT_EQ(platform::WideToNarrow(platform::GetKnownFolder(platform::KnownFolder::Documents)), sandbox.documents());
  EXPECT_EQ(platform::WideToNarrow(platform::GetKnownFolder(platform::KnownFolder::RoamingAppData)),
            sandbox.home() + "/.config");
  EXPECT_EQ(platform::WideToNarrow(platform::GetKnownFolder(platform::KnownFolder::ProgramFiles)),
            sandbox.root() + "/opt");
  EXPECT_EQ(platform::SystemPath("/usr/local/share/applications"), sandbox.root() + "/usr/local/share/applications");

  // The user's own folder names win over the defaults.
  ::mkdir((sandbox.home() + "/.config").c_str(), 0755);
  Sandbox::WriteFile(sandbox.home() + "/.config/user-dirs.dirs",
                     "# written by xdg-user-dirs-update\nXDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n"
                     "XDG_DESKTOP_DIR=\"$HOME\"\n");
  EXPECT_EQ(platform::WideToNarrow(platform::GetKnownFolder(platform::KnownFolder::Documents)),
            sandbox.home() + "/Dokumente");
  // A desktop folder set to the home itself means "no desktop folder": the default applies.
  EXPECT_EQ(platform::WideToNarrow(platform::GetKnownFolder(platform::KnownFolder::Desktop)),
            sandbox.home() + "/Desktop");

  EXPECT_EQ(platform::GetFreeBytes("/definitely/not/here"), 0u);
  EXPECT_GT(platform::GetFreeBytes(sandbox.root()), 0u);
}

TEST(KnownFolders, UserDirsOutsideTheHomeFallBackToDefaults) {
  Sandbox sandbox;
  const auto folder = [](platform::KnownFolder which) {
    return platform::WideToNarrow(platform::GetKnownFolder(which));
  };
  ::mkdir((sandbox.home() + "/.config").c_str(), 0755);
  Sandbox::WriteFile(sandbox.home() + "/.config/user-dirs.dirs",
                     "XDG_DESKTOP_DIR=\"/etc/xdg/autostart\"\n"
                     "XDG_DOCUMENTS_DIR=\"$HOME/../../etc\"\n"
                     "XDG_DOWNLOAD_DIR=\"" +
                         sandbox.home() + "/./Fetched/../Fetched/\"\n");
  EXPECT_EQ(folder(platform::KnownFolder::Desktop), sandbox.home() + "/Desktop");
  EXPECT_EQ(folder(platform::KnownFolder::Documents), sandbox.documents());
  // A path that only spells its way back into the home is kept, in its plain form.
  EXPECT_EQ(folder(platform::KnownFolder::Downloads), sandbox.home() + "/Fetched");

  // A sibling whose name merely starts with the home's is outside it.
  Sandbox::WriteFile(sandbox.home() + "/.config/user-dirs.dirs",
                     "XDG_DESKTOP_DIR=\"" + sandbox.home() + "-other/Desktop\"\nXDG_DOCUMENTS_DIR=\"$HOME/..\"\n");
  EXPECT_EQ(folder(platform::KnownFolder::Desktop), sandbox.home() + "/Desktop");
  EXPECT_EQ(folder(platform::KnownFolder::Documents), sandbox.documents());
}

TEST(SystemInfo, LanguageIdsFromLocaleNames) {
  EXPECT_EQ(platform::LanguageIdFromLocaleName("zh_CN.UTF-8"), 0x0804);
  EXPECT_EQ(platform::LanguageIdFromLocaleName("zh_TW.UTF-8"), 0x0404);
  EXPECT_EQ(platform::LanguageIdFromLocaleName("zh_SG"), 0x1004);
  EXPECT_EQ(platform::LanguageIdFromLocaleName("zh_HK.big5hkscs"), 0x0C04);
  EXPECT_EQ(platform::LanguageIdFromLocaleName("ca_ES.UTF-8@valencia"), 0x0403);
  EXPECT_EQ(platform::LanguageIdFromLocaleName("es_ES@euro"), 0x0C0A);
  EXPECT_EQ(platform::LanguageIdFromLocaleName("es_AR"), 0x2C0A);
  EXPECT_EQ(platform::LanguageIdFromLocaleName("de_DE.UTF-8"), 0x0407);
  EXPECT_EQ(platform::LanguageIdFromLocaleName("de_AT"), 0x0C07);
  EXPECT_EQ(platform::LanguageIdFromLocaleName("de"), 0x0407);
  EXPECT_EQ(platform::LanguageIdFromLocaleName("pt_BR"), 0x0416);
  EXPECT_EQ(platform::LanguageIdFromLocaleName("pt_PT"), 0x0816);
  EXPECT_EQ(platform::LanguageIdFromLocaleName("nb_NO.UTF-8"), 0x0414);
  EXPECT_EQ(platform::LanguageIdFromLocaleName("sv_FI"), 0x081D);
  EXPECT_EQ(platform::LanguageIdFromLocaleName("ja_JP.eucJP"), 0x0411);
  // A territory the table does not know keeps the language.
  EXPECT_EQ(platform::LanguageIdFromLocaleName("fr_SN"), 0x040C);
  EXPECT_EQ(platform::LanguageIdFromLocaleName("xx_YY"), 0);
  EXPECT_EQ(platform::LanguageIdFromLocaleName("C"), 0);
}

TEST(SystemInfo, SystemLanguageFollowsLocaleVariablesInOrder) {
  ::setenv("LC_ALL", "", 1);
  ::setenv("LC_MESSAGES", "ru_RU.UTF-8", 1);
  ::setenv("LANG", "de_DE.UTF-8", 1);
  EXPECT_EQ(platform::GetSystemDefaultLangID(), 0x0419);
  ::setenv("LC_ALL", "ja_JP.UTF-8", 1);
  EXPECT_EQ(platform::GetSystemDefaultLangID(), 0x0411);
  ::setenv("LC_ALL", "C.UTF-8", 1);
  EXPECT_EQ(platform::GetSystemDefaultLangID(), 0x0409);
  ::unsetenv("LC_ALL");
  ::unsetenv("LC_MESSAGES");
  ::unsetenv("LANG");
  EXPECT_EQ(platform::GetSystemDefaultLangID(), 0x0409);
}

TEST(SystemInfo, KernelReleaseParsing) {
  platform::KernelVersion version;
  EXPECT_TRUE(platform::ParseKernelRelease("6.1.0-13-amd64", version));
  EXPECT_EQ(version.major, 6u);
  EXPECT_EQ(version.minor, 1u);
  EXPECT_TRUE(platform::ParseKernelRelease("3.2", version));
  EXPECT_EQ(version.minor, 2u);
  for (const char* bad : {"", "6", "abc", "0.9", "6.x"})
    EXPECT_FALSE(platform::ParseKernelRelease(bad, version)) << bad;
  EXPECT_TRUE(platform::KernelVersionFromUname(version));
  EXPECT_TRUE(platform::KernelVersionFromOsRelease(version));
  EXPECT_TRUE(platform::KernelVersionFromBanner(version));
}

TEST(IniFile, ProfileIntSemantics) {
  Sandbox sandbox;
  const std::string path = sandbox.root() + "/debug.ini";
  const std::wstring widePath = platform::NarrowToWide(path);
  EXPECT_EQ(platform::GetPrivateProfileInt("root", "a", 7, widePath), 7);  // no file

  Sandbox::WriteFile(path, "[root]\nplain=1\nsuffix=2abc\nword=abc\nspaced=  42\nnegative=-3\nempty=\n[other]\nx=5\n");
  EXPECT_EQ(platform::GetPrivateProfileInt("root", "plain", 0, widePath), 1);
  EXPECT_EQ(platform::GetPrivateProfileInt("root", "suffix", 0, widePath), 2);
  EXPECT_EQ(platform::GetPrivateProfileInt("root", "word", 9, widePath), 0);
  EXPECT_EQ(platform::GetPrivateProfileInt("root", "spaced", 0, widePath), 42);
  EXPECT_EQ(platform::GetPrivateProfileInt("root", "negative", 0, widePath), -3);
  EXPECT_EQ(platform::GetPrivateProfileInt("root", "empty", 9, widePath), 0);
  EXPECT_EQ(platform::GetPrivateProfileInt("root", "missing", 9, widePath), 9);
  EXPECT_EQ(platform::GetPrivateProfileInt("none", "x", 9, widePath), 9);

  // Garbage that no parser accepts counts as a missing file.
  Sandbox::WriteFile(path, std::string("\x00\xff[root\nshow_info_view", 22));
  EXPECT_EQ(platform::GetPrivateProfileInt("root", "show_info_view", 4, widePath), 4);
}
