// What the scan-readiness checks find: findings under stable rule ids, the
// registers and whether each can be scanned, and the clock domains.
#pragma once

#include <string>
#include <vector>

enum class Severity { Info, Warning, Error };

// "info", "warning" or "error".
const char* severityName(Severity s);

// One rule: a stable id, its severity and a few words of what it is about.
struct CheckRule {
  const char* id;
  Severity severity;
  const char* title;
};

// Every rule, in the order reports list them.
const std::vector<CheckRule>& checkRules();
// The rule with id `id`, or null.
const CheckRule* findCheckRule(const std::string& id);

struct Finding {
  std::string rule;      // "CLK-1"
  Severity severity = Severity::Info;
  std::string object;    // the register, net, cell or memory it is about
  std::string location;  // "file.v:12", or ""
  std::string message;   // what is wrong and what to do about it
};

// A flip-flop or latch cell of the design (a register of one or more bits).
struct CheckedRegister {
  std::string name;      // its signal's name
  std::string cell;      // the netlist cell
  std::string location;
  int bits = 0;
  std::string blockingRule;  // the first error-level rule on it; "" when it can be scanned
};

// One clock domain: a clock pin and an edge, with the flip-flops it clocks.
struct ClockDomain {
  std::string clock;
  bool risingEdge = true;
  int flipFlops = 0;  // bits
};

struct CheckReport {
  std::string design;  // the top module
  std::string source;  // the input file
  std::vector<std::pair<std::string, int>> testMode;  // pins held in test mode, as given
  std::vector<Finding> findings;
  std::vector<CheckedRegister> registers;
  std::vector<ClockDomain> domains;

  // Number of findings of a severity.
  int count(Severity s) const;
  // Number of findings of a rule.
  int count(const std::string& rule) const;
};
