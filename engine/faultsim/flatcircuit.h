// The simulation circuit as the fault simulator's inner loops read it: nets
// renumbered so that the gates' outputs follow the gates' level order, each
// gate's pins, output and readers in one small record, so that following a
// fault's effect touches as little memory as it can.
#pragma once

#include <cstdint>
#include <vector>

#include "faultsim/netlist.h"
#include "faultsim/simcircuit.h"

// One data gate: its pins and output as renumbered nets, and where the
// readers of its output lie in FlatCircuit::readers.
struct alignas(32) FlatGate {
  int in[3] = {kNetX, kNetX, kNetX};
  int out = kNetX;
  int readBegin = 0, readEnd = 0;
  GateKind kind = GateKind::Buf;
};

struct FlatCircuit {
  int nets = kFirstNet;
  std::vector<int> netOf;                 // SimCircuit net -> renumbered net (constants keep theirs)
  std::vector<FlatGate> gates;            // as SimCircuit::gates, in the same order
  std::vector<int> readerStart, readers;  // CSR: net -> the gates reading it
  std::vector<int> flopStart, flopReaders;  // CSR: net -> flip-flops whose D reads it
  std::vector<int> outStart, outReaders;    // CSR: net -> primary output bits reading it
  std::vector<std::uint64_t> observed;      // per net, a bit: read by a flip-flop or a primary output
  std::vector<int> qStart, qFlops;          // CSR: net -> flip-flops whose Q it is
  std::vector<char> scanObserved;           // per net: the Q of a scanned flip-flop
  std::vector<int> flopD, flopQ;            // per flip-flop
  std::vector<char> scanned;                // per flip-flop
  std::vector<int> outputNets;              // per primary output bit
  std::vector<int> dataInputNets;           // per data input bit, in SimCircuit::dataInputs order

  bool isObserved(int net) const { return (observed[static_cast<size_t>(net) >> 6] >> (net & 63)) & 1; }
};

// `s` renumbered and packed for simulation; it simulates exactly as `s` does.
FlatCircuit flattenCircuit(const SimCircuit& s);
