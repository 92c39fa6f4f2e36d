#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "base/install_log.h"
#include "install/product_processes.h"
#include "platform/desktop_session.h"
#include "platform/process.h"
#include "platform/process_launch.h"
#include "platform/text.h"
#include "sandbox.h"
#include "system_test_support.h"
#include "x_server.h"

using namespace base;
using namespace install;

namespace {

using testing_support::Sandbox;
using testing_support::XServer;
namespace fs = std::filesystem;

// A copy of sleep(1) under a product program's name.
std::string PlaceProgram(const std::string& folder, const std::string& name) {
  system_test::MakeFolders(folder);
  const std::string path = folder + "/" + name;
  fs::copy_file("/bin/sleep", path, fs::copy_options::overwrite_existing);
  fs::permissions(path, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
  return path;
}

std::unique_ptr<platform::Process> StartSleeper(const std::string& path) {
  platform::ProcessStart start;
  start.program = path;
  start.arguments = {path, "60"};
  auto process = platform::StartProcess(start);
  EXPECT_TRUE(process) << path;
  return process;
}

bool Running(platform::Process& process) { return !process.ExitCode().has_value(); }

class ProcessesTest : public ::testing::Test {
 protected:
  Sandbox sandbox;
  std::string installFolder = sandbox.root() + "/opt/Corvex 11";
};

TEST_F(ProcessesTest, OneCallTerminatesOneOfTwoInstances) {
  const std::string program = PlaceProgram(installFolder, "Corvex XI.exe");
  auto first = StartSleeper(program);
  auto second = StartSleeper(program);
  ASSERT_TRUE(first && second);
  DWORD pid = 0;
  ASSERT_TRUE(system_test::Eventually([&] { return FindProcessId(L"corvex xi.EXE", pid); }));

  CloseProductProcesses(installFolder);
  ASSERT_TRUE(system_test::Eventually([&] { return !Running(*first) || !Running(*second); }));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_NE(Running(*first), Running(*second));

  // The survivor is the one found now, and the next call takes it.
  platform::Process& survivor = Running(*first) ? *first : *second;
  ASSERT_TRUE(FindProcessId(L"Corvex XI.exe", pid));
  EXPECT_EQ(static_cast<pid_t>(pid), survivor.Id());
  EXPECT_TRUE(TerminateProcessByName(L"Corvex XI.exe", installFolder));
  EXPECT_EQ(survivor.Wait(5000), platform::WaitResult::Exited);
  EXPECT_FALSE(FindProcessId(L"Corvex XI.exe", pid));
  EXPECT_FALSE(TerminateProcessByName(L"Corvex XI.exe", installFolder));
}

TEST_F(ProcessesTest, NamesDifferingInCaseAndRemovedProgramsAreFound) {
  auto lower = StartSleeper(PlaceProgram(installFolder, "vexcore.EXE"));
  const std::string removedPath = PlaceProgram(installFolder, "VexCheck.exe");
  auto removed = StartSleeper(removedPath);
  ASSERT_TRUE(lower && removed);
  fs::remove(removedPath);  // as when the install folder is emptied under a running program

  CloseProductProcesses(installFolder);
  EXPECT_EQ(lower->Wait(5000), platform::WaitResult::Exited);
  EXPECT_EQ(removed->Wait(5000), platform::WaitResult::Exited);
}

TEST_F(ProcessesTest, ProgramsOutsideTheSandboxRootAreLeftAlone) {
  const testing_support::TempFolder outsideFolder("corvex-outside");
  const std::string outside = outsideFolder.Path().string();
  auto foreign = StartSleeper(PlaceProgram(outside, "VexCopy.exe"));
  ASSERT_TRUE(foreign);
  DWORD pid = 0;
  EXPECT_FALSE(TerminateProcessByName(L"VexCopy.exe", outside));
  EXPECT_FALSE(FindProcessId(L"VexCopy.exe", pid));
  EXPECT_TRUE(Running(*foreign));
  foreign->Terminate();
  foreign->Wait(-1);
}

TEST_F(ProcessesTest, OnlyProgramsInsideTheInstallFolderAreClosed) {
  // The same program names in the user's Downloads and in a folder whose name merely
  // starts with the install folder's.
  auto inDownloads = StartSleeper(PlaceProgram(sandbox.home() + "/Downloads", "Corvex XI.exe"));
  auto inSibling = StartSleeper(PlaceProgram(installFolder + "-old", "vexcore.exe"));
  auto installed = StartSleeper(PlaceProgram(installFolder + "/bin", "vexcore.exe"));
  ASSERT_TRUE(inDownloads && inSibling && installed);
  DWORD pid = 0;
  ASSERT_TRUE(system_test::Eventually([&] { return FindProcessId(L"Corvex XI.exe", pid); }));

  // The folder as a link to it: real paths are compared.
  const std::string link = sandbox.root() + "/corvex-link";
  fs::create_directory_symlink(installFolder, link);
  CloseProductProcesses(link + "/");
  EXPECT_EQ(installed->Wait(5000), platform::WaitResult::Exited);
  EXPECT_FALSE(TerminateProcessByName(L"Corvex XI.exe", installFolder));
  EXPECT_FALSE(TerminateProcessByName(L"vexcore.exe", ""));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_TRUE(Running(*inDownloads));
  EXPECT_TRUE(Running(*inSibling));
  for (auto* survivor : {inDownloads.get(), inSibling.get()}) {
    survivor->Terminate();
    survivor->Wait(-1);
  }
}

TEST(CommandLineTest, SplitsAsTheRuntimeDoes) {
  using V = std::vector<std::string>;
  EXPECT_EQ(platform::SplitCommandLine(" --minimode"), V({"--minimode"}));
  EXPECT_EQ(platform::SplitCommandLine(R"(a "b c" d"e f"g)"), V({"a", "b c", "de fg"}));
  EXPECT_EQ(platform::SplitCommandLine(R"(x\\"y z" \"q a\\b "")"), V({R"(x\y z)", R"("q)", R"(a\\b)", ""}));
  EXPECT_EQ(platform::SplitCommandLine("   "), V());
  // The command line of a start as the desktop user holds only the parameters.
  EXPECT_EQ(platform::CommandLineToArgv(" --installmode"), V({"", "--installmode"}));
  EXPECT_EQ(platform::CommandLineToArgv(R"("my prog" -c "x y")"), V({"my prog", "-c", "x y"}));
  EXPECT_EQ(platform::CommandLineToArgv(""), V({""}));
}

// Starts as the desktop user need root to change user.
class DesktopUserStartTest : public ProcessesTest {
 protected:
  void SetUp() override {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root";
    temp.emplace("corvex-out", testing_support::TempFolder::Access::kEveryone);
    outFolder = temp->Path().string();
    ::unsetenv("WAYLAND_DISPLAY");
    ::unsetenv("DISPLAY");
    ::setenv("SUDO_UID", "65534", 1);
    GetLog()->Init(platform::NarrowToWide(outFolder + "/install.log"));
  }
  std::string Log() const { return Sandbox::ReadFile(outFolder + "/install.log"); }
  void TearDown() override {
    ::unsetenv("SUDO_UID");
    ::unsetenv("PKEXEC_UID");
    ::unsetenv("DISPLAY");
  }
  // Parameters for /bin/sh that write its argv[0], uid and gid to `file`.
  std::wstring ShellWriting(const std::string& file) {
    const std::string temp = outFolder + "/" + file + ".tmp";
    const std::string command =
        " -c \"{ echo [$0]; id -u; id -g; } > " + temp + "; mv " + temp + " " + outFolder + "/" + file + "\"";
    return std::wstring(command.begin(), command.end());
  }
  std::optional<testing_support::TempFolder> temp;
  std::string outFolder;
};

TEST_F(DesktopUserStartTest, RunsTheChildAsTheDesktopUser) {
  XServer x;
  ASSERT_FALSE(x.display().empty()) << "Xvfb did not start";
  ::setenv("DISPLAY", x.display().c_str(), 1);
  ASSERT_TRUE(platform::IsDisplayReachable());

  ShellUserToken token = GetShellUserToken();
  ASSERT_TRUE(token);
  EXPECT_EQ(token->uid, 65534u);
  ::setenv("PKEXEC_UID", "0", 1);  // pkexec's word comes before sudo's
  EXPECT_EQ(GetShellUserToken()->uid, 0u);
  ::unsetenv("PKEXEC_UID");

  ASSERT_TRUE(RunAsShellUser(L"/bin/sh", ShellWriting("ids"), L"/", 1));
  ASSERT_TRUE(system_test::Eventually([&] { return fs::exists(outFolder + "/ids"); }));
  // The command line holds only the parameters: argv[0] is empty.
  EXPECT_EQ(Sandbox::ReadFile(outFolder + "/ids"), "[]\n65534\n65534\n");
}

TEST_F(DesktopUserStartTest, WithoutRootItIsAPlainStart) {
  // No display either: a plain start does not need the desktop user's session. The
  // call itself must run as an ordinary user, so it runs in a forked child.
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(99);
    ::_exit(RunAsShellUser(L"/bin/sh", ShellWriting("plain"), L"", 1) ? 0 : 1);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  ASSERT_EQ(WEXITSTATUS(status), 0);
  ASSERT_TRUE(system_test::Eventually([&] { return fs::exists(outFolder + "/plain"); }));
  EXPECT_EQ(Sandbox::ReadFile(outFolder + "/plain"), "[/bin/sh]\n65534\n65534\n");
}

TEST_F(DesktopUserStartTest, WithoutAReachableDisplayNothingStarts) {
  EXPECT_FALSE(GetShellUserToken());
  EXPECT_FALSE(RunAsShellUser(L"/bin/sh", ShellWriting("none"), L"", 1));
  ::setenv("DISPLAY", ":9987", 1);  // no server there
  EXPECT_FALSE(platform::IsDisplayReachable());
  EXPECT_FALSE(RunAsShellUser(L"/bin/sh", ShellWriting("none"), L"", 1));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_FALSE(fs::exists(outFolder + "/none"));
  EXPECT_FALSE(OpenWebPage("http://127.0.0.1:8610/"));
  EXPECT_NE(Log().find("Web page not opened, no desktop session to show it in: http://127.0.0.1:8610/"),
            std::string::npos)
      << Log();
}

TEST_F(DesktopUserStartTest, WebPagesOpenAsTheDesktopUserNeverAsRoot) {
  XServer x;
  ASSERT_FALSE(x.display().empty());
  ::setenv("DISPLAY", x.display().c_str(), 1);
  // A browser stand-in that tells who it ran as and what it was given.
  const std::string bin = outFolder + "/bin";
  system_test::MakeFolders(bin);
  Sandbox::WriteFile(bin + "/xdg-open", "#!/bin/sh\n{ id -u; echo \"$1\"; echo \"$BROWSER\"; } > " + outFolder +
                                            "/page.tmp; mv " + outFolder + "/page.tmp " + outFolder + "/page\n");
  fs::permissions(bin, fs::perms::all);
  fs::permissions(bin + "/xdg-open", fs::perms::all);
  const std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin";
  ::setenv("PATH", (bin + ":" + oldPath).c_str(), 1);
  ::setenv("BROWSER", "/usr/bin/the-users-browser", 1);  // xdg-open honours the user's choice

  EXPECT_TRUE(OpenWebPage("http://127.0.0.1:8610/thankyou.htm?s=corvex11&v=1"));
  EXPECT_TRUE(system_test::Eventually([&] { return fs::exists(outFolder + "/page"); }));
  EXPECT_EQ(Sandbox::ReadFile(outFolder + "/page"),
            "65534\nhttp://127.0.0.1:8610/thankyou.htm?s=corvex11&v=1\n/usr/bin/the-users-browser\n");

  fs::remove(outFolder + "/page");
  ::unsetenv("SUDO_UID");  // the desktop user is root now
  EXPECT_FALSE(OpenWebPage("http://127.0.0.1:8610/"));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_FALSE(fs::exists(outFolder + "/page"));
  EXPECT_NE(Log().find("Web page not opened, a browser is not started as root and no desktop user is known: "
                       "http://127.0.0.1:8610/"),
            std::string::npos)
      << Log();
  ::setenv("PATH", oldPath.c_str(), 1);
  ::unsetenv("BROWSER");
}

TEST(ProcessApiTest, ElevatedStartPassesTheParametersAfterTheProgram) {
  auto process = StartElevated(L"/bin/sh", L" -c \"exit $#\" sh one \"two three\"", L"/");
  ASSERT_TRUE(process);
  EXPECT_EQ(process->Wait(5000), platform::WaitResult::Exited);
  EXPECT_EQ(process->ExitCode(), 2);
  EXPECT_FALSE(StartElevated(L"/nonexistent/Corvex.exe", L"/install", L""));
}

TEST(ProcessApiTest, WaitsTerminatesAndReportsFailedStarts) {
  platform::ProcessStart start;
  start.program = "/bin/sh";
  start.arguments = {"sh", "-c", "exit 7"};
  auto quick = platform::StartProcess(start);
  ASSERT_TRUE(quick);
  EXPECT_EQ(quick->Wait(-1), platform::WaitResult::Exited);
  EXPECT_EQ(quick->ExitCode(), 7);

  start.arguments = {"sleep", "60"};
  start.program = "sleep";
  auto slow = platform::StartProcess(start);
  ASSERT_TRUE(slow);
  EXPECT_EQ(slow->Wait(50), platform::WaitResult::TimedOut);
  EXPECT_FALSE(slow->ExitCode());
  EXPECT_TRUE(slow->Terminate(0));
  EXPECT_EQ(slow->Wait(5000), platform::WaitResult::Exited);
  EXPECT_EQ(slow->ExitCode(), 0);

  int error = 0;
  start.program = "/nonexistent/program";
  EXPECT_FALSE(platform::StartProcess(start, &error));
  EXPECT_EQ(error, ENOENT);
  start.program = "/bin/true";
  start.directory = "/nonexistent/folder";
  EXPECT_FALSE(platform::StartDetachedProcess(start, &error));
  EXPECT_EQ(error, ENOENT);
}

}  // namespace
