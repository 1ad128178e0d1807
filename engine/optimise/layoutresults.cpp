#include "optimise/layoutresults.h"

#include <cstdio>

#include "model/model.h"
#include "scan/insertion.h"

void writeLayoutResults(Circuit& c, const LayoutRegisters& regs, const ScanLayout& layout, const SearchResult& found,
                        SearchObserver* observer) {
  const AppliedScanLayout applied(c, regs, layout);
  std::printf("\nPerforming testability analysis (TA) to resulting circuit...\n");
  c.testability_analysisFULL();
  c.dumpTAresultsTxt();
  c.dumpTAresultsTex();
  c.dumpTAresultsHtml();
  c.dumpResults();
  if (observer) observer->finished(c, found);
}
