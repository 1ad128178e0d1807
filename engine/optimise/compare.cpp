#include "optimise/compare.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "analysis/analysis.h"
#include "base/random.h"
#include "optimise/exact.h"
#include "optimise/solvers.h"
#include "scan/insertion.h"
#include "write/reports.h"

namespace {

// Applies `layout`, analyses both directions and fills the figures of `row`.
void measure(Circuit& c, const ScanLayout& layout, ScanEvaluator& eval, CompareRow& row) {
  row.fitness = eval.fitness(layout);
  const ScanLayout applied = eval.settled(layout);
  row.layout = layoutNotation(applied, eval.registers());
  row.chains = static_cast<int>(applied.size());
  row.scanned = scannedCount(applied);
  for (const auto& chain : applied) {
    const int n = static_cast<int>(chain.size());
    row.shortestChain = row.shortestChain == 0 ? n : std::min(row.shortestChain, n);
    row.longestChain = std::max(row.longestChain, n);
  }
  const AppliedScanLayout inserted(c, eval.registers(), applied);
  eval.analyser().bothDirections(c);
  const Measures m = measuresOf(c);
  row.areaPercent = m.areaOver;
  row.pinsPercent = m.pinOver;
  row.testability = m.gt;
  row.controllablePercent = m.pctC;
  row.observablePercent = m.pctO;
}

// Times `search` on `clock` and measures the layout it returns.
template <class Search>
CompareRow runRow(const char* method, Circuit& c, ScanEvaluator& eval, Clock& clock, Search search) {
  CompareRow row;
  row.method = method;
  const double start = clock.seconds();
  const ScanLayout layout = search(row);
  row.seconds = clock.seconds() - start;
  measure(c, layout, eval, row);
  return row;
}

// The rank correlation of a row, or "-" when undefined.
std::string spearmanText(const CompareRow& r) {
  if (!r.coverageSpearman) return "-";
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", *r.coverageSpearman);
  return text;
}

}  // namespace

Comparison compareMethods(Circuit& c, const OptimiseSettings& s, RandomSource& random, const RunContext& run) {
  Clock& clock = run.clock;
  Comparison cmp;
  cmp.circuit = c.getName();
  cmp.objective = objectiveName(s.limits.objective);
  cmp.areaBudgetPercent = s.limits.maxAreaOverhead;
  cmp.pinBudgetPercent = s.limits.maxPinOverhead;
  cmp.seed = s.seed;
  const ScanMethodSettings m = scanMethodSettings(s);
  ScanEvaluator eval(c, run, m.techniques, s.limits);  // measures every row
  ScanLayout full, loops, ga, polished;

  cmp.rows.push_back(runRow("none", c, eval, clock, [](CompareRow&) { return ScanLayout{}; }));
  cmp.rows.push_back(runRow("full", c, eval, clock, [&](CompareRow&) {
    return full = fullScanLayout(c, m.rules);
  }));
  cmp.rows.push_back(runRow("loops", c, eval, clock, [&](CompareRow&) {
    return loops = loopBreakingLayout(c, m.rules, nullptr);
  }));
  // With one restart, the polished search is the ga row's search again when
  // that one was polished and drew from a fresh generator of the seed: the
  // row then takes the ga row's result instead of repeating the search.
  bool polishedIsGa = false;
  cmp.rows.push_back(runRow("ga", c, eval, clock, [&](CompareRow& row) {
    GaOptions o = modernGaOptions(c, s, run);
    o.writeResults = false;
    const SearchResult r = runGA(c, o, random, run);
    polishedIsGa = s.restarts <= 1 && r.polishedFreshSeed == s.seed;
    row.visited = r.visited;
    return ga = r.chains;
  }));
  if (polishedIsGa) {
    CompareRow again = cmp.rows.back();
    again.method = "ga+polish";
    polished = ga;
    cmp.rows.push_back(std::move(again));
  } else {
    cmp.rows.push_back(runRow("ga+polish", c, eval, clock, [&](CompareRow& row) {
      SeededRandom again(s.seed);
      const SearchResult r = polishedGaSearch(c, s, again, run);
      row.visited = r.visited;
      return polished = r.chains;
    }));
  }
  ExactOptions eo;
  eo.maxLayouts = exactLayoutLimit(c);
  eo.seeds = {loops, full, ga, polished};
  ExactResult exact;
  CompareRow exactRow = runRow("exact", c, eval, clock, [&](CompareRow& row) {
    ScanEvaluator own(c, run, m.techniques, s.limits);
    exact = exactOptimum(own, eo);
    row.visited = exact.visited;
    return exact.best;
  });
  if (exact.refused)
    cmp.skipped = exactRefusal(exact, eo);
  else
    cmp.rows.push_back(std::move(exactRow));
  setGaps(cmp.rows);
  cmp.pareto = paretoFront(cmp.rows);
  return cmp;
}

void setGaps(std::vector<CompareRow>& rows) {
  double best = 0.0;
  for (const CompareRow& r : rows) best = std::max(best, r.fitness);
  for (CompareRow& r : rows) r.gapPercent = best > 0.0 ? (best - r.fitness) / best * 100.0 : 0.0;
}

std::vector<std::string> paretoFront(const std::vector<CompareRow>& rows) {
  std::vector<std::string> front;
  for (const CompareRow& r : rows) {
    bool dominated = false;
    for (const CompareRow& o : rows)
      if (o.testability >= r.testability && o.areaPercent <= r.areaPercent &&
          (o.testability > r.testability || o.areaPercent < r.areaPercent))
        dominated = true;
    if (!dominated) front.push_back(r.method);
  }
  return front;
}

bool layoutsSummarised(const Comparison& cmp) {
  for (const CompareRow& r : cmp.rows)
    if (r.layout.size() > kInlineLayoutChars) return true;
  return false;
}

std::string layoutSummary(const CompareRow& row) {
  if (row.chains == 0) return "-";
  std::string text = std::to_string(row.chains) + " x " + std::to_string(row.shortestChain);
  if (row.longestChain != row.shortestChain) text += "-" + std::to_string(row.longestChain);
  return text;
}

std::string comparisonLayoutsText(const Comparison& cmp) {
  std::string text;
  for (const CompareRow& r : cmp.rows) text += r.method + " " + (r.layout.empty() ? "-" : r.layout) + "\n";
  return text;
}

void printComparison(const Comparison& cmp, FILE* out) {
  std::fprintf(out, "Comparison of '%s' (objective %s, area bound %g %%, pin bound %g %%)\n", cmp.circuit.c_str(),
               cmp.objective.c_str(), cmp.areaBudgetPercent, cmp.pinBudgetPercent);
  const bool coverage = !cmp.rows.empty() && cmp.rows.front().coveragePercent.has_value();
  const bool summarised = layoutsSummarised(cmp);
  std::fprintf(out, "%-9s %7s %6s %8s %8s %7s %6s %6s %9s %7s %8s  %s\n", "method", "scanned", "chains", "area %",
               "pins %", "GT", "C %", "O %", "fitness", "gap %", "time s",
               coverage ? (summarised ? "SA cov %    rho  layout (chains x registers)" : "SA cov %    rho  layout")
                        : (summarised ? "layout (chains x registers)" : "layout"));
  for (const CompareRow& r : cmp.rows) {
    std::fprintf(out, "%-9s %7d %6d %8.3f %8.3f %7.4f %6.1f %6.1f %9.3f %7.2f %8.3f  ", r.method.c_str(), r.scanned,
                 r.chains, r.areaPercent, r.pinsPercent, r.testability, r.controllablePercent, r.observablePercent,
                 r.fitness, r.gapPercent, r.seconds);
    if (coverage) std::fprintf(out, "%8.2f %6s  ", r.coveragePercent.value_or(0.0), spearmanText(r).c_str());
    const std::string shown = summarised ? layoutSummary(r) : r.layout.empty() ? "-" : r.layout;
    std::fprintf(out, "%s\n", shown.c_str());
  }
  if (!cmp.skipped.empty()) std::fprintf(out, "exact: skipped, %s\n", cmp.skipped.c_str());
  if (cmp.agreement) printRankAgreement(*cmp.agreement, out);
  std::string front;
  for (const std::string& m : cmp.pareto) front += (front.empty() ? "" : ", ") + m;
  std::fprintf(out, "Pareto front (testability against area overhead): %s\n", front.c_str());
}

std::string comparisonJson(const Comparison& cmp, const std::string& version) {
  nlohmann::ordered_json j;
  j["circuit"] = cmp.circuit;
  j["objective"] = cmp.objective;
  if (!cmp.measure.empty()) j["measure"] = cmp.measure;
  j["area_budget_percent"] = cmp.areaBudgetPercent;
  j["pin_budget_percent"] = cmp.pinBudgetPercent;
  j["version"] = version;
  j["seed"] = cmp.seed;
  nlohmann::ordered_json rows = nlohmann::ordered_json::array();
  for (const CompareRow& r : cmp.rows) {
    nlohmann::ordered_json row;
    row["method"] = r.method;
    row["layout"] = r.layout;
    row["scanned"] = r.scanned;
    row["chains"] = r.chains;
    row["area_percent"] = r.areaPercent;
    row["pins_percent"] = r.pinsPercent;
    row["testability"] = r.testability;
    row["controllable_percent"] = r.controllablePercent;
    row["observable_percent"] = r.observablePercent;
    row["fitness"] = r.fitness;
    row["gap_percent"] = r.gapPercent;
    row["seconds"] = r.seconds;
    if (r.visited >= 0) row["visited"] = r.visited;
    if (r.coveragePercent) row["stuck_at_coverage_percent"] = *r.coveragePercent;
    if (r.coveragePercent)
      row["coverage_spearman"] = r.coverageSpearman ? nlohmann::ordered_json(*r.coverageSpearman) : nullptr;
    rows.push_back(std::move(row));
  }
  j["rows"] = std::move(rows);
  j["pareto"] = cmp.pareto;
  if (!cmp.skipped.empty()) j["exact_skipped"] = cmp.skipped;
  if (cmp.agreement) j["rank_agreement"] = nlohmann::ordered_json::parse(rankAgreementJson(*cmp.agreement));
  return j.dump(2) + "\n";
}
