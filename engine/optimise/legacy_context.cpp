#include "optimise/legacy_context.h"

#include <memory>

#include "analysis/analysis.h"
#include "base/diagnostics.h"
#include "write/reports.h"

namespace {

// Transitional state, see the header.
const RunContext* installed = nullptr;

Diagnostics& fallbackDiagnostics() {
  static Diagnostics standardError(stderr);
  return standardError;
}

}  // namespace

OptimiserRunScope::OptimiserRunScope(const RunContext& context) : previous(installed) { installed = &context; }

OptimiserRunScope::~OptimiserRunScope() { installed = previous; }

Diagnostics& optimiserDiagnostics() { return installed ? installed->diagnostics : fallbackDiagnostics(); }

Analyser& optimiserAnalyser() {
  // One per thread and run: an analyser keeps its work lists between analyses.
  thread_local std::unique_ptr<Analyser> analyser;
  thread_local Diagnostics* owner = nullptr;
  Diagnostics& d = optimiserDiagnostics();
  if (!analyser || owner != &d) {
    analyser = std::make_unique<Analyser>(d, installed ? installed->analysis : AnalysisOptions{});
    owner = &d;
  }
  return *analyser;
}

ResultFiles optimiserResultFiles() {
  return ResultFiles(installed ? installed->resultFolder : std::string(), optimiserDiagnostics());
}
