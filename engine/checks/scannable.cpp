// Loading a design together with its checks: one netlist for both, so that
// each register item is found again by the netlist cell it came from.
#include "checks/scannable.h"

#include <unordered_map>

#include "model/model.h"
#include "scan/notation.h"

ScanExclusions exclusionsOf(const CheckReport& report, const ImportedDesign& design) {
  std::unordered_map<std::string_view, const std::string*> ruleOfCell;
  for (const CheckedRegister& r : report.registers)
    if (!r.blockingRule.empty()) ruleOfCell.emplace(r.cell, &r.blockingRule);
  ScanExclusions out;
  for (const ImportedItem& item : design.items) {
    if (item.kind != REG) continue;
    const auto it = ruleOfCell.find(item.cell);
    if (it != ruleOfCell.end()) out.add(item.name, *it->second);
  }
  return out;
}

std::unique_ptr<Circuit> loadCheckedCircuit(const std::string& path, const ImportOptions& options,
                                            const std::vector<HeldPin>& held, ProcessRunner& runner,
                                            ScanExclusions& exclusions, std::vector<std::string>& problems,
                                            Diagnostics& diagnostics) {
  exclusions = ScanExclusions{};
  if (inputKindOf(path) == InputKind::Description) {
    if (!held.empty()) {
      problems.push_back("--test-mode needs a Verilog design or a netlist: a circuit description has no pins to hold");
      return nullptr;
    }
    return loadCircuit(path, options, runner, diagnostics);
  }
  std::string text;
  ImportOptions chosen = options;
  ImportedDesign design;
  if (!importedNetlistText(path, options, runner, text, diagnostics, &chosen.top) ||
      !importNetlist(text, path, chosen, design, diagnostics))
    return nullptr;
  if (!findExclusions(text, path, design, held, exclusions, problems)) return nullptr;
  return buildCircuit(design, diagnostics);
}

bool findExclusions(const std::string& netlist, const std::string& source, const ImportedDesign& design,
                    const std::vector<HeldPin>& held, ScanExclusions& exclusions, std::vector<std::string>& problems) {
  CheckNetlist checked;
  CheckReport report;  // the checks read the very module the importer read
  if (!readCheckNetlist(netlist, source, design.module, checked, problems) || !runChecks(checked, held, report, problems))
    return false;
  exclusions = exclusionsOf(report, design);
  return true;
}

std::string unscannableMessage(const std::string& item, const std::string& rule) {
  return "register '" + item + "' cannot be scanned (" + rule + ", see 'tarvex check')";
}

void leaveOutOfLayouts(Circuit& c, const ScanExclusions& excluded) {
  for (Item* i = c.getIList(); i; i = i->getNext())
    if (excluded.ruleOf(i->getName())) c.excludeFromLayouts(i);
}

std::string exclusionList(const ScanExclusions& excluded) {
  std::string list;
  for (const auto& [name, rule] : excluded.all()) list += (list.empty() ? "" : ", ") + name + " (" + rule + ")";
  return list;
}

std::string unscannableInLayout(const Circuit& c, const std::string& notation, const ScanExclusions& excluded) {
  if (excluded.empty() || notation.empty() || notation == "-1") return {};
  const LayoutRegisters regs(c);
  ScanChains chains;
  if (!parseNotation(notation, regs, chains).empty()) return {};
  for (const std::vector<int>& chain : chains)
    for (int r : chain)
      if (const std::string* rule = r >= 0 && r < regs.count() ? excluded.ruleOf(regs.name(r)) : nullptr)
        return unscannableMessage(regs.name(r), *rule);
  return {};
}
