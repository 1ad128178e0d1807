// Scan chains into a Yosys JSON netlist: the scan ports, a multiplexer in
// front of every scanned flip-flop's data input and the shift wiring between
// them. The netlist is the flattened one the importer reads; yosys writes it
// back as Verilog.
#pragma once

#include <string>
#include <vector>

// One register of a chain: its name in the layout and the netlist cell holding it.
struct ScanRegisterRef {
  std::string name;    // the register's name in the circuit model (as the notation names it)
  std::string cell;    // the flip-flop cell of the netlist
  std::string origin;  // source location "file.v:12", may be empty
};

// The chains to insert, each its registers from the scan input on.
using ScanChainRequest = std::vector<std::vector<ScanRegisterRef>>;

// One flip-flop of a written chain.
struct ScanFlop {
  std::string reg;  // the register's name in the layout
  int bit = 0;      // its bit, least significant first
  std::string net;  // the Verilog signal that holds it in the written design
  int netBit = 0;   // the bit of that signal
  int netWidth = 1; // the width of that signal
};

// One chain of the written design.
struct ScannedChain {
  std::string in, out;  // its scan ports
  std::string clock;    // the signal clocking it ("" for a chain without flip-flops)
  bool risingEdge = true;
  std::vector<ScanFlop> flops;  // from the scan input on
};

// The netlist with its chains, or what prevented them.
struct ScanNetlistResult {
  std::string netlist;                // the modified JSON netlist (empty on errors)
  std::vector<ScannedChain> chains;   // in layout order
  std::vector<std::string> errors;    // one message each, with the place when known
  bool ok() const { return errors.empty(); }
};

// Name of the scan mode input, and of chain k's scan input and output.
std::string scanModePort();
std::string scanInPort(size_t k);
std::string scanOutPort(size_t k);

// Adds `chains` to module `module` of the JSON netlist `netlist` (named
// `source` in messages). While SCAN_MODE is 1 each flip-flop takes the one
// before it; while it is 0 the design is unchanged.
ScanNetlistResult insertScanChains(const std::string& netlist, const std::string& source, const std::string& module,
                                   const ScanChainRequest& chains);
