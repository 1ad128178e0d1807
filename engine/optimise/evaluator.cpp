#include "optimise/evaluator.h"

namespace {

// Bound of the memo (layouts); later layouts are evaluated every time.
constexpr size_t kMaxMemoLayouts = size_t{1} << 21;

double overheadPercent(double actual, double orig) { return orig != 0.0 ? (actual / orig - 1.0) * 100.0 : 0.0; }

}  // namespace

ScanEvaluator::ScanEvaluator(Circuit& circuit, int techniques, const FitnessLimits& limits)
    : c(circuit),
      tech(techniques),
      base{circuit.getArea(), circuit.getNPIOs(), limits},
      pop("Evaluated layout", 1, getScanChrLen(techniques, circuit.getNREGs()), techniques, &circuit) {}

bool ScanEvaluator::encode(const ScanLayout& layout) { return pop.encodeChains(layout, 0); }

double ScanEvaluator::fitness(const ScanLayout& layout) {
  ++visits;
  if (!encode(layout)) return 0.0;
  std::string key;
  if (memoOn) {
    key = pop.layoutKey(0);
    if (const auto seen = memo.find(key); seen != memo.end()) return seen->second;
  }
  ++computations;
  pop.implementDFTLayout(0);
  const double f = appliedLayoutFitness(c, base);
  pop.deimplementDFTLayout(0);
  if (memoOn && memo.size() < kMaxMemoLayouts) memo.emplace(std::move(key), f);
  return f;
}

ScanEvaluator::Overheads ScanEvaluator::overheads(const ScanLayout& layout) {
  Overheads o;
  if (!encode(layout)) return o;
  pop.implementDFTLayout(0);
  o.areaPercent = overheadPercent(c.getArea(), base.origArea);
  o.pinPercent = overheadPercent(c.getNPIOs(), base.origNPins);
  pop.deimplementDFTLayout(0);
  return o;
}
