#include "cli/measure_option.h"

#include <cstdio>

#include "analysis/fixpoint.h"
#include "base/run_context.h"

const char* measureName(MeasureKind m) { return m == MeasureKind::FIXPOINT ? "fixpoint" : "classic"; }

std::string readMeasureName(const std::string& text, MeasureKind& m) {
  if (text == "classic")
    m = MeasureKind::CLASSIC;
  else if (text == "fixpoint")
    m = MeasureKind::FIXPOINT;
  else
    return "--measure is 'classic' or 'fixpoint', not '" + text + "'";
  return {};
}

void announceMeasure(const RunContext& run) {
  if (run.analysis.measure != MeasureKind::FIXPOINT) return;
  const FixpointSettings s;
  std::printf("Measure fixpoint (depth factor %g, threshold %g)\n", s.depthFactor, s.threshold);
}
