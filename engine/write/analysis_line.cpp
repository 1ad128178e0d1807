#include "write/analysis_line.h"

#include <cstdio>

#include "analysis/analysis.h"

void analyseWithConsoleLine(Analyser& analyser, Circuit& c) {
  std::printf("Running testability analysis (current part: ");
  std::fflush(stdout);
  analyser.bothDirections(c);
  std::printf("\rTestability analysis done.            ");
  std::printf("                                       \n");
}
