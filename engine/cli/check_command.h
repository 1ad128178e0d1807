// `tarvex check FILE [--top NAME] [--json] [--test-mode PORT=VALUE ...]`:
// the scan-readiness checks of a Verilog design or a Yosys netlist.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

class ProcessRunner;

// Runs the command on `words` (the words after "check"): findings and the
// summary on `out`, errors on `err`. Returns the exit status: 0 no error-level
// finding, 1 error-level findings or errors, 2 wrong usage.
int checkCommand(const std::vector<std::string>& words, ProcessRunner& runner, std::FILE* out, std::FILE* err);
