#include "faultsim/coverage.h"

#include "base/random.h"

bool runFaultSimulation(const GateNetlist& n, const std::vector<char>& scanned, const FaultSimSettings& s,
                        RandomSource& random, FaultSimRun& run, std::vector<std::string>& problems) {
  if (!buildSimCircuit(n, scanned, run.circuit, problems)) return false;
  const int inputs = static_cast<int>(run.circuit.dataInputs.size());
  const int flops = static_cast<int>(n.flops.size());
  // The good values of every net in every cycle of one word of patterns (16 bytes a net and cycle).
  if (16.0 * static_cast<double>(run.circuit.nets) * s.captureCycles > kMaxPatternBytes) {
    problems.push_back(std::to_string(s.captureCycles) + " capture cycles of this design need more than 2 GiB; use fewer");
    return false;
  }
  if (s.exhaustive) {
    run.patterns = exhaustivePatterns(run.circuit.scanned, inputs, s.captureCycles);
    if (run.patterns.count() == 0) {
      long long bits = static_cast<long long>(inputs) * s.captureCycles;
      for (char f : run.circuit.scanned) bits += f ? 1 : 0;
      problems.push_back("--exhaustive: a pattern has " + std::to_string(bits) + " bits, more than " +
                         std::to_string(kMaxExhaustiveBits) + "; use random patterns (--patterns N)");
      return false;
    }
  } else {
    const double bytes = static_cast<double>(s.patterns) / 8.0 *
                         (static_cast<double>(flops) + static_cast<double>(inputs) * s.captureCycles);
    if (bytes > kMaxPatternBytes) {
      problems.push_back(std::to_string(s.patterns) + " patterns of this design need more than 2 GiB; use fewer");
      return false;
    }
    run.patterns = randomPatterns(flops, inputs, s.captureCycles, s.patterns, random);
  }
  run.faults = buildFaultList(n, run.circuit);
  run.result = simulateFaults(n, run.circuit, run.faults, run.patterns, s.sim);
  return true;
}

Coverage coverageAfter(const FaultSimRun& run, long long patterns) {
  Coverage c;
  c.patterns = patterns < 0 || patterns > run.patterns.count() ? run.patterns.count() : patterns;
  c.faults = static_cast<long>(run.faults.faults.size());
  c.collapsed = run.faults.collapsed;
  for (size_t k = 0; k < run.faults.faults.size(); ++k) {
    const long long first = run.result.firstDetection[k];
    const bool found = first >= 0 && first < c.patterns;
    c.detected += found;
    if (run.faults.representative[k] == static_cast<int>(k)) c.detectedCollapsed += found;
  }
  return c;
}
