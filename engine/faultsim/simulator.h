// The stuck-at fault simulator: three-valued, 64 patterns per machine word,
// the good circuit simulated once per word of patterns, each fault's effect
// propagated from its site through the gates it reaches only, detected faults
// dropped, the faults shared among a team of threads (the results do not
// depend on their number).
#pragma once

#include <cstdint>
#include <vector>

#include "faultsim/faults.h"
#include "faultsim/patterns.h"
#include "faultsim/simcircuit.h"

struct SimOptions {
  unsigned threads = 1;       // threads to use (at least 1)
  bool dropDetected = true;   // stop simulating a fault once detected
  bool everyFault = false;    // simulate every fault, not one per equivalence class
};

struct SimResult {
  std::vector<long long> firstDetection;     // per fault: the first pattern detecting it, -1 for none
  unsigned long long gateEvaluations = 0;    // gates evaluated for the faulty circuits
  unsigned long long goodEvaluations = 0;    // gates evaluated for the good circuit
};

// Simulates every fault of `faults` under the test protocol: scanned
// flip-flops loaded with the pattern, the others unknown; per capture cycle
// the inputs applied, the outputs observed, then a clock edge; at the end the
// scanned flip-flops observed. A fault is detected by a pattern when an
// observed bit is known in the good and in the faulty circuit and differs.
SimResult simulateFaults(const GateNetlist& n, const SimCircuit& s, const FaultList& faults, const PatternSet& p,
                         const SimOptions& o);
