// What one run of the engine works with, passed down explicitly: where errors
// are reported, where result files go, the clock, the runner of external
// programs and how to analyse. Nothing in the engine keeps any of these of its own.
#pragma once

#include <string>

#include "base/measure_kind.h"

class Clock;
class Diagnostics;
class ProcessRunner;

// Schedules of the testability analysis (see analysis/analysis.h).
enum class AnalysisSchedule { INCREMENTAL, FULL_WALKS };

// How a run analyses.
struct AnalysisOptions {
  AnalysisSchedule schedule = AnalysisSchedule::INCREMENTAL;
  MeasureKind measure = MeasureKind::CLASSIC;  // the measure of the modern commands (--measure)
};

struct RunContext {
  Diagnostics& diagnostics;   // counted errors
  Clock& clock;               // elapsed times and clock-drawn seeds
  ProcessRunner& processes;   // external programs (the Verilog importer)
  std::string resultFolder;   // where result files go; empty: the working directory
  AnalysisOptions analysis;
};
