// The run context of the engine tests: one Diagnostics and one RunContext for
// the whole test program (resetTestErrors restarts the count on them, so what
// holds them stays valid), a result folder and analysis options that tests
// set, and an analyser and result files over them.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <utility>

#include "analysis/analysis.h"
#include "base/clock.h"
#include "base/diagnostics.h"
#include "base/run_context.h"
#include "read/import.h"
#include "write/reports.h"

namespace testsupport {

class TestRun {
 public:
  TestRun()
      : run{diagnostics, systemClock(), systemProcessRunner(), std::string(), AnalysisOptions{}},
        analyser(std::make_unique<Analyser>(diagnostics, run.analysis)) {}
  // Counts from 0 again, writing to `stream`; a fresh analyser; the folder and options stay.
  void restart(FILE* stream) {
    diagnostics.restart(stream);
    analyser = std::make_unique<Analyser>(diagnostics, run.analysis);
  }
  // Later analyses of the test run use `options`.
  void setOptions(AnalysisOptions options) {
    run.analysis = options;
    analyser = std::make_unique<Analyser>(diagnostics, options);
  }
  RunContext& context() { return run; }
  Analyser& analysis() { return *analyser; }

 private:
  Diagnostics diagnostics{stderr};
  RunContext run;
  std::unique_ptr<Analyser> analyser;
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
inline void resetTestErrors() { testsupport::testRun().restart(testDiagnostics().stream()); }
// Sends error messages to `stream` (null: standard error), counting from 0; returns the previous stream.
inline FILE* setTestErrorStream(FILE* stream) {
  FILE* previous = testDiagnostics().stream();
  testsupport::testRun().restart(stream ? stream : stderr);
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
