// Choosing the top module of a design when none is named: a module without
// ports is a test bench, not a design, so it is set aside for the modules
// with ports, and a bench that is the only candidate gives way to the one
// design it instantiates.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

// The top candidates of a netlist's "modules" object and the test benches set aside.
struct TopChoice {
  std::vector<std::string> candidates;  // to choose from: one is the top, several are ambiguous
  std::vector<std::string> benches;     // port-less candidates left out in favour of `candidates`
};

// The top candidates (yosys_json::topCandidates) with port-less benches set aside
// when a candidate has ports; when every candidate is a bench, the one module
// with ports they instantiate (the benches themselves when there is not exactly one).
TopChoice chooseTop(const nlohmann::json& modules);
