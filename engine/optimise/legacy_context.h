// TRANSITIONAL. The optimiser's entry points do not take the run context yet
// (the optimiser is being rewritten beside this change); until they do, the
// command that starts an optimiser installs the run context here for the
// run's duration. This is the one place left with process-wide state, and it
// goes once the optimiser takes a RunContext& like the rest of the engine.
#pragma once

#include "base/run_context.h"

class Analyser;
class Diagnostics;
class ResultFiles;

// Installs `context` as the optimiser's run context while alive (scopes nest).
class OptimiserRunScope {
 public:
  explicit OptimiserRunScope(const RunContext& context);
  ~OptimiserRunScope();
  OptimiserRunScope(const OptimiserRunScope&) = delete;
  OptimiserRunScope& operator=(const OptimiserRunScope&) = delete;

 private:
  const RunContext* previous;
};

// The installed run's diagnostics (standard error when none is installed).
Diagnostics& optimiserDiagnostics();
// The calling thread's analyser for the installed run.
Analyser& optimiserAnalyser();
// The installed run's result files.
ResultFiles optimiserResultFiles();
