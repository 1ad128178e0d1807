// The good circuit's values of one block of 64 patterns: every net in every
// capture cycle.
#pragma once

#include <cstddef>
#include <vector>

#include "faultsim/flatcircuit.h"
#include "faultsim/patterns.h"
#include "faultsim/threevalue.h"

class GoodValues {
 public:
  GoodValues(const FlatCircuit& c, const PatternSet& p);
  // The values of every (renumbered) net in capture cycle k.
  const V* cycle(int k) const { return values.data() + static_cast<size_t>(k) * static_cast<size_t>(s.nets); }
  // Simulates block b; returns the gates evaluated.
  unsigned long long simulate(long long b);

 private:
  const FlatCircuit& s;
  const PatternSet& pats;
  std::vector<V> values;
};
