#include "optimise/progress.h"

namespace {
// Shortest interval between two rewrites of the human line, in seconds.
constexpr double kHumanInterval = 0.1;
}  // namespace

ProgressReport::Mode ProgressReport::modeFor(bool forced, bool terminal) {
  if (forced) return Mode::MACHINE;
  return terminal ? Mode::HUMAN : Mode::NONE;
}

ProgressReport::ProgressReport(Mode m, FILE* stream, Clock& c) : mode(m), out(stream), clock(c), start(c.seconds()) {}

void ProgressReport::generation(long generation, unsigned long stale, double best) {
  if (mode == Mode::NONE || !out) return;
  const double seconds = elapsed();
  if (mode == Mode::MACHINE) {
    std::fprintf(out, "progress generation=%ld stale=%lu best=%.6f elapsed=%.3f\n", generation, stale, best, seconds);
    std::fflush(out);
    return;
  }
  if (lineOpen && seconds - lastShown < kHumanInterval) return;
  lastShown = seconds;
  std::fprintf(out, "\rgeneration %ld, %lu without improvement, best fitness %.3f, %.1f s   ", generation, stale,
               best, seconds);
  std::fflush(out);
  lineOpen = true;
}

void ProgressReport::finish() {
  if (!lineOpen) return;
  std::fputc('\n', out);
  std::fflush(out);
  lineOpen = false;
}
