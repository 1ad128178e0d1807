// The module type of each instance of a flattened Verilog design: the
// flattened netlist keeps only instance names, so the unflattened hierarchy
// is read once more (parsed, no synthesis passes) when a command needs types.
#pragma once

#include <string>

#include "read/import.h"

class Circuit;
class Diagnostics;

// Records in `c`'s block hierarchy the module type of each instance of the
// Verilog design `path` (nothing for other inputs, or a circuit without
// blocks). Errors are counted; false when any was.
bool addInstanceModules(const std::string& path, const ImportOptions& options, ProcessRunner& runner, Circuit& c,
                        Diagnostics& diagnostics);
