// Where a flattened cell came from: yosys's `flatten` names a cell of an
// inlined instance "$flatten\u1.\u2.$add$..." (internal names) or keeps the
// instance names in the "hdlname" attribute ("u1 u2 name", public names).
// The instance path of a cell joins those instance names with '.'.
#pragma once

#include <map>
#include <string>
#include <unordered_map>

#include <nlohmann/json.hpp>

// The instance path of netlist cell `cellName` with body `cell` ("" for a cell of the top module).
std::string blockPathOfCell(const std::string& cellName, const nlohmann::json& cell);

// The module type of every instance path under module `top`, read from the
// instance cells of an unflattened netlist's "modules" object (parameterised
// copies named after their module). Instances of unknown modules are left out.
std::map<std::string, std::string> instanceModules(const nlohmann::json& modules, const std::string& top);

// Instance paths of the cells yosys's memory_map adds under names of its own
// ("$auto$memory_map...", the address decoders) in the flattened module's
// `cells`: each takes the path of the memory cells its outputs feed, directly
// or through other such cells. Cells that feed no memory of an instance are left out.
std::unordered_map<std::string, std::string> memoryDecoderBlocks(const nlohmann::json& cells);
