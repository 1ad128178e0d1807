// What `tarvex insert` tells about the chains it wrote: the chain
// description file beside the Verilog (docs/insert.md) and the table it prints.
#pragma once

#include <string>
#include <vector>

#include "scan/insert/scannetlist.h"

// The chain description: the written module, the layout, the Verilog file and, for each chain, its ports,
// clock, length and flip-flops from the scan input on (JSON, one document).
std::string chainsJson(const std::string& module, const std::string& layout, const std::string& verilogFile,
                       const std::vector<ScannedChain>& chains);

// The chain table: one row per chain with its ports, length, clock and
// registers in shift order (a register of width W as "name[W]").
std::string chainTable(const std::vector<ScannedChain>& chains);
