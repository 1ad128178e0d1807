// The gate-level netlist of a design: yosys maps it onto single-bit gates and
// positive-edge flip-flops with a fixed script.
#pragma once

#include <string>
#include <vector>

class ProcessRunner;

// The yosys commands after reading the design (`TOP` stands for the
// hierarchy selection): the word-level front part of the importer, then the
// mapping onto gates and $_DFF_P_ flip-flops.
std::string gateLevelScript(const std::string& top);

// Runs yosys on the Verilog design or Yosys JSON netlist `path` (module
// `top`, or the top one when empty) and leaves the gate-level netlist's JSON
// in `json`. Failures are appended to `problems` (yosys's own message with
// its file and line); false then.
bool makeGateLevelJson(const std::string& path, const std::string& top, ProcessRunner& runner, std::string& json,
                       std::vector<std::string>& problems);
