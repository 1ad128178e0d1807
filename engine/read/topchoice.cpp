#include "read/topchoice.h"

#include <set>

#include "read/yosys_json.h"

using yosys_json::json;
using yosys_json::member;

namespace {

// True for a module with at least one port.
bool hasPorts(const json& module) {
  const json* ports = member(module, "ports");
  return ports && ports->is_object() && !ports->empty();
}

// The modules with ports (by their own names, parameters set aside) that the modules `benches` instantiate.
std::set<std::string> designsUnder(const json& modules, const std::vector<std::string>& benches) {
  std::set<std::string> designs;
  for (const std::string& bench : benches) {
    const json* cells = member(modules[bench], "cells");
    if (!cells || !cells->is_object()) continue;
    for (const json& cell : *cells) {
      const json* type = member(cell, "type");
      if (!type || !type->is_string()) continue;
      const std::string name = yosys_json::moduleOfCellType(type->get<std::string>());
      const json* module = member(modules, name.c_str());
      if (module && !yosys_json::isBlackBox(*module) && hasPorts(*module)) designs.insert(name);
    }
  }
  return designs;
}

}  // namespace

TopChoice chooseTop(const json& modules) {
  TopChoice choice;
  for (std::string& name : yosys_json::topCandidates(modules))
    (hasPorts(modules[name]) ? choice.candidates : choice.benches).push_back(std::move(name));
  if (!choice.candidates.empty() || choice.benches.empty()) return choice;
  const std::set<std::string> designs = designsUnder(modules, choice.benches);
  if (designs.size() == 1) {
    choice.candidates.push_back(*designs.begin());
  } else {
    choice.candidates = std::move(choice.benches);
    choice.benches.clear();
  }
  return choice;
}
