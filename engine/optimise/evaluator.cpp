#include "optimise/evaluator.h"

#include <algorithm>
#include <thread>
#include <utility>

#include "model/circuitcopy.h"
#include "model/model.h"
#include "scan/insertion.h"

namespace {

// Bound of the memo (layouts); later layouts are evaluated every time. The
// count of computed layouts, which a genetic algorithm run reports, depends
// on it once a run meets more layouts than this.
constexpr size_t kMaxMemoLayouts = size_t{1} << 20;

double overheadPercent(double actual, double orig) { return orig != 0.0 ? (actual / orig - 1.0) * 100.0 : 0.0; }

int resolvedWorkers(int workers) {
  if (workers > 0) return workers;
  const unsigned n = std::thread::hardware_concurrency();
  return n == 0 ? 1 : static_cast<int>(n);
}

// Holds a layout batch of an analyser open while it lives.
class LayoutBatch {
 public:
  explicit LayoutBatch(Analyser& analyser) : a(analyser) { a.beginLayoutBatch(); }
  ~LayoutBatch() { a.endLayoutBatch(); }
  LayoutBatch(const LayoutBatch&) = delete;
  LayoutBatch& operator=(const LayoutBatch&) = delete;

 private:
  Analyser& a;
};

}  // namespace

// A copy of the circuit that one extra thread evaluates on, with that thread's analyser.
struct ScanEvaluator::Copy {
  Copy(std::unique_ptr<Circuit> copied, Diagnostics& diagnostics, AnalysisOptions options)
      : circuit(std::move(copied)), regs(*circuit), analyser(diagnostics, options) {}
  std::unique_ptr<Circuit> circuit;
  LayoutRegisters regs;
  Analyser analyser;
};

ScanEvaluator::ScanEvaluator(Circuit& circuit, const RunContext& run, int techniques, const FitnessLimits& limits,
                             const EvaluatorOptions& o)
    : ScanEvaluator(circuit, run, techniques, FitnessBasis{circuit.getArea(), circuit.getNPIOs(), limits}, o) {}

ScanEvaluator::ScanEvaluator(Circuit& circuit, const RunContext& run, int techniques, const FitnessBasis& basis,
                             const EvaluatorOptions& o)
    : c(circuit),
      analysis(run.analysis),
      mainAnalyser(run.diagnostics, run.analysis),
      tech(techniques),
      base(basis),
      options(o),
      regs(circuit) {
  options.workers = resolvedWorkers(o.workers);
}

ScanEvaluator::~ScanEvaluator() = default;

ChainOrder ScanEvaluator::order() const {
  return (tech & ORDERED_SCAN) != 0 ? ChainOrder::AS_LISTED : ChainOrder::BY_REGISTER;
}

ScanLayout ScanEvaluator::settled(const ScanLayout& layout) const { return settledLayout(layout, regs.count(), order()); }

const std::string& ScanEvaluator::keyOf(const ScanLayout& layout) {
  settleLayout(layout, regs.count(), order(), scratch, seen);
  key.clear();
  appendLayoutKey(scratch, key);
  return key;
}

double ScanEvaluator::compute(Circuit& circuit, const LayoutRegisters& r, Analyser& a, const ScanLayout& layout) const {
  a.keepLayoutBase(circuit);  // within a batch: indexes `circuit` once, without a layout
  const AppliedScanLayout applied(circuit, r, layout, AppliedScanLayout::Settled{});
  return appliedLayoutFitness(circuit, base, a);
}

void ScanEvaluator::remember(std::string k, double f) {
  if (options.memo && memo.size() < kMaxMemoLayouts) memo.emplace(std::move(k), f);
}

double ScanEvaluator::fitness(const ScanLayout& layout) {
  ++visits;
  if (!options.memo) {
    settleLayout(layout, regs.count(), order(), scratch, seen);
    ++computations;
    return compute(c, regs, mainAnalyser, scratch);
  }
  keyOf(layout);
  if (const auto known = memo.find(key); known != memo.end()) return known->second;
  ++computations;
  const double f = compute(c, regs, mainAnalyser, scratch);
  remember(key, f);
  return f;
}

ScanEvaluator::Overheads ScanEvaluator::overheads(const ScanLayout& layout) {
  Overheads o;
  const AppliedScanLayout applied(c, regs, settled(layout));
  o.areaPercent = overheadPercent(c.getArea(), base.origArea);
  o.pinPercent = overheadPercent(c.getNPIOs(), base.origNPins);
  return o;
}

bool ScanEvaluator::computeSideBySide(const std::vector<ScanLayout>& settledLayouts, const std::vector<int>& jobs,
                                      size_t threads, std::vector<double>& values) {
  while (!copiesFailed && copies.size() + 1 < threads) {
    std::unique_ptr<Circuit> copied = copyCircuit(c);
    if (!copied) {
      copies.clear();
      copiesFailed = true;
      break;
    }
    copies.push_back(std::make_unique<Copy>(std::move(copied), mainAnalyser.diagnostics(), analysis));
  }
  if (copiesFailed) return false;
  // Thread t evaluates jobs t, t + threads, ... on its own circuit.
  auto share = [&](size_t t, Circuit& circuit, const LayoutRegisters& r, Analyser& a) {
    const LayoutBatch batch(a);
    for (size_t j = t; j < jobs.size(); j += threads)
      values[j] = compute(circuit, r, a, settledLayouts[static_cast<size_t>(jobs[j])]);
  };
  std::vector<std::thread> running;
  for (size_t t = 1; t < threads; ++t) {
    Copy* copy = copies[t - 1].get();
    running.emplace_back([&share, copy, t] { share(t, *copy->circuit, copy->regs, copy->analyser); });
  }
  share(0, c, regs, mainAnalyser);
  for (std::thread& th : running) th.join();
  return true;
}

void ScanEvaluator::fitnessOfAll(const std::vector<ScanLayout>& layouts, std::vector<double>& values) {
  values.assign(layouts.size(), 0.0);
  // Nothing but the layouts of this call changes the circuits until it returns.
  const LayoutBatch batch(mainAnalyser);
  if (options.workers <= 1) {
    for (size_t i = 0; i < layouts.size(); ++i) values[i] = fitness(layouts[i]);
    return;
  }
  // The serial order decides which layouts are computed: one known before, or
  // met earlier in this call while the memo had room, is not.
  const size_t n = layouts.size();
  std::vector<ScanLayout> settledLayouts(n);
  std::vector<std::string> keys(n);
  std::vector<int> jobs;
  std::vector<int> sameAs(n, -1);                // an earlier layout of this call with the same key
  std::unordered_map<std::string, int> stored;  // layouts the memo takes in this call
  size_t memoSize = memo.size();
  for (size_t i = 0; i < n; ++i) {
    ++visits;
    keys[i] = keyOf(layouts[i]);
    settledLayouts[i] = scratch;
    if (options.memo) {
      if (const auto known = memo.find(keys[i]); known != memo.end()) {
        values[i] = known->second;
        continue;
      }
      if (const auto earlier = stored.find(keys[i]); earlier != stored.end()) {
        sameAs[i] = earlier->second;
        continue;
      }
      if (memoSize < kMaxMemoLayouts) {
        stored.emplace(keys[i], static_cast<int>(i));
        ++memoSize;
      }
    }
    jobs.push_back(static_cast<int>(i));
  }
  // Starting threads costs more than the analyses of a small circuit take.
  const bool worthThreads = jobs.size() * static_cast<size_t>(std::max(c.getNPortBits(), 0)) >= options.minSideBySideBits;
  const size_t threads = worthThreads ? std::min(static_cast<size_t>(options.workers), jobs.size()) : 1;
  std::vector<double> computedValues(jobs.size(), 0.0);
  if (threads <= 1 || !computeSideBySide(settledLayouts, jobs, threads, computedValues))
    for (size_t j = 0; j < jobs.size(); ++j)
      computedValues[j] = compute(c, regs, mainAnalyser, settledLayouts[static_cast<size_t>(jobs[j])]);
  for (size_t j = 0; j < jobs.size(); ++j) {
    const size_t i = static_cast<size_t>(jobs[j]);
    values[i] = computedValues[j];
    ++computations;
    if (const auto mine = stored.find(keys[i]); mine != stored.end() && mine->second == static_cast<int>(i))
      remember(std::move(keys[i]), computedValues[j]);
  }
  for (size_t i = 0; i < n; ++i)
    if (sameAs[i] >= 0) values[i] = values[static_cast<size_t>(sameAs[i])];
}
