#include "tests/scenarios/scenario_run.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "download/download_config.h"
#include "platform/child_process.h"
#include "tests/common/devserver_process.h"

using namespace download;

namespace fs = std::filesystem;

namespace {

constexpr char kTimeoutProgram[] = "/usr/bin/timeout";
// The server outlives the slowest download by this much, then ends by itself.
constexpr std::uint32_t kServerGraceSeconds = 60;

void WriteBytes(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct ToolRun {
  platform::ChildProcessResult result;
  std::string output;
};

ToolRun RunTool(const std::string& program, const std::vector<std::string>& arguments,
                const std::vector<std::pair<std::string, std::string>>& environment = {}) {
  platform::ChildProcessRequest request;
  request.program = program;
  request.argv.push_back(program);
  request.argv.insert(request.argv.end(), arguments.begin(), arguments.end());
  request.extraEnv = environment;
  ToolRun run;
  request.onLine = [&run](platform::ChildStream, std::string_view line) {
    run.output.append(line);
    run.output += '\n';
  };
  run.result = platform::RunChildProcess(request);
  return run;
}

bool Exited0(const platform::ChildProcessResult& result) {
  return result.outcome == platform::ChildOutcome::Exited && result.exitCode == 0;
}

void PlaceTargetBefore(const devserver::PackageParams& params, const std::vector<std::uint8_t>& package,
                       const fs::path& target) {
  switch (params.target) {
    case devserver::TargetBefore::Nothing: return;
    case devserver::TargetBefore::Package: WriteBytes(target, package); return;
    case devserver::TargetBefore::StaleLonger: {
      devserver::PackageParams other = params;
      other.seed = params.seed + 1000;
      other.size = params.size + 123457;
      WriteBytes(target, devserver::GeneratePackage(other));
      return;
    }
    case devserver::TargetBefore::Damaged: WriteBytes(target, devserver::DamagedCopy(params, package)); return;
  }
}

// "status=5 error_code=0 error=NoError cdn=0" from the fetch driver.
void ReadFetchResult(const std::string& output, FetchOutcome& outcome) {
  const std::size_t line = output.rfind("status=");
  if (line == std::string::npos) return;
  const std::size_t code = output.find(" error_code=", line);
  if (code == std::string::npos) return;
  outcome.status = std::atoi(output.c_str() + line + 7);
  outcome.errorCode = std::atoi(output.c_str() + code + 12);
}

// corvex-fetch says nothing on success but its exit status, and on failure
// "corvex-fetch: download failed: <error name> (status N)".
void ReadCorvexFetchResult(const platform::ChildProcessResult& result, const std::string& output,
                           FetchOutcome& outcome) {
  if (result.outcome != platform::ChildOutcome::Exited) return;
  if (result.exitCode == 0) {
    outcome.status = 5;
    return;
  }
  const std::string marker = "download failed: ";
  const std::size_t at = output.find(marker);
  if (at == std::string::npos) return;
  const std::size_t nameStart = at + marker.size();
  const std::string name = output.substr(nameStart, output.find(' ', nameStart) - nameStart);
  for (int code = 0; code <= 14; ++code) {
    if (name == GetDownloadErrorName(code)) outcome.errorCode = code;
  }
  const std::size_t status = output.find("(status ", nameStart);
  if (status != std::string::npos) outcome.status = std::atoi(output.c_str() + status + 8);
}

}  // namespace

ScenarioTools ToolsOfBuildTree(const fs::path& binaryDir) {
  return {(binaryDir / "tools/devserver/corvex-devserver").string(),
          (binaryDir / "tools/corvex-manifest/corvex-manifest").string(),
          (binaryDir / "tests/scenarios/corvex-scenario-fetch").string(),
          (binaryDir / "tools/corvex-fetch/corvex-fetch").string()};
}

ScenarioRun RunScenario(const devserver::Scenario& scenario, const fs::path& scenarioFile, const ScenarioTools& tools,
                        const fs::path& folder, FetchProgram program) {
  ScenarioRun run;
  const fs::path mirrorRoot = folder / "mirror";
  const fs::path sandbox = folder / "root";
  const fs::path home = folder / "home";
  for (const fs::path& dir : {mirrorRoot, sandbox, home, home / "Downloads"}) fs::create_directories(dir);

  run.package = devserver::GeneratePackage(scenario.package);
  const fs::path packagePath = mirrorRoot / scenario.package.name;
  WriteBytes(packagePath, run.package);

  const std::uint32_t limit = scenario.expect.timeLimitSeconds;
  testing_support::DevserverProcess server;
  const bool ready =
      server.Start(tools.devserver, {"--scenario", scenarioFile.string(), "--package", packagePath.string(), "--port",
                                     "0", "--max-seconds", std::to_string(limit + kServerGraceSeconds)});
  run.serverOutput = server.Output();
  if (!ready) {
    run.setupError = "corvex-devserver did not get ready:\n" + run.serverOutput;
    return run;
  }

  const fs::path manifestPath = folder / "manifest.xml";
  std::vector<std::string> manifestArgs = {"--package", packagePath.string(), "--stem",     "corvex11mini",
                                           "--version", "11.0.9.2",           "--url-name", scenario.package.name,
                                           "--output",  manifestPath.string()};
  for (const devserver::MirrorScript& mirror : scenario.mirrors) {
    manifestArgs.push_back("--mirror");
    manifestArgs.push_back("http://" + mirror.address + ":" + std::to_string(server.MirrorPort()) + mirror.pathPrefix);
  }
  ToolRun manifest = RunTool(tools.manifest, manifestArgs);
  if (!Exited0(manifest.result)) {
    run.setupError = "corvex-manifest failed:\n" + manifest.output;
    return run;
  }

  run.target = home / "Downloads" / scenario.package.name;
  PlaceTargetBefore(scenario.package, run.package, run.target);
  const fs::path logPath = folder / "install.log";
  std::vector<std::string> fetchArgs = {"-s", "KILL", std::to_string(limit)};
  if (program == FetchProgram::EngineDriver) {
    fetchArgs.insert(fetchArgs.end(),
                     {tools.engineDriver, manifestPath.string(), run.target.string(), logPath.string()});
  } else {
    fetchArgs.insert(fetchArgs.end(), {tools.corvexFetch, "--manifest", manifestPath.string(), "--output",
                                       run.target.string(), "--quiet"});
  }
  const auto fetchStart = std::chrono::steady_clock::now();
  ToolRun fetch = RunTool(kTimeoutProgram, fetchArgs,
                          {{"CORVEX_SYSROOT", sandbox.string()},
                           {"HOME", home.string()},
                           {"XDG_CONFIG_HOME", (home / ".config").string()},
                           {"XDG_DATA_HOME", (home / ".local/share").string()},
                           {"XDG_STATE_HOME", (home / ".local/state").string()}});
  const std::chrono::duration<double> fetchTime = std::chrono::steady_clock::now() - fetchStart;
  server.Stop();
  run.serverOutput = server.Output();
  if (!server.EndedCleanly()) run.setupError = "corvex-devserver did not end cleanly:\n" + run.serverOutput;

  run.outcome.end = EndUnderTimeLimit(fetch.result, fetchTime.count(), limit);
  run.outcome.output = fetch.output;
  if (program == FetchProgram::EngineDriver) {
    run.outcome.finished = Exited0(fetch.result);
    ReadFetchResult(fetch.output, run.outcome);
    run.outcome.log = ReadText(logPath);
  } else {
    // 0 and 1 are its own ends; any other status, a signal or the time limit is not.
    run.outcome.finished = fetch.result.outcome == platform::ChildOutcome::Exited &&
                           (fetch.result.exitCode == 0 || fetch.result.exitCode == 1);
    ReadCorvexFetchResult(fetch.result, fetch.output, run.outcome);
  }
  return run;
}
