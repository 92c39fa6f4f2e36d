// Every data file under tests/scenarios/data is one case: mirrors scripted as it says,
// one download, and the outcome it names.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "tests/common/sandbox.h"
#include "tests/scenarios/output_excerpt.h"
#include "tests/scenarios/scenario_run.h"

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kOutputLinesShown = 40;

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

void RunAndCheck(const fs::path& file, FetchProgram program) {
  devserver::ParseResult parsed = devserver::LoadScenarioFile(file.string());
  ASSERT_TRUE(parsed.scenario) << parsed.error;
  const char* binaryDir = std::getenv("CORVEX_BINARY_DIR");
  ASSERT_NE(binaryDir, nullptr);

  testing_support::TempFolder folder("corvex-scenario-" + file.stem().string());
  ASSERT_FALSE(folder.Path().empty());
  const ScenarioRun run = RunScenario(*parsed.scenario, file, ToolsOfBuildTree(binaryDir), folder.Path(), program);
  ASSERT_TRUE(run.setupError.empty()) << run.setupError;

  devserver::Expectation expect = parsed.scenario->expect;
  if (program == FetchProgram::CorvexFetch) {
    // The tool keeps no log, and reports the error code only of a failure.
    expect.logLines.clear();
    expect.absentLines.clear();
    if (expect.status == 5) expect.errorCode.reset();
  }
  std::vector<std::string> failures = CheckOutcome(expect, run.outcome, run.package, run.target);
  if (expect.fetch == devserver::FetchCheck::DamagedOnly) {
    const devserver::PackageParams& package = parsed.scenario->package;
    std::vector<std::uint32_t> damaged = package.zeroBlocks;
    damaged.insert(damaged.end(), package.badBlocks.begin(), package.badBlocks.end());
    const std::vector<ServedContent> served = ServedContentOf(run.serverOutput, run.package.size());
    for (const std::string& outside : RequestsOutside(served, damaged)) failures.push_back(outside);
    if (served.empty()) failures.push_back("the mirrors were asked for nothing");
    ::testing::Test::RecordProperty("sent_bytes", std::to_string(SentBytes(served)));
  }
  const OutputExcerpt output = SplitSanitizerReports(run.outcome.output);
  // A report need not stop the tool (halt_on_error may be off); it is a failure all the same.
  if (!output.sanitizerReports.empty()) failures.push_back("the tool printed a sanitizer report");
  if (!failures.empty()) {
    std::string report = parsed.scenario->description + "\n";
    for (const std::string& failure : failures) report += "  - " + failure + "\n";
    if (!output.sanitizerReports.empty()) report += "--- sanitizer report:\n" + output.sanitizerReports;
    ADD_FAILURE() << report << "--- fetch output, last " << kOutputLinesShown << " lines:\n"
                  << LastLines(output.rest, kOutputLinesShown) << "--- install log:\n"
                  << run.outcome.log << "--- mirrors:\n"
                  << run.serverOutput;
  }
}

std::string CaseName(const ::testing::TestParamInfo<fs::path>& info) { return info.param.stem().string(); }

class MirrorScenario : public ::testing::TestWithParam<fs::path> {};

TEST_P(MirrorScenario, EndsAsItsDataFileSays) { RunAndCheck(GetParam(), FetchProgram::EngineDriver); }

INSTANTIATE_TEST_SUITE_P(Data, MirrorScenario, ::testing::ValuesIn(ScenarioFiles()), CaseName);

// The operators' tool on a success, a repair and a failure: its exit status and
// failure line tell the same story as the engine.
class CorvexFetchScenario : public ::testing::TestWithParam<fs::path> {};

TEST_P(CorvexFetchScenario, EndsAsItsDataFileSays) { RunAndCheck(GetParam(), FetchProgram::CorvexFetch); }

std::vector<fs::path> CorvexFetchCases() {
  std::vector<fs::path> cases;
  for (const fs::path& file : ScenarioFiles()) {
    const std::string stem = file.stem().string();
    if (stem == "healthy_mirrors" || stem == "corrupt_block" || stem == "no_usable_mirror") cases.push_back(file);
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Tool, CorvexFetchScenario, ::testing::ValuesIn(CorvexFetchCases()), CaseName);

}  // namespace
