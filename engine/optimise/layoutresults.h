// The result files of the layout an optimiser method chose.
#pragma once

#include "base/run_context.h"
#include "optimise/search.h"

// Applies `layout` (settled, registers numbered by `regs` of `c`) to `c`,
// analyses it, writes the result files of `run` (with the circuit's notation
// and fitness as set) and tells `observer` about `found`, then takes the layout out.
void writeLayoutResults(Circuit& c, const LayoutRegisters& regs, const ScanLayout& layout, const SearchResult& found,
                        SearchObserver* observer, const RunContext& run);
