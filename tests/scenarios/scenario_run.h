// One mirror scenario end to end: its package made and served by corvex-devserver on
// loopback, a manifest written by corvex-manifest, the download run in a sandbox and
// its outcome collected for the check.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/scenarios/outcome_check.h"
#include "tools/devserver/scenario.h"

struct ScenarioTools {
  std::string devserver;
  std::string manifest;
  std::string engineDriver;  // corvex-scenario-fetch: exact status, error code and the log
  std::string corvexFetch;   // the operators' tool: exit status and its one failure line
};

enum class FetchProgram { EngineDriver, CorvexFetch };
ScenarioTools ToolsOfBuildTree(const std::filesystem::path& binaryDir);

struct ScenarioRun {
  std::string setupError;  // empty when the download could be run at all
  FetchOutcome outcome;
  std::vector<std::uint8_t> package;
  std::filesystem::path target;
  std::string serverOutput;  // one line per request the mirrors answered
};

// Everything lives below `folder`, which the caller owns.
// Through corvex-fetch the outcome has no log, and an error code only when it failed.
ScenarioRun RunScenario(const devserver::Scenario& scenario, const std::filesystem::path& scenarioFile,
                        const ScenarioTools& tools, const std::filesystem::path& folder,
                        FetchProgram program = FetchProgram::EngineDriver);
