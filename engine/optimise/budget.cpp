#include "optimise/budget.h"

#include <cmath>
#include <cstdio>

#include "model/model.h"
#include "optimise/evaluator.h"
#include "scan/layouts.h"

namespace {

// `v` rounded up to one decimal, so that the bound it names allows `v`.
double roundedUp(double v) { return std::ceil(v * 10.0 - 1e-9) / 10.0; }

// One clause "the pin bound (--pins 13 %) forbids it: one chain needs 50 %; --pins 50 would allow one".
std::string clause(const char* what, const char* option, double bound, double needed) {
  char buf[200];
  std::snprintf(buf, sizeof buf, "the %s bound (%s %g %%) forbids it, one chain needs %.1f %%; %s %g would allow one",
                what, option, bound, needed, option, roundedUp(needed));
  return buf;
}

}  // namespace

SmallestLayoutBudget smallestLayoutBudget(Circuit& c, const FitnessLimits& limits, const RunContext& run) {
  SmallestLayoutBudget b;
  if (c.getNREGs() == 0) return b;
  ScanEvaluator eval(c, run, ORDERED_SCAN, limits);
  const ScanEvaluator::Overheads o = eval.overheads(fullScanLayout(1, 1));
  b.areaPercent = o.areaPercent;
  b.pinPercent = o.pinPercent;
  b.areaForbids = o.areaPercent > limits.maxAreaOverhead;
  b.pinsForbid = o.pinPercent > limits.maxPinOverhead;
  return b;
}

std::string noScanExplanation(Circuit& c, const FitnessLimits& limits, const RunContext& run) {
  const SmallestLayoutBudget b = smallestLayoutBudget(c, limits, run);
  if (!b.areaForbids && !b.pinsForbid) return {};
  std::string text = "No scan within the bounds: ";
  if (b.pinsForbid) text += clause("pin", "--pins", limits.maxPinOverhead, b.pinPercent);
  if (b.pinsForbid && b.areaForbids) text += "; ";
  if (b.areaForbids) text += clause("area", "--area", limits.maxAreaOverhead, b.areaPercent);
  return text;
}
