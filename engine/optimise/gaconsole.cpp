#include "optimise/gaconsole.h"

#include <cstdio>

#include "optimise/population.h"

void GaConsole::header(const std::string& text) const {
  if (shown) std::printf("----------\n%s", text.c_str());
}

void GaConsole::generationStarted(unsigned long remaining, unsigned long maxRuns) {
  spinner = spinner == '/' ? '\\' : '/';
  if (!classic) return;
  std::printf("\b\b\b\b\b[%ld-%c]", static_cast<long>((remaining * 9) / maxRuns), spinner);
  std::fflush(stdout);
}

void GaConsole::improved(const Population& best, const std::string& notation, long iteration) const {
  if (classic) best.dumpPopulation();
  if (shown) std::printf("Solution='%s', iteration number is %ld\n", notation.c_str(), iteration);
}

void GaConsole::finished(long iterations) const {
  if (shown) std::printf("%sDone - algorithm has ended after %ld iteration(s).\n", classic ? "\b\b\b\b\b\b\b" : "", iterations);
}
