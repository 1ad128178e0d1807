// A design with its scan chains: reads a Verilog design or a Yosys netlist,
// turns a layout notation into chains of flip-flop cells, edits the netlist
// (scannetlist.h) and lets yosys write it as Verilog.
#pragma once

#include <string>
#include <vector>

#include "checks/checks.h"
#include "read/import.h"
#include "scan/insert/scannetlist.h"

// What to insert into which design.
struct InsertRequest {
  std::string file;    // Verilog (.v, .sv) or a Yosys JSON netlist (.json)
  std::string top;     // the top module; empty picks it
  std::string layout;  // a layout notation; empty or "-1": no chain (SCAN_MODE only)
  std::vector<HeldPin> held;  // pins held in test mode (--test-mode), for the checks
};

// The design with its chains, or why there is none.
struct ScanInsertion {
  std::string design;                // the circuit's name (NAME_scan.v by default)
  std::string module;                // the written Verilog module's name
  std::string netlist;               // the edited JSON netlist
  std::string verilog;               // the written design
  std::vector<ScannedChain> chains;  // in layout order
  std::vector<std::string> errors;   // one message each, with the place when known
  bool reportedElsewhere = false;    // the importer reported its own errors to the diagnostics
  bool ok() const { return errors.empty() && !reportedElsewhere; }
};

// The netlist step: the chains of `layout` inserted into the JSON netlist
// `netlist` (its top module `top`, or the one found); no program is run. A
// layout naming a register the checks find unscannable (with `held` pins in
// test mode) is refused. The importer's errors go to `diagnostics`, the
// insertion's own to the result.
ScanInsertion scanNetlist(const std::string& netlist, const std::string& source, const std::string& top,
                          const std::string& layout, const std::vector<HeldPin>& held, Diagnostics& diagnostics);

// The whole insertion: elaborates the request's file (yosys for Verilog),
// inserts the chains and has yosys write the Verilog.
ScanInsertion insertScan(const InsertRequest& request, ProcessRunner& runner, Diagnostics& diagnostics);
