#include "faultsim/wordlevel.h"

#include "analysis/analysis.h"
#include "model/model.h"
#include "optimise/exact.h"
#include "optimise/ga.h"
#include "optimise/solvers.h"
#include "scan/insertion.h"
#include "scan/scanlayout.h"

namespace {

// The port name without its item prefix.
std::string shortName(const Port& p, const Item& owner) {
  const std::string& n = p.getName();
  const std::string& item = owner.getName();
  if (n.size() > item.size() && n.compare(0, item.size(), item) == 0 && n[item.size()] == NAME_SEPARATOR)
    return n.substr(item.size() + 1);
  return n;
}

// A port's testability as the measure of the analysis defines it (classic: the mean of its
// controllability and observability; fixpoint: their product).
double testabilityOf(const Port& p) { return p.getTst(); }

// The mean testability of a register's data ports (not its clock or scan ports).
double registerTestability(const Item& reg) {
  double sum = 0.0;
  int ports = 0;
  for (const Port* p = reg.getPList(); p; p = p->getNext()) {
    const std::string name = shortName(*p, reg);
    if (p->getType() == CIN_CLK || p->getType() == CIN_SEL || name.rfind("SCAN", 0) == 0) continue;
    sum += testabilityOf(*p);
    ++ports;
  }
  return ports ? sum / ports : 0.0;
}

void collectFigures(Circuit& c, WordLevelView& view) {
  const LayoutRegisters regs(c);
  for (int r = regs.count() - 1; r >= 0; --r) {
    const Item& reg = *regs.item(r);
    view.figures.push_back({reg.getName(), true, reg.getType() == SREG, registerTestability(reg)});
    if (reg.getType() == SREG) view.scannedRegisters.push_back(reg.getName());
  }
  const Item* holder = c.getPortHolder();
  std::vector<WordFigure> ports;
  for (const Port* p = holder ? holder->getPList() : nullptr; p; p = p->getNext()) {
    if (p->isLayoutPin() || p->getType() == CIN_CLK) continue;
    ports.push_back({shortName(*p, *holder), false, false, testabilityOf(*p)});
  }
  view.figures.insert(view.figures.end(), ports.rbegin(), ports.rend());  // as declared
}

}  // namespace

std::string chooseLayout(Circuit& c, const LayoutChoice& choice, const OptimiseSettings& s, RandomSource& random,
                         ScanLayout& layout, const RunContext& run) {
  layout.clear();
  const ScanMethodSettings m = scanMethodSettings(s);
  if (choice.method.empty()) {
    if (choice.notation.empty() || choice.notation == "-1") return {};
    return parseNotation(choice.notation, LayoutRegisters(c), layout);
  }
  if (choice.method == "none") return {};
  if (choice.method == "full") {
    layout = fullScanLayout(c, m.rules);
  } else if (choice.method == "loops") {
    layout = loopBreakingLayout(c, m.rules, nullptr);
  } else if (choice.method == "ga") {
    GaOptions o = modernGaOptions(c, s, run);
    o.writeResults = false;
    layout = runGA(c, o, random, run).chains;
  } else if (choice.method == "exact") {
    ExactOptions eo;
    eo.maxLayouts = exactLayoutLimit(c);
    ScanEvaluator eval(c, run, m.techniques, s.limits);
    const ExactResult r = exactOptimum(eval, eo);
    if (r.refused) return "exact: " + exactRefusal(r, eo);
    layout = r.best;
  } else {
    return "unknown method '" + choice.method + "' (none, full, loops, ga, exact)";
  }
  return {};
}

std::string wordLevelView(Circuit& c, const ScanLayout& layout, bool unordered, WordLevelView& view,
                          Analyser& analyser) {
  view = WordLevelView{};
  for (const Item* i = c.getIList(); i; i = i->getNext())
    if (i->getType() == BBOX)
      return "'" + i->getName() + "' is an instance of an undefined module: fault simulation needs its behaviour "
             "(give a model with --lib FILE.v)";
  const LayoutRegisters regs(c);
  const ScanLayout settled =
      settledLayout(layout, regs.count(), unordered ? ChainOrder::BY_REGISTER : ChainOrder::AS_LISTED);
  if (!settled.empty()) view.layout = layoutNotation(settled, regs);
  const AppliedScanLayout applied(c, regs, settled);
  if (!applied.applied()) return applied.problem();
  analyser.bothDirections(c);
  collectFigures(c, view);
  return {};
}
