// One fault simulation of a gate-level netlist with a set of scan flip-flops,
// and the stuck-at coverage it measures.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "faultsim/faults.h"
#include "faultsim/netlist.h"
#include "faultsim/patterns.h"
#include "faultsim/simcircuit.h"
#include "faultsim/simulator.h"

class RandomSource;

struct FaultSimSettings {
  long long patterns = 10000;  // random patterns
  bool exhaustive = false;     // every pattern instead (at most kMaxExhaustiveBits bits)
  int captureCycles = 1;
  SimOptions sim;
};

struct FaultSimRun {
  SimCircuit circuit;
  FaultList faults;
  PatternSet patterns;
  SimResult result;
};

// Largest pattern or good-value storage accepted, in bytes.
constexpr double kMaxPatternBytes = 2.0 * 1024 * 1024 * 1024;

// Simulates the faults of `n` with the flip-flops flagged in `scanned` as scan
// flip-flops, on random patterns from `random` (drawn for every flip-flop, so
// that one seed gives the same patterns whatever is scanned) or on every
// pattern. Problems are appended to `problems`; false then.
bool runFaultSimulation(const GateNetlist& n, const std::vector<char>& scanned, const FaultSimSettings& s,
                        RandomSource& random, FaultSimRun& run, std::vector<std::string>& problems);

// Detected faults among the first `patterns` patterns.
struct Coverage {
  long long patterns = 0;
  long faults = 0, collapsed = 0;
  long detected = 0, detectedCollapsed = 0;
  double percent() const { return faults ? 100.0 * static_cast<double>(detected) / static_cast<double>(faults) : 0.0; }
  double collapsedPercent() const {
    return collapsed ? 100.0 * static_cast<double>(detectedCollapsed) / static_cast<double>(collapsed) : 0.0;
  }
};

// The coverage of `run` after its first `patterns` patterns (all: -1).
Coverage coverageAfter(const FaultSimRun& run, long long patterns = -1);
