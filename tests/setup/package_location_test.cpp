// Where the downloaded package is kept and under which name: the version suffix is
// the first 8 characters of a longer version text, and nothing for a shorter one.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/text.h"
#include "sandbox.h"
#include "setup/package_location.h"

using namespace setup;

namespace {

TEST(PackageLocation, TheVersionSuffixNeedsMoreThanEightCharacters) {
  EXPECT_EQ(PackageFileName("Corvex11_x64", "11.0.9.2 official (16/06/2020)"), L"Corvex11_x64(11.0.9.2).exe");
  EXPECT_EQ(PackageFileName("Corvex11_x64", "11.0.9.23"), L"Corvex11_x64(11.0.9.2).exe");
  EXPECT_EQ(PackageFileName("Corvex11_x64", "11.0.9.2"), L"Corvex11_x64.exe");
  EXPECT_EQ(PackageFileName("Corvex11_x86", "11.0"), L"Corvex11_x86.exe");
  EXPECT_EQ(PackageFileName("Corvex11_x86", ""), L"Corvex11_x86.exe");
}

TEST(PackageLocation, ThePackageGoesToItsOwnFolderInDownloads) {
  testing_support::Sandbox sandbox;
  const std::wstring path = PackageDownloadPath("Corvex11_x64", "11.0.9");
  EXPECT_EQ(platform::WideToNarrow(path), sandbox.home() + "/Downloads/Corvex 11/Corvex11_x64.exe");
  EXPECT_TRUE(std::filesystem::is_directory(sandbox.home() + "/Downloads/Corvex 11"));
  // A name that would not fit the 260-character buffers gives no path at all.
  EXPECT_TRUE(PackageDownloadPath(std::string(250, 'C'), "11.0.9.2 official").empty());
}

}  // namespace
