// `tarvex check FILE [--top NAME] [--json] [--test-mode PORT=VALUE ...]`:
// the scan-readiness checks of a Verilog design or a Yosys netlist.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

struct RunContext;

// Runs the command on `words` (the words after "check"): findings and the
// summary on `out`, errors to the run's diagnostics, NAME.check.json into its
// result folder. Returns the exit status: 0 no error-level
// finding, 1 error-level findings or errors, 2 wrong usage.
int checkCommand(const std::vector<std::string>& words, RunContext& run, std::FILE* out);
