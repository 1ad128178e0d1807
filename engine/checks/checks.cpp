// The rules in their order over one netlist: registers first (every rule
// names them), then each class of rules, then the findings in rule order.
#include "checks/checks.h"

#include <algorithm>
#include <cstdlib>

#include "checks/rules.h"

namespace {

// A register cell left over from elaboration: no named output, read by nothing.
bool isLeftover(const CheckDesign& d, int cell, const std::string& name) {
  if (!name.empty()) return false;
  for (NetBit b : d.cell(cell).bits("Q"))
    if (b >= 0 && !d.readers(b).empty()) return false;
  return true;
}

void collectRegisters(const CheckDesign& d, CheckReport& report, std::vector<int>& registerOf) {
  registerOf.assign(d.cellCount(), -1);
  for (int c = 0; c < d.cellCount(); ++c) {
    if (!d.registerKind(c)) continue;
    const NetCell& cell = d.cell(c);
    const std::string name = d.signalName(cell.bits("Q"));
    if (isLeftover(d, c, name)) continue;
    registerOf[c] = static_cast<int>(report.registers.size());
    report.registers.push_back({name.empty() ? d.cellLabel(c) : name, cell.name, cell.origin,
                                static_cast<int>(cell.bits("Q").size()), ""});
  }
}

// The held bits of `pins`; unknown ports go to `problems`.
std::vector<std::pair<NetBit, bool>> heldBits(const CheckNetlist& n, const std::vector<HeldPin>& pins,
                                              std::vector<std::string>& problems) {
  std::vector<std::pair<NetBit, bool>> bits;
  for (const HeldPin& h : pins) {
    const size_t open = h.port.find('[');
    const std::string name = h.port.substr(0, open);
    const auto port = std::find_if(n.ports.begin(), n.ports.end(), [&](const NetPort& p) { return p.name == name; });
    if (port == n.ports.end() || port->direction == PortDirection::Out) {
      problems.push_back("--test-mode " + h.port + ": the design '" + n.module + "' has no input '" + name + "'");
      continue;
    }
    if (open == std::string::npos) {
      for (NetBit b : port->bits) bits.push_back({b, h.value});
      continue;
    }
    const long index = std::strtol(h.port.c_str() + open + 1, nullptr, 10);
    if (index < 0 || static_cast<size_t>(index) >= port->bits.size()) {
      problems.push_back("--test-mode " + h.port + ": input '" + name + "' has " +
                         std::to_string(port->bits.size()) + " bit(s)");
      continue;
    }
    bits.push_back({port->bits[static_cast<size_t>(index)], h.value});
  }
  return bits;
}

// Rule order, then source order (file, line).
void sortFindings(std::vector<Finding>& findings) {
  auto rank = [](const Finding& f) {
    const auto& rules = checkRules();
    for (size_t k = 0; k < rules.size(); ++k)
      if (f.rule == rules[k].id) return k;
    return rules.size();
  };
  auto place = [](const Finding& f) {
    const size_t colon = f.location.rfind(':');
    if (colon == std::string::npos) return std::make_pair(std::string("\x7f"), 0L);
    return std::make_pair(f.location.substr(0, colon), std::strtol(f.location.c_str() + colon + 1, nullptr, 10));
  };
  std::stable_sort(findings.begin(), findings.end(), [&](const Finding& x, const Finding& y) {
    const size_t rx = rank(x), ry = rank(y);
    return rx != ry ? rx < ry : place(x) < place(y);
  });
}

}  // namespace

void RuleContext::add(const char* rule, std::string object, std::string location, std::string message, int cell) {
  const CheckRule* r = findCheckRule(rule);
  const Severity severity = r ? r->severity : Severity::Error;
  if (severity == Severity::Error && cell >= 0 && registerOf[cell] >= 0) {
    CheckedRegister& reg = report.registers[registerOf[cell]];
    if (reg.blockingRule.empty()) reg.blockingRule = rule;
  }
  report.findings.push_back({rule, severity, std::move(object), std::move(location), std::move(message)});
}

bool parseHeldPin(const std::string& text, HeldPin& pin) {
  const size_t eq = text.find('=');
  if (eq == std::string::npos || eq == 0) return false;
  const std::string value = text.substr(eq + 1);
  if (value != "0" && value != "1" && value != "1'b0" && value != "1'b1") return false;
  pin.port = text.substr(0, eq);
  pin.value = value.back() == '1';
  const size_t open = pin.port.find('[');
  if (open == std::string::npos) return true;
  const std::string index = pin.port.substr(open + 1);
  return open > 0 && index.size() >= 2 && index.back() == ']' &&
         index.find_first_not_of("0123456789") == index.size() - 1 && index.size() <= 10;
}

bool runChecks(const CheckNetlist& netlist, const std::vector<HeldPin>& held, CheckReport& report,
               std::vector<std::string>& problems) {
  const size_t before = problems.size();
  report.design = netlist.module;
  report.source = netlist.source;
  for (const HeldPin& h : held) report.testMode.push_back({h.port, h.value ? 1 : 0});
  const std::vector<std::pair<NetBit, bool>> bits = heldBits(netlist, held, problems);
  if (problems.size() != before) return false;
  const CheckDesign design(netlist);
  const BitValues test(design, bits), plain(design, {});
  RuleContext ctx{design, test, plain, report, {}};
  collectRegisters(design, report, ctx.registerOf);
  checkClocks(ctx);
  checkResets(ctx);
  checkStructure(ctx);
  checkValues(ctx);
  sortFindings(report.findings);
  return true;
}
