// Word-level names in the gate-level netlist: the flip-flops of a register
// (those driving the bits of the net it is named after) and the primary ports.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "faultsim/netlist.h"

// `raw` written as the importer writes names: letters, digits and '_' only,
// runs of other characters as one '_', "SCAN" as "Scan", never a leading digit.
std::string wordLevelName(std::string_view raw);

// The flip-flops whose Q drives a bit of the net the word-level register
// `reg` is named after (a net of that exact name first, else of that name as
// the importer writes it); empty when there is none.
std::vector<int> flopsOfRegister(const GateNetlist& n, const std::string& reg);

// Flags per flip-flop for the registers `regs`; the registers that have no
// flip-flop are added to `missing`.
std::vector<char> scanFlags(const GateNetlist& n, const std::vector<std::string>& regs,
                            std::vector<std::string>& missing);
