// Helpers of the checks' tests: a design of tests/checks/designs through
// yosys (elaboration only), or a netlist held in a string, checked.
#pragma once
#include "test_diagnostics.h"

#include <string>
#include <vector>

#include "checks/checks.h"
#include "read/import.h"

#ifndef TARVEX_CHECK_DESIGNS
#define TARVEX_CHECK_DESIGNS "tests/checks/designs"
#endif

// The path of a design of tests/checks/designs.
inline std::string checkDesign(const std::string& name) { return std::string(TARVEX_CHECK_DESIGNS) + "/" + name; }

// Checks a netlist text; `problems` gets what could not be read.
inline CheckReport checkNetlistText(const std::string& json, const std::vector<HeldPin>& held,
                                    std::vector<std::string>& problems, const std::string& top = "") {
  CheckNetlist netlist;
  CheckReport report;
  if (readCheckNetlist(json, "test.json", top, netlist, problems)) runChecks(netlist, held, report, problems);
  return report;
}

// Checks a design of tests/checks/designs through yosys; `ok` false when it could not be read.
inline CheckReport checkVerilog(const std::string& name, const std::vector<HeldPin>& held, bool& ok) {
  std::string text;
  std::vector<std::string> problems;
  ok = yosysNetlist(checkDesign(name), ImportOptions{}, kCheckPasses, systemProcessRunner(), text, testDiagnostics());
  CheckReport report;
  if (ok) report = checkNetlistText(text, held, problems);
  ok = ok && problems.empty();
  return report;
}

// The findings of one rule.
inline std::vector<Finding> findingsOf(const CheckReport& r, const std::string& rule) {
  std::vector<Finding> out;
  for (const Finding& f : r.findings)
    if (f.rule == rule) out.push_back(f);
  return out;
}
