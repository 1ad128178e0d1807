#include "faultsim/report.h"

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>
#include <numeric>
#include <unordered_map>

#include "faultsim/registermap.h"

namespace {

std::vector<double> ranks(const std::vector<double>& v) {
  std::vector<size_t> order(v.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return v[a] < v[b]; });
  std::vector<double> r(v.size());
  for (size_t i = 0; i < order.size();) {
    size_t j = i;
    while (j + 1 < order.size() && v[order[j + 1]] == v[order[i]]) ++j;
    const double mean = (static_cast<double>(i) + static_cast<double>(j)) / 2.0 + 1.0;
    for (size_t k = i; k <= j; ++k) r[order[k]] = mean;
    i = j + 1;
  }
  return r;
}

// Pattern counts of the coverage curve: 1, 2, 5, 10, 20, 50, ... and the last.
std::vector<long long> curvePoints(long long count) {
  std::vector<long long> points;
  for (long long decade = 1; decade <= count && decade > 0; decade *= 10)
    for (long long step : {1LL, 2LL, 5LL})
      if (decade * step < count) points.push_back(decade * step);
  points.push_back(count);
  return points;
}

// For each flat bit of `ports`, the index of its port.
std::vector<int> portOfBit(const std::vector<PortBits>& ports) {
  std::vector<int> owner;
  for (size_t p = 0; p < ports.size(); ++p) owner.insert(owner.end(), ports[p].nets.size(), static_cast<int>(p));
  return owner;
}

// The index of the port named `name` (as the importer writes names), or -1.
int findPort(const std::vector<PortBits>& ports, const std::string& name) {
  for (size_t p = 0; p < ports.size(); ++p)
    if (ports[p].name == name || wordLevelName(ports[p].name) == name) return static_cast<int>(p);
  return -1;
}

}  // namespace

std::optional<double> spearmanCorrelation(const std::vector<double>& x, const std::vector<double>& y) {
  if (x.size() != y.size() || x.size() < 2) return std::nullopt;
  const std::vector<double> rx = ranks(x), ry = ranks(y);
  const double n = static_cast<double>(x.size()), mean = (n + 1.0) / 2.0;
  double sxy = 0.0, sxx = 0.0, syy = 0.0;
  for (size_t k = 0; k < rx.size(); ++k) {
    sxy += (rx[k] - mean) * (ry[k] - mean);
    sxx += (rx[k] - mean) * (rx[k] - mean);
    syy += (ry[k] - mean) * (ry[k] - mean);
  }
  if (sxx == 0.0 || syy == 0.0) return std::nullopt;
  return sxy / std::sqrt(sxx * syy);
}

std::vector<OwnerDetection> ownerDetection(const GateNetlist& n, const FaultSimRun& run, const WordLevelView& view) {
  std::vector<OwnerDetection> owners;
  std::vector<int> ownerOfFlop(n.flops.size(), -1), ownerOfInput(n.inputs.size(), -1),
      ownerOfOutput(n.outputs.size(), -1);
  const RegisterFlops registers(n);
  for (const WordFigure& f : view.figures) {
    const int at = static_cast<int>(owners.size());
    owners.push_back({f.name, f.isRegister, f.scanned, f.testability, 0, 0});
    if (f.isRegister) {
      for (int flop : registers.of(f.name)) ownerOfFlop[static_cast<size_t>(flop)] = at;
      continue;
    }
    if (const int p = findPort(n.inputs, f.name); p >= 0) ownerOfInput[static_cast<size_t>(p)] = at;
    if (const int p = findPort(n.outputs, f.name); p >= 0) ownerOfOutput[static_cast<size_t>(p)] = at;
  }
  const std::vector<int> inPort = portOfBit(n.inputs), outPort = portOfBit(n.outputs);
  for (size_t k = 0; k < run.faults.faults.size(); ++k) {
    const Fault& f = run.faults.faults[k];
    int owner = -1;
    if (f.place == FaultPlace::FlopD || f.place == FaultPlace::FlopQ) owner = ownerOfFlop[static_cast<size_t>(f.index)];
    if (f.place == FaultPlace::InputBit) owner = ownerOfInput[static_cast<size_t>(inPort[static_cast<size_t>(f.index)])];
    if (f.place == FaultPlace::OutputBit) owner = ownerOfOutput[static_cast<size_t>(outPort[static_cast<size_t>(f.index)])];
    if (owner < 0) continue;
    ++owners[static_cast<size_t>(owner)].faults;
    if (run.result.firstDetection[k] >= 0) ++owners[static_cast<size_t>(owner)].detected;
  }
  std::erase_if(owners, [](const OwnerDetection& o) { return o.faults == 0; });
  return owners;
}

void summarise(const GateNetlist& n, const FaultSimRun& run, const WordLevelView& view, FaultSimReport& r) {
  r.all = coverageAfter(run);
  r.after100 = coverageAfter(run, 100);
  r.after1000 = coverageAfter(run, 1000);
  r.curve.clear();
  for (long long p : curvePoints(run.patterns.count())) r.curve.push_back(coverageAfter(run, p));
  r.owners = ownerDetection(n, run, view);
  std::vector<double> x, y;
  for (const OwnerDetection& o : r.owners) {
    x.push_back(o.testability);
    y.push_back(o.fraction());
  }
  r.spearman = spearmanCorrelation(x, y);
  r.gates = static_cast<int>(run.circuit.gates.size());
  r.flops = static_cast<int>(n.flops.size());
  r.scanFlops = static_cast<int>(std::count(run.circuit.scanned.begin(), run.circuit.scanned.end(), 1));
  r.gateEvaluations = run.result.gateEvaluations;
}

void printFaultSimTable(const FaultSimReport& r, FILE* out) {
  std::fprintf(out, "Fault simulation of '%s': %d gates, %d flip-flops (%d scanned), layout '%s'\n",
               r.circuit.c_str(), r.gates, r.flops, r.scanFlops, r.layout.empty() ? "-" : r.layout.c_str());
  std::fprintf(out, "%-12s %10s %9s %9s %10s %10s %10s\n", "faults", "patterns", "faults", "detected", "coverage",
               "after 100", "after 1000");
  const auto row = [&](const char* label, long total, long found, double pct, double a100, double a1000) {
    std::fprintf(out, "%-12s %10lld %9ld %9ld %9.2f%% %9.2f%% %9.2f%%\n", label, r.all.patterns, total, found, pct,
                 a100, a1000);
  };
  row("uncollapsed", r.all.faults, r.all.detected, r.all.percent(), r.after100.percent(), r.after1000.percent());
  row("collapsed", r.all.collapsed, r.all.detectedCollapsed, r.all.collapsedPercent(),
      r.after100.collapsedPercent(), r.after1000.collapsedPercent());
  if (r.spearman)
    std::fprintf(out, "Rank correlation of word-level testability and detected faults: %.3f over %zu registers and ports\n",
                 *r.spearman, r.owners.size());
  else
    std::fprintf(out, "Rank correlation of word-level testability and detected faults: undefined over %zu registers and ports\n",
                 r.owners.size());
}

std::string faultSimJson(const FaultSimReport& r) {
  using Json = nlohmann::ordered_json;
  const auto coverage = [](const Coverage& c) {
    return Json{{"patterns", c.patterns},         {"faults", c.faults},
                {"detected", c.detected},         {"coverage_percent", c.percent()},
                {"collapsed_faults", c.collapsed}, {"collapsed_detected", c.detectedCollapsed},
                {"collapsed_coverage_percent", c.collapsedPercent()}};
  };
  Json doc;
  doc["version"] = r.version;
  doc["circuit"] = r.circuit;
  doc["method"] = r.method;
  doc["layout"] = r.layout;
  doc["measure"] = r.measure;
  doc["seed"] = r.seed ? Json(*r.seed) : Json(nullptr);
  doc["exhaustive"] = r.exhaustive;
  doc["capture_cycles"] = r.captureCycles;
  doc["gates"] = r.gates;
  doc["flip_flops"] = r.flops;
  doc["scan_flip_flops"] = r.scanFlops;
  doc["coverage"] = coverage(r.all);
  doc["after_100"] = coverage(r.after100);
  doc["after_1000"] = coverage(r.after1000);
  Json curve = Json::array();
  for (const Coverage& c : r.curve)
    curve.push_back({{"patterns", c.patterns}, {"coverage_percent", c.percent()},
                     {"collapsed_coverage_percent", c.collapsedPercent()}});
  doc["curve"] = std::move(curve);
  Json owners = Json::array();
  for (const OwnerDetection& o : r.owners)
    owners.push_back({{"name", o.name}, {"kind", o.isRegister ? "register" : "port"}, {"scanned", o.scanned},
                      {"testability", o.testability}, {"faults", o.faults}, {"detected", o.detected},
                      {"detected_fraction", o.fraction()}});
  doc["registers_and_ports"] = std::move(owners);
  doc["spearman"] = r.spearman ? Json(*r.spearman) : Json(nullptr);
  doc["unmapped_registers"] = r.unmappedRegisters;
  doc["gate_evaluations"] = r.gateEvaluations;
  doc["seconds"] = r.seconds;
  return doc.dump(2) + "\n";
}
