// Single stuck-at faults of a gate-level netlist and their collapsing by
// structural equivalence.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "faultsim/netlist.h"
#include "faultsim/simcircuit.h"

// Where a fault sits.
enum class FaultPlace : std::uint8_t {
  GatePin,    // pin `pin` (kPinA, kPinB, kPinS, kPinY) of gate `index`
  FlopD,      // the D pin of flip-flop `index`
  FlopQ,      // the Q pin of flip-flop `index`
  InputBit,   // bit `index` of SimCircuit::inputNets
  OutputBit,  // bit `index` of SimCircuit::outputNets
};

struct Fault {
  FaultPlace place = FaultPlace::GatePin;
  int index = 0;
  std::uint8_t pin = 0;    // gate pins only
  std::uint8_t value = 0;  // stuck at 0 or 1
};

struct FaultList {
  std::vector<Fault> faults;        // uncollapsed, in netlist order
  std::vector<int> representative;  // per fault: the first fault of its equivalence class
  int collapsed = 0;                // number of classes
};

// Every stuck-at-0 and stuck-at-1 fault of the data part of `s` (no clock
// pins, no gates of the clock network), collapsed by structural equivalence.
FaultList buildFaultList(const GateNetlist& n, const SimCircuit& s);

// Where fault `f` sits for the simulator: the net it forces everywhere (a
// stem: gate outputs, Q pins, primary inputs), or -1 for a single pin.
int faultStem(const GateNetlist& n, const SimCircuit& s, const Fault& f);

// One line of --write-faults, without its end: "CELL PIN VALUE D|U", or "PORT[BIT] PORT VALUE D|U".
std::string faultLine(const GateNetlist& n, const SimCircuit& s, const Fault& f, bool detected);
