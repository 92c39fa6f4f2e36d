// The install helper as the dialog meets it: a separate process on the other end of
// a socket, handed the package as an open file. It installs only bytes it copied and
// checked itself, and undoes what the dialog did not commit.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <mutex>
#include <vector>

#include "base/install_log.h"
#include "download/manifest_writer.h"
#include "platform/framed_channel.h"
#include "setup/install_helper.h"
#include "setup/install_helper_client.h"
#include "setup/install_state.h"
#include "tests/common/sandbox.h"

using namespace base;
using namespace download;
using namespace setup;

namespace fs = std::filesystem;

namespace {

using testing_support::Sandbox;

// The helper's lines as they reach the dialog's log.
std::mutex g_linesMutex;
std::vector<std::string> g_lines;
int KeepLine(const char* text) {
  std::lock_guard<std::mutex> lock(g_linesMutex);
  g_lines.emplace_back(text);
  return 1;
}

bool LogHas(const std::string& part) {
  std::lock_guard<std::mutex> lock(g_linesMutex);
  for (const auto& line : g_lines) {
    if (line.find(part) != std::string::npos) return true;
  }
  return false;
}

class InstallHelperTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv("CORVEX_RESOURCE_OVERRIDE", (sandbox_.root() + "/resources").c_str(), 1);
    package_ = std::string(3 * 1048576 + 77, '\0');
    for (size_t i = 0; i < package_.size(); ++i) package_[i] = static_cast<char>((i * 2654435761u) >> 11);
    ManifestParams params;
    params.stem = "corvex11";
    params.version = "11.0.9.2";
    params.mirrorBases = {"http://127.0.0.11:8600/"};
    const std::string manifest =
        BuildManifestText(reinterpret_cast<const unsigned char*>(package_.data()), package_.size(), params);
    fs::create_directories(sandbox_.root() + "/resources/xml");
    fs::create_directories(sandbox_.home() + "/Downloads");
    for (const char* id : {"501", "502"}) Sandbox::WriteFile(sandbox_.root() + "/resources/xml/" + id, manifest);
    Sandbox::WriteFile(PackagePath(), package_);
    {
      std::lock_guard<std::mutex> lock(g_linesMutex);
      g_lines.clear();
    }
    GetLog()->SetLogCallback(&KeepLine);
  }

  void TearDown() override {
    client_.reset();
    if (helper_ > 0) ::waitpid(helper_, nullptr, 0);
    GetLog()->SetLogCallback(nullptr);
    ::unsetenv("CORVEX_RESOURCE_OVERRIDE");
  }

  // The helper in a process of its own, as pkexec would start it.
  void StartHelper() {
    int ours = -1;
    int theirs = -1;
    ASSERT_TRUE(platform::MakeSocketPair(ours, theirs));
    helper_ = ::fork();
    if (helper_ == 0) {
      ::close(ours);
      platform::FramedChannel channel(theirs);
      ::_exit(RunInstallHelper(channel));
    }
    ::close(theirs);
    client_ = InstallHelperClient::Over(std::make_unique<platform::FramedChannel>(ours));
    ASSERT_TRUE(client_);
  }

  HelperResult Hand(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    const HelperResult result = client_->Call(HelperMessage::kReceivePackage, MessageWriter().Number(1).Bytes(), fd);
    if (fd >= 0) ::close(fd);
    return result;
  }

  std::string PackagePath() const { return sandbox_.home() + "/Downloads/package.exe"; }
  std::string HelperFolder() const { return sandbox_.root() + "/var/lib/corvex"; }
  std::vector<fs::path> PackageCopies() const {
    std::vector<fs::path> copies;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(HelperFolder(), error)) {
      if (entry.path().filename().string().rfind("package-", 0) == 0) copies.push_back(entry.path());
    }
    return copies;
  }

  Sandbox sandbox_;
  std::string package_;
  pid_t helper_ = -1;
  std::unique_ptr<InstallHelperClient> client_;
};

TEST_F(InstallHelperTest, OnlyAPackageMatchingTheManifestIsTakenAndItsCopyIsRootsAlone) {
  StartHelper();
  // Nothing to prepare from before a package was checked.
  HelperResult result =
      client_->Call(HelperMessage::kPrepareFolder, MessageWriter().Text(sandbox_.root() + "/opt/Corvex 11").Bytes());
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(static_cast<InstallFailure>(result.failure), InstallFailure::kPackageNotVerified);

  // Same size, one byte changed: only the digest tells.
  std::string forged = package_;
  forged[1048576 + 5] ^= 1;
  Sandbox::WriteFile(sandbox_.root() + "/forged.exe", forged);
  result = Hand(sandbox_.root() + "/forged.exe");
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(static_cast<InstallFailure>(result.failure), InstallFailure::kPackageNotVerified);
  EXPECT_TRUE(LogHas("does not match the manifest's digest"));

  // Not a file at all.
  int pipeEnds[2];
  ASSERT_EQ(::pipe(pipeEnds), 0);
  result = client_->Call(HelperMessage::kReceivePackage, MessageWriter().Number(1).Bytes(), pipeEnds[0]);
  ::close(pipeEnds[0]);
  ::close(pipeEnds[1]);
  EXPECT_FALSE(result.ok);
  EXPECT_TRUE(LogHas("no package file was handed over"));

  result = Hand(PackagePath());
  ASSERT_TRUE(result.ok);
  EXPECT_TRUE(LogHas("package verified"));
  // Changing the handed file afterwards changes nothing the helper installs from.
  Sandbox::WriteFile(PackagePath(), forged);
  const std::vector<fs::path> copies = PackageCopies();
  ASSERT_EQ(copies.size(), 1u);
  struct stat st {};
  ASSERT_EQ(::stat(copies[0].c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_EQ(st.st_uid, ::geteuid());
  EXPECT_EQ(Sandbox::ReadFile((copies[0] / "package.exe").string()), package_);

  client_->End();
  ::waitpid(helper_, nullptr, 0);
  helper_ = -1;
  EXPECT_TRUE(PackageCopies().empty()) << "the helper's copy outlived it";
}

TEST_F(InstallHelperTest, WhatTheDialogDidNotCommitIsUndoneWhenItEnds) {
  const std::string target = sandbox_.root() + "/opt/Corvex 11";
  const auto freshFolders = [&] {
    std::vector<std::string> fresh;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(sandbox_.root() + "/opt", error)) {
      if (entry.path().filename().string().rfind("Corvex 11.new-", 0) == 0) fresh.push_back(entry.path());
    }
    return fresh;
  };

  StartHelper();
  ASSERT_TRUE(Hand(PackagePath()).ok);
  HelperResult prepared = client_->Call(HelperMessage::kPrepareFolder, MessageWriter().Text(target).Bytes());
  ASSERT_TRUE(prepared.ok) << prepared.failure;
  EXPECT_EQ(freshFolders().size(), 1u);
  // The dialog side goes away without a word: the helper rolls the step back.
  client_.reset();
  ::waitpid(helper_, nullptr, 0);
  helper_ = -1;
  EXPECT_TRUE(freshFolders().empty());

  // A committed step stays.
  StartHelper();
  ASSERT_TRUE(Hand(PackagePath()).ok);
  prepared = client_->Call(HelperMessage::kPrepareFolder, MessageWriter().Text(target).Bytes());
  ASSERT_TRUE(prepared.ok);
  ASSERT_TRUE(client_->Call(HelperMessage::kCommit, MessageWriter().Number(prepared.step).Bytes()).ok);
  client_->End();
  EXPECT_EQ(freshFolders().size(), 1u);
  // A step the helper does not know is refused, not guessed at.
  StartHelper();
  EXPECT_FALSE(client_->Call(HelperMessage::kRollback, MessageWriter().Number(99).Bytes()).ok);
  EXPECT_FALSE(client_->Call(static_cast<HelperMessage>(77)).ok);
}

}  // namespace
