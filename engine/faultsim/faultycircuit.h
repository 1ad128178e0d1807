// One thread's scratch space for simulating faulty circuits against the good
// one: a copy of the good values that a fault's effect overwrites and that is
// restored afterwards, and the gates its effect reaches, evaluated in one
// forward sweep (gates are in level order, so a gate's readers follow it).
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "faultsim/flatcircuit.h"
#include "faultsim/goodvalues.h"
#include "faultsim/threevalue.h"

// What the simulator needs of one fault, in renumbered nets.
struct FaultSite {
  int stem = -1;    // net forced everywhere, or -1
  int gate = -1;    // gate whose input pin is forced, or -1
  int pin = 0;      // that pin
  int flopD = -1;   // flip-flop whose D pin is forced, or -1
  int output = -1;  // primary output bit forced, or -1
  V forced;
};

class FaultyCircuit {
 public:
  explicit FaultyCircuit(const FlatCircuit& c);
  // Takes the good values of a new block of patterns.
  void load(const GoodValues& good, int cycles);
  // The patterns of the loaded block that detect `f`.
  std::uint64_t detect(const FaultSite& f);

  unsigned long long evaluations = 0;  // gates evaluated so far

 private:
  bool isFaulty(int net) const { return (faulty[static_cast<size_t>(net) >> 6] >> (net & 63)) & 1; }
  void set(int net, V y, V goodValue);
  void prefetchInputs(std::uint64_t bits, int w) const;
  void schedule(int gate);
  void scheduleReaders(int begin, int end);
  void inject(int net, V y);
  void startCycle(const FaultSite& f);
  int nextPendingWord(int w) const;
  void evaluateGate(int r, const FaultSite& f);
  void propagate(const FaultSite& f);
  std::uint64_t observeOutputs(const FaultSite& f) const;
  void clock(const FaultSite& f);
  std::uint64_t observeScan(const FaultSite& f) const;
  void restore();

  const FlatCircuit& c;
  const GoodValues* good = nullptr;
  int cycles = 1;
  std::vector<V> current;              // per cycle and net: the good value, or the faulty one where `faulty` says so
  const V* g = nullptr;                // the good values of the cycle being simulated
  V* v = nullptr;                      // its values in `current`
  std::vector<std::uint64_t> faulty;   // per net, a bit: its value differs from the good one
  struct Touched {
    int net;
    V good;  // its good value
  };
  std::vector<Touched> touched;        // the nets set in `faulty`
  std::vector<std::uint64_t> pending;  // per gate, a bit: scheduled for evaluation
  std::vector<std::uint64_t> pendingWords;  // per word of `pending`, a bit: not zero
  int lastWord = -1;                   // the last word of `pending` that may be set
  std::vector<std::pair<int, V>> state, next;  // flip-flops whose faulty state differs
};
