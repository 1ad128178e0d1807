#include "optimise/fitness.h"

#include <cmath>

#include "analysis/analysis.h"
#include "analysis/fixpoint.h"
#include "model/model.h"

double evalUBatt(double requiredVal, double realVal) {
  if (realVal <= requiredVal) {
    // No overhead is far below any bound, including a bound of 0.
    const double ratio = realVal == 0.0 ? 0.0 : realVal / requiredVal;
    return BPup + (1.0 - BPup) * std::exp(-(ratio * ratio));
  }
  return BPup * std::exp(-(realVal - requiredVal));
}

namespace {

// Overhead of `actual` over `orig` in percent; growth from nothing is unbounded.
double overheadPercent(double actual, double orig) {
  if (orig != 0.0) return (actual / orig - 1.0) * 100.0;
  return actual > 0.0 ? HUGE_VAL : 0.0;
}

// The fitness by the fixpoint measure, from the figures `f` of `c`: the same shape, over the design's own data ports.
double ownPortFitness(const Circuit& c, const FitnessBasis& basis, const OwnPortFigures& f) {
  const double aOver = overheadPercent(c.getArea(), basis.origArea);
  const double pOver = overheadPercent(c.getNPIOs(), basis.origNPins);
  const double uA = evalUBatt(basis.limits.maxAreaOverhead, aOver);
  const double uP = evalUBatt(basis.limits.maxPinOverhead, pOver);
  double res1 = 0.0;
  if (f.bits > 0) {
    if (basis.limits.objective == Objective::GRADED)
      res1 = 100.0 * static_cast<double>(f.nC) / static_cast<double>(f.bits);
    else
      res1 = f.nC == f.bits ? 100.0 : 0.0;
  }
  const double res2 = (50.0 * f.con + 10.0 * uA + 10.0 * uP) * res1 / 70.0;
  return res2 * f.con * uA * uP;
}

}  // namespace

double appliedLayoutFitness(Circuit& c, const FitnessBasis& basis, Analyser& analyser) {
  analyser.controllabilityFigures(c);  // also computes the averages (evalCon, evalObs, evalTst)
  // The figures the analysis has just taken, when they are the ones the fitness takes.
  if (const OwnPortFigures* f = analyser.defaultFixpointFigures(); f && c.measureKind() == MeasureKind::FIXPOINT)
    return ownPortFitness(c, basis, *f);
  return analysedLayoutFitness(c, basis);
}

double analysedLayoutFitness(const Circuit& c, const FitnessBasis& basis) {
  if (c.measureKind() == MeasureKind::FIXPOINT) return ownPortFitness(c, basis, ownPortFigures(c));
  const int nports = c.getNPins() + c.getNPCins() + c.getNPouts() + c.getNPinouts() + c.getNIns() +
                     c.getNCins() + c.getNOuts() + c.getNInouts();
  const double actualArea = c.getArea();
  const double actualNIOs = c.getNPins() + c.getNPCins() + c.getNPinouts() + c.getNPouts();
  const double aOver = overheadPercent(actualArea, basis.origArea);
  const double pOver = overheadPercent(actualNIOs, basis.origNPins);
  const double con = c.getCon();
  const double uA = evalUBatt(basis.limits.maxAreaOverhead, aOver);
  const double uP = evalUBatt(basis.limits.maxPinOverhead, pOver);
  double res1 = 0.0;
  if (nports > 0) {
    if (basis.limits.objective == Objective::GRADED)
      res1 = 100.0 * static_cast<double>(controllableBits(c)) / static_cast<double>(nports);
    else
      res1 = 100 * (controllableBits(c) / nports);  // 100 when every port bit is controllable, else 0
  }
  const double res2 = (50.0 * con + 10.0 * uA + 10.0 * uP) * res1 / 70.0;
  return res2 * con * uA * uP;
}

const char* objectiveName(Objective o) { return o == Objective::GRADED ? "graded" : "classic"; }
