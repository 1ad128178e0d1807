// The rules, by class; each adds its findings to the context's report.
#pragma once

#include <string>
#include <vector>

#include "checks/design.h"
#include "checks/findings.h"
#include "checks/values.h"

struct RuleContext {
  const CheckDesign& design;
  const BitValues& test;   // constants with the test-mode pins held
  const BitValues& plain;  // constants of the netlist alone
  CheckReport& report;
  std::vector<int> registerOf;  // per cell: its index in report.registers, -1 when none

  // Adds a finding of `rule`; one of error level on register cell `cell` (when given) makes it unscannable.
  void add(const char* rule, std::string object, std::string location, std::string message, int cell = -1);
  // The register name of a register cell.
  const std::string& registerName(int cell) const { return report.registers[registerOf[cell]].name; }
};

// CLK-1, CLK-2: clocks from primary inputs through buffers and inverters; clock domains.
void checkClocks(RuleContext& ctx);
// RST-1, RST-2: asynchronous sets and resets controllable in test mode; flip-flops without reset.
void checkResets(RuleContext& ctx);
// LAT-1, LOOP-1, TRI-1, MEM-1: latches, combinational loops, tristates and several drivers, memories.
void checkStructure(RuleContext& ctx);
// X-1, CONST-1: undriven nets and constant X feeding logic; flip-flops that never change or are never seen.
void checkValues(RuleContext& ctx);
