// Every data file under tests/scenarios/data is one case: mirrors scripted as it says,
// one download, and the outcome it names.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "tests/scenarios/scenario_run.h"
#include "tests/scenarios/temp_folder.h"

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> ScenarioFiles() {
  std::vector<fs::path> files;
  const char* source = std::getenv("CORVEX_SOURCE_DIR");
  if (source == nullptr) return files;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(fs::path(source) / "tests/scenarios/data", ec)) {
    if (entry.path().extension() == ".scenario") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

class MirrorScenario : public ::testing::TestWithParam<fs::path> {};

TEST_P(MirrorScenario, EndsAsItsDataFileSays) {
  const fs::path& file = GetParam();
  devserver::ParseResult parsed = devserver::LoadScenarioFile(file.string());
  ASSERT_TRUE(parsed.scenario) << parsed.error;
  const char* binaryDir = std::getenv("CORVEX_BINARY_DIR");
  ASSERT_NE(binaryDir, nullptr);

  TempFolder folder("corvex-scenario-" + file.stem().string());
  ASSERT_FALSE(folder.Path().empty());
  const ScenarioRun run = RunScenario(*parsed.scenario, file, ToolsOfBuildTree(binaryDir), folder.Path());
  ASSERT_TRUE(run.setupError.empty()) << run.setupError;

  const std::vector<std::string> failures = CheckOutcome(parsed.scenario->expect, run.outcome, run.package, run.target);
  if (!failures.empty()) {
    std::string report = parsed.scenario->description + "\n";
    for (const std::string& failure : failures) report += "  - " + failure + "\n";
    ADD_FAILURE() << report << "--- fetch output:\n" << run.outcome.output << "--- install log:\n"
                  << run.outcome.log << "--- mirrors:\n" << run.serverOutput;
  }
}

INSTANTIATE_TEST_SUITE_P(Data, MirrorScenario, ::testing::ValuesIn(ScenarioFiles()),
                         [](const ::testing::TestParamInfo<fs::path>& info) { return info.param.stem().string(); });

}  // namespace
