// Text and JSON forms of a check report, from the same figures.
#include "checks/report.h"

#include <nlohmann/json.hpp>

namespace {

struct Counts {
  int bits = 0, scannableBits = 0, registers = 0, scannableRegisters = 0;
};

Counts countsOf(const CheckReport& r) {
  Counts c;
  for (const CheckedRegister& reg : r.registers) {
    ++c.registers;
    c.bits += reg.bits;
    if (!reg.blockingRule.empty()) continue;
    ++c.scannableRegisters;
    c.scannableBits += reg.bits;
  }
  return c;
}

std::string plural(int n, const char* word) { return std::to_string(n) + " " + word + (n == 1 ? "" : "s"); }

}  // namespace

std::string findingLine(const Finding& f) {
  return f.rule + " " + severityName(f.severity) + " " + f.object + " " + (f.location.empty() ? "-" : f.location) +
         ": " + f.message;
}

std::string checkReportText(const CheckReport& r) {
  std::string text;
  for (const Finding& f : r.findings) text += findingLine(f) + "\n";
  const Counts c = countsOf(r);
  text += "Design '" + r.design + "': " + std::to_string(c.scannableBits) + " of " + plural(c.bits, "flip-flop") +
          " in " + std::to_string(c.scannableRegisters) + " of " + plural(c.registers, "register") +
          " can be scanned\n";
  if (!r.domains.empty()) {
    text += "Clock domains:";
    for (const ClockDomain& d : r.domains)
      text += " " + d.clock + (d.risingEdge ? " rising (" : " falling (") + std::to_string(d.flipFlops) + ")";
    text += "\n";
  }
  text += "Findings:";
  for (const CheckRule& rule : checkRules()) text += std::string(" ") + rule.id + " " + std::to_string(r.count(rule.id));
  text += "\n" + plural(r.count(Severity::Error), "error") + ", " + plural(r.count(Severity::Warning), "warning") +
          ", " + plural(r.count(Severity::Info), "info") + "\n";
  return text;
}

std::string checkReportJson(const CheckReport& r, const std::string& version) {
  using json = nlohmann::ordered_json;
  json doc;
  doc["version"] = version;
  doc["design"] = r.design;
  doc["source"] = r.source;
  json held = json::object();
  for (const auto& [port, value] : r.testMode) held[port] = value;
  doc["test_mode"] = std::move(held);
  json findings = json::array();
  for (const Finding& f : r.findings)
    findings.push_back({{"rule", f.rule}, {"severity", severityName(f.severity)}, {"object", f.object},
                        {"location", f.location}, {"message", f.message}});
  doc["findings"] = std::move(findings);
  json regs = json::array();
  for (const CheckedRegister& reg : r.registers)
    regs.push_back({{"name", reg.name}, {"cell", reg.cell}, {"location", reg.location}, {"bits", reg.bits},
                    {"scannable", reg.blockingRule.empty()},
                    {"rule", reg.blockingRule.empty() ? json(nullptr) : json(reg.blockingRule)}});
  doc["registers"] = std::move(regs);
  json domains = json::array();
  for (const ClockDomain& d : r.domains)
    domains.push_back({{"clock", d.clock}, {"edge", d.risingEdge ? "rising" : "falling"}, {"flip_flops", d.flipFlops}});
  doc["clock_domains"] = std::move(domains);
  const Counts c = countsOf(r);
  json perRule = json::object();
  for (const CheckRule& rule : checkRules()) perRule[rule.id] = r.count(rule.id);
  doc["summary"] = {{"flip_flops", c.bits},
                    {"scannable_flip_flops", c.scannableBits},
                    {"registers", c.registers},
                    {"scannable_registers", c.scannableRegisters},
                    {"errors", r.count(Severity::Error)},
                    {"warnings", r.count(Severity::Warning)},
                    {"infos", r.count(Severity::Info)},
                    {"findings", std::move(perRule)}};
  return doc.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}
