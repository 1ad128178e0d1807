// A gate-level netlist prepared for simulation: the clock network set apart,
// the data gates in level order, and for every net the gates, flip-flops and
// primary outputs that read it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "faultsim/netlist.h"

// One data gate as the simulator evaluates it.
struct SimGate {
  GateKind kind = GateKind::Buf;
  int in[3] = {kNetX, kNetX, kNetX};
  int out = kNetX;
  int level = 0;   // 1 + the highest level of the gates driving its inputs
  int source = 0;  // index in GateNetlist::gates
};

struct SimCircuit {
  int nets = kFirstNet;
  int levels = 1;                    // gate levels 1 .. levels-1
  std::vector<SimGate> gates;        // data gates by level (then netlist order)
  std::vector<int> gateOfSource;     // netlist gate -> SimGate index, -1 for the clock network
  std::vector<int> readerStart, readers;  // CSR: net -> SimGate indices reading it
  std::vector<int> flopStart, flopReaders;  // CSR: net -> flip-flops whose D reads it
  std::vector<int> outStart, outReaders;    // CSR: net -> primary output bits reading it
  std::vector<int> flopD, flopQ;     // per flip-flop
  std::vector<char> scanned;         // per flip-flop: loaded and observed by the scan chains
  std::vector<int> outputNets;       // primary output bits, ports in order
  std::vector<int> inputNets;        // every primary input bit, ports in order
  std::vector<char> inputIsClock;    // per input bit: reaches only clock pins
  std::vector<int> dataInputs;       // indices into inputNets of the data input bits, in order
  std::vector<char> scanObserved;    // per net: the Q of a scanned flip-flop (observed at the end)
};

// Prepares `n` with the flip-flops flagged in `scanned` (one flag per flip-flop)
// as scan flip-flops. A combinational loop is a problem (named by one of its
// cells); false then.
bool buildSimCircuit(const GateNetlist& n, const std::vector<char>& scanned, SimCircuit& out,
                     std::vector<std::string>& problems);
