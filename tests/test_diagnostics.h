// The run context of the engine tests: one Diagnostics at a time (replaced
// by resetTestErrors), a result folder and analysis options that tests set,
// and an analyser and result files over them. The optimiser's transitional
// run scope points at it, so that the optimiser reports to the same place.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <utility>

#include "analysis/analysis.h"
#include "base/clock.h"
#include "base/diagnostics.h"
#include "base/run_context.h"
#include "optimise/legacy_context.h"
#include "read/import.h"
#include "write/reports.h"

namespace testsupport {

class TestRun {
 public:
  TestRun() { rebuild(stderr, std::string(), AnalysisOptions{}); }
  // A fresh diagnostics (count 0) writing to `stream`; the folder and options stay.
  void rebuild(FILE* stream, std::string folder, AnalysisOptions options) {
    scope.reset();
    analyser.reset();
    run.reset();
    diagnostics = std::make_unique<Diagnostics>(stream);
    run = std::make_unique<RunContext>(
        RunContext{*diagnostics, systemClock(), systemProcessRunner(), std::move(folder), options});
    analyser = std::make_unique<Analyser>(*diagnostics, options);
    scope = std::make_unique<OptimiserRunScope>(*run);
  }
  // Later analyses of the test run use `options`.
  void setOptions(AnalysisOptions options) {
    run->analysis = options;
    analyser = std::make_unique<Analyser>(*diagnostics, options);
  }
  RunContext& context() { return *run; }
  Analyser& analysis() { return *analyser; }

 private:
  std::unique_ptr<Diagnostics> diagnostics;
  std::unique_ptr<RunContext> run;
  std::unique_ptr<Analyser> analyser;
  std::unique_ptr<OptimiserRunScope> scope;
};

inline TestRun& testRun() {
  static TestRun r;
  return r;
}

}  // namespace testsupport

// The test run's context, diagnostics, analyser and result files.
inline RunContext& testContext() { return testsupport::testRun().context(); }
inline Diagnostics& testDiagnostics() { return testContext().diagnostics; }
inline Analyser& testAnalyser() { return testsupport::testRun().analysis(); }
inline ResultFiles testFiles() { return ResultFiles(testContext().resultFolder, testDiagnostics()); }
// Errors counted since the last reset.
inline long testErrorCount() { return testDiagnostics().count(); }

// Starts counting errors from 0 again, on the same stream.
inline void resetTestErrors() {
  RunContext& r = testContext();
  testsupport::testRun().rebuild(r.diagnostics.stream(), r.resultFolder, r.analysis);
}
// Sends error messages to `stream` (null: standard error), counting from 0; returns the previous stream.
inline FILE* setTestErrorStream(FILE* stream) {
  RunContext& r = testContext();
  FILE* previous = r.diagnostics.stream();
  testsupport::testRun().rebuild(stream ? stream : stderr, r.resultFolder, r.analysis);
  return previous;
}
// Sets the folder of the test run's result files; returns the previous one.
inline std::string setTestResultFolder(const std::string& folder) { return std::exchange(testContext().resultFolder, folder); }
// Sets the schedule of the test run's analyses; returns the previous one.
inline AnalysisSchedule setTestAnalysisSchedule(AnalysisSchedule s) {
  AnalysisOptions options = testContext().analysis;
  const AnalysisSchedule previous = options.schedule;
  options.schedule = s;
  testsupport::testRun().setOptions(options);
  return previous;
}

// Both directions and the propagation file, as the analysis run writes them.
inline void analyseFull(Circuit& c) {
  testAnalyser().bothDirections(c);
  writePropagationFile(c, testFiles());
}
