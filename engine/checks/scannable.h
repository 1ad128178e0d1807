// What the checks mean for scan layouts: the registers of an imported design
// with an error-level finding cannot be scanned, and every method leaves them
// out.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "checks/checks.h"
#include "read/import.h"

// Registers that cannot be scanned, by item name, with the rule that says so.
class ScanExclusions {
 public:
  // Records that register `item` cannot be scanned because of `rule`.
  void add(const std::string& item, const std::string& rule) { rules.emplace(item, rule); }
  // The rule that excludes register `item`, or null when it can be scanned.
  const std::string* ruleOf(std::string_view item) const {
    const auto it = rules.find(item);
    return it == rules.end() ? nullptr : &it->second;
  }
  bool empty() const { return rules.empty(); }
  size_t size() const { return rules.size(); }
  // Every excluded register and its rule, by name.
  const std::map<std::string, std::string, std::less<>>& all() const { return rules; }

 private:
  std::map<std::string, std::string, std::less<>> rules;
};

// The registers of `design` that `report` (the checks of the netlist the
// design was imported from) finds unscannable, mapped through their cells.
ScanExclusions exclusionsOf(const CheckReport& report, const ImportedDesign& design);

// Runs the checks on `netlist` (the Yosys JSON `design` was imported from,
// with `held` pins in test mode) and returns the registers of `design` they
// find unscannable; false, with `problems`, when the checks cannot run.
bool findExclusions(const std::string& netlist, const std::string& source, const ImportedDesign& design,
                    const std::vector<HeldPin>& held, ScanExclusions& exclusions, std::vector<std::string>& problems);

// Reads FILE into a circuit as loadCircuit does; for a Verilog design or a
// netlist it also runs the checks on the very netlist imported (with `held`
// pins in test mode), and puts the registers they find unscannable in
// `exclusions`. The importer's errors go to `diagnostics` (null is returned);
// problems of the checks go to `problems` (null is returned too).
std::unique_ptr<Circuit> loadCheckedCircuit(const std::string& path, const ImportOptions& options,
                                            const std::vector<HeldPin>& held, ProcessRunner& runner,
                                            ScanExclusions& exclusions, std::vector<std::string>& problems,
                                            Diagnostics& diagnostics);

// Takes the registers named in `excluded` out of every layout of `c`.
void leaveOutOfLayouts(Circuit& c, const ScanExclusions& excluded);

// "a (CLK-1), b (RST-1)": the excluded registers with their rules, by name.
std::string exclusionList(const ScanExclusions& excluded);

// The refusal of a layout of `c` that names an excluded register ("register
// 'x' cannot be scanned (...)"), or "" when it names none (or is no layout of
// `c`: reading it reports that).
std::string unscannableInLayout(const Circuit& c, const std::string& notation, const ScanExclusions& excluded);

// "register 'x' cannot be scanned (RULE, see 'tarvex check')": the sentence
// of the error that refuses a layout naming an excluded register.
std::string unscannableMessage(const std::string& item, const std::string& rule);
