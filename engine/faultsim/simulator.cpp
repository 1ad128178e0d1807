// Bit-parallel, three-valued, event-driven stuck-at fault simulation.
#include "faultsim/simulator.h"

#include <algorithm>
#include <atomic>
#include <bit>

#include "faultsim/faultycircuit.h"
#include "faultsim/flatcircuit.h"
#include "faultsim/goodvalues.h"
#include "faultsim/team.h"

namespace {

FaultSite siteOf(const GateNetlist& n, const SimCircuit& s, const FlatCircuit& c, const Fault& f) {
  FaultSite site;
  site.forced = forcedValue(f.value);
  const int stem = faultStem(n, s, f);
  site.stem = stem < 0 ? -1 : c.netOf[static_cast<size_t>(stem)];
  if (f.place == FaultPlace::GatePin && f.pin != kPinY) {
    site.gate = s.gateOfSource[static_cast<size_t>(f.index)];
    site.pin = f.pin;
  }
  if (f.place == FaultPlace::FlopD) site.flopD = f.index;
  if (f.place == FaultPlace::OutputBit) site.output = f.index;
  return site;
}

}  // namespace

SimResult simulateFaults(const GateNetlist& n, const SimCircuit& s, const FaultList& faults, const PatternSet& p,
                         const SimOptions& o) {
  SimResult result;
  result.firstDetection.assign(faults.faults.size(), -1);
  const FlatCircuit c = flattenCircuit(s);
  std::vector<int> active;
  std::vector<FaultSite> sites(faults.faults.size());
  for (size_t k = 0; k < faults.faults.size(); ++k) {
    sites[k] = siteOf(n, s, c, faults.faults[k]);
    if (o.everyFault || faults.representative[k] == static_cast<int>(k)) active.push_back(static_cast<int>(k));
  }
  WorkerTeam team(std::max(1U, o.threads));
  std::vector<FaultyCircuit> scratch;
  scratch.reserve(team.size());
  for (unsigned m = 0; m < team.size(); ++m) scratch.emplace_back(c);
  GoodValues good(c, p);
  for (long long b = 0; b < p.blocks() && !active.empty(); ++b) {
    result.goodEvaluations += good.simulate(b);
    const std::uint64_t valid = p.validMask(b);
    std::atomic<size_t> nextChunk{0};
    constexpr size_t kChunk = 32;
    team.run([&](unsigned member) {
      FaultyCircuit& fc = scratch[member];
      fc.load(good, p.cycles());
      for (size_t from = nextChunk.fetch_add(kChunk); from < active.size(); from = nextChunk.fetch_add(kChunk))
        for (size_t k = from; k < std::min(active.size(), from + kChunk); ++k) {
          const int fault = active[k];
          const std::uint64_t found = fc.detect(sites[static_cast<size_t>(fault)]) & valid;
          long long& first = result.firstDetection[static_cast<size_t>(fault)];
          if (found && first < 0) first = b * 64 + std::countr_zero(found);
        }
    });
    if (o.dropDetected)
      std::erase_if(active, [&](int f) { return result.firstDetection[static_cast<size_t>(f)] >= 0; });
  }
  for (const FaultyCircuit& fc : scratch) result.gateEvaluations += fc.evaluations;
  if (!o.everyFault)
    for (size_t k = 0; k < faults.faults.size(); ++k)
      result.firstDetection[k] = result.firstDetection[static_cast<size_t>(faults.representative[k])];
  return result;
}
