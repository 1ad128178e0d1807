#include "optimise/layoutresults.h"

#include <cstdio>

#include "analysis/analysis.h"
#include "model/model.h"
#include "write/analysis_line.h"
#include "write/reports.h"
#include "scan/insertion.h"

void writeLayoutResults(Circuit& c, const LayoutRegisters& regs, const ScanLayout& layout, const SearchResult& found,
                        SearchObserver* observer, const RunContext& run) {
  const AppliedScanLayout applied(c, regs, layout);
  std::printf("\nPerforming testability analysis (TA) to resulting circuit...\n");
  const ResultFiles files(run.resultFolder, run.diagnostics);
  Analyser analyser(run.diagnostics, run.analysis);
  analyseWithConsoleLine(analyser, c);
  writePropagationFile(c, files);
  writeTextTable(c, files);
  writeTexTable(c, files);
  writeHtmlTable(c, files);
  writeParameters(c, measuresOf(c), files);
  if (observer) observer->finished(c, found);
}
