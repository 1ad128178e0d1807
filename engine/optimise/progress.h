// Progress of an optimiser run on the error stream.
#pragma once

#include <cstdio>

#include "base/clock.h"
#include "optimise/ga.h"

class ProgressReport final : public SearchObserver {
 public:
  enum class Mode {
    NONE,     // nothing (the error stream is not a terminal)
    HUMAN,    // one line rewritten with '\r' (a terminal)
    MACHINE,  // "progress generation=G stale=S best=F elapsed=SECONDS" per generation
  };
  // The mode for a stream: MACHINE when forced, HUMAN on a terminal, else NONE.
  static Mode modeFor(bool forced, bool terminal);

  // Reports to `out`; elapsed time is measured on `clock` from now on.
  ProgressReport(Mode mode, FILE* out, Clock& clock);
  void generation(long generation, unsigned long stale, double best) override;
  // Ends the human line so later output starts on a fresh line.
  void finish();
  // Seconds since the report was made.
  double elapsed() { return clock.seconds() - start; }

 private:
  Mode mode;
  FILE* out;
  Clock& clock;
  double start;
  double lastShown = -1.0;
  bool lineOpen = false;
};
