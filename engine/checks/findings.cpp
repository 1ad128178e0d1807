// The rule table: ids and severities never change once published (scripts
// and review records refer to them).
#include "checks/findings.h"

#include <algorithm>

const char* severityName(Severity s) {
  switch (s) {
    case Severity::Info: return "info";
    case Severity::Warning: return "warning";
    case Severity::Error: return "error";
  }
  return "error";
}

const std::vector<CheckRule>& checkRules() {
  static const std::vector<CheckRule> rules = {  // a constant table, built on first use
      {"CLK-1", Severity::Error, "clock not driven from a primary input through buffers and inverters"},
      {"CLK-2", Severity::Warning, "both clock edges used, or several clock domains"},
      {"RST-1", Severity::Error, "asynchronous set or reset not controllable from a primary input"},
      {"RST-2", Severity::Warning, "flip-flop without reset"},
      {"LAT-1", Severity::Error, "latch"},
      {"LOOP-1", Severity::Error, "combinational loop"},
      {"TRI-1", Severity::Warning, "tristate driver or several drivers of one net"},
      {"MEM-1", Severity::Info, "memory"},
      {"X-1", Severity::Warning, "undriven net or constant X feeding logic"},
      {"CONST-1", Severity::Info, "flip-flop that never changes or reaches no output"},
  };
  return rules;
}

const CheckRule* findCheckRule(const std::string& id) {
  for (const CheckRule& r : checkRules())
    if (id == r.id) return &r;
  return nullptr;
}

int CheckReport::count(Severity s) const {
  return static_cast<int>(std::count_if(findings.begin(), findings.end(), [&](const Finding& f) { return f.severity == s; }));
}

int CheckReport::count(const std::string& rule) const {
  return static_cast<int>(std::count_if(findings.begin(), findings.end(), [&](const Finding& f) { return f.rule == rule; }));
}
