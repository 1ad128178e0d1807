#include "write/resultjson.h"

#include <cstdio>
#include <nlohmann/json.hpp>
#include <vector>

#include "base/diagnostics.h"
#include "model/model.h"
#include "scan/loops.h"
#include "scan/reggraph.h"
#include "write/reports.h"
#include "base/version.h"

namespace {

using Json = nlohmann::ordered_json;

const char* kindName(const Item& i) {
  if (i.getType() == UUA) return "CIRCUIT";
  const char* k = itemTypeName(i.getType());
  return k ? k : "UNKNOWN";
}

// The port name without its item prefix.
std::string shortName(const Port& p, const Item& owner) {
  const std::string& n = p.getName();
  const std::string& item = owner.getName();
  if (n.size() > item.size() && n.compare(0, item.size(), item) == 0 && n[item.size()] == NAME_SEPARATOR)
    return n.substr(item.size() + 1);
  return n;
}

// The data output of a register (not its scan output); null when it has none.
const Port* registerOutput(const Item& reg) {
  for (const Port* p = reg.getPList(); p; p = p->getNext())
    if (p->getType() == OUT && shortName(*p, reg) != "SCAN_OUT") return p;
  return nullptr;
}

Json registersJson(const LayoutRegisters& regs, const ScanChains& chains, const std::vector<bool>& inLoop) {
  std::vector<int> chainOf(static_cast<size_t>(regs.count()), -1), positionOf(chainOf);
  for (size_t g = 0; g < chains.size(); ++g)
    for (size_t k = 0; k < chains[g].size(); ++k) {
      const int r = chains[g][k];
      if (r < 0 || r >= regs.count()) continue;
      chainOf[static_cast<size_t>(r)] = static_cast<int>(g);
      positionOf[static_cast<size_t>(r)] = static_cast<int>(k);
    }
  // Listed as described, so that classic digit d is entry d.
  Json list = Json::array();
  for (int r = regs.count() - 1; r >= 0; --r) {
    const Item& reg = *regs.item(r);
    const Port* q = registerOutput(reg);
    const auto at = static_cast<size_t>(r);
    list.push_back({{"name", reg.getName()},
                    {"scanned", reg.getType() == SREG},
                    {"chain", chainOf[at]},
                    {"position", positionOf[at]},
                    {"con", q ? q->getCon() : 0.0},
                    {"obs", q ? q->getObs() : 0.0},
                    {"in_loop", at < inLoop.size() && inLoop[at]}});
  }
  return list;
}

// The ports (figures), items (structure) and links of the circuit.
void structureJson(const Circuit& c, Json& doc) {
  Json ports = Json::array(), items = Json::array(), links = Json::array(), blackBoxes = Json::array();
  for (const Item* i = c.getIList(); i; i = i->getNext()) {
    Json itemPorts = Json::array();
    for (const Port* p = i->getPList(); p; p = p->getNext()) {
      const double tst = p->getCon() * p->getObs() != 0.0 ? p->getTst() : 0.0;
      ports.push_back({{"name", p->getName()}, {"bits", p->getNBits()}, {"con", p->getCon()}, {"obs", p->getObs()},
                       {"tst", tst}});
      itemPorts.push_back({{"name", shortName(*p, *i)}, {"type", portTypeName(p->getType()) ? portTypeName(p->getType()) : "unknown"}, {"bits", p->getNBits()}});
      for (const LinkToPort* l = p->getLinkToPortPtr(); l; l = l->getNext())
        if (l->getPort()) links.push_back({{"from", p->getName()}, {"to", l->getPort()->getName()}});
    }
    Json item = {{"name", i->getName()}, {"kind", kindName(*i)}, {"ports", std::move(itemPorts)}};
    if (const std::string& block = c.blockPathOf(i); !block.empty()) item["block"] = block;
    if (i->getType() == BBOX) {
      item["black_box"] = true;
      blackBoxes.push_back(i->getName());
    }
    items.push_back(std::move(item));
  }
  doc["ports"] = std::move(ports);
  doc["items"] = std::move(items);
  doc["links"] = std::move(links);
  // Only designs with instances of undefined modules have the list.
  if (!blackBoxes.empty()) doc["black_boxes"] = std::move(blackBoxes);
}

Json loopsJson(const RegisterGraph& graph, const LayoutRegisters& regs) {
  std::vector<bool> scanned(static_cast<size_t>(regs.count()));
  for (int r = 0; r < regs.count(); ++r) scanned[static_cast<size_t>(r)] = regs.item(r)->getType() == SREG;
  Json list = Json::array();
  for (const RegisterLoop& loop : registerLoops(graph, scanned)) {
    Json names = Json::array();
    for (int r : loop.registers) names.push_back(regs.name(r));
    list.push_back({{"registers", std::move(names)}, {"broken", loop.broken}});
  }
  return list;
}

// Per port, in the order of "ports": the ports its controllability and its
// observability were taken from (the steps a test data path follows).
Json propagationJson(const Circuit& c) {
  Json list = Json::array();
  auto nameOf = [](const Port* p) { return p ? Json(p->getName()) : Json(nullptr); };
  for (const Item* i = c.getIList(); i; i = i->getNext())
    for (const Port* p = i->getPList(); p; p = p->getNext()) {
      const bool primary = i->getType() == UUA;
      list.push_back({{"port", p->getName()},
                      {"con_from", primary ? Json(nullptr) : nameOf(p->getConSrc())},
                      {"obs_from", primary ? Json(nullptr) : nameOf(p->getObsSrc())}});
    }
  return list;
}

// The registers `optimise --method loops` scans (with its default options),
// in the order they are described.
Json loopBreakingJson(const RegisterGraph& graph, const LayoutRegisters& regs) {
  const LoopBreakingResult set = minimumLoopBreakingSet(graph);
  Json names = Json::array();
  for (auto r = set.registers.rbegin(); r != set.registers.rend(); ++r)
    if (*r >= 0 && *r < regs.count()) names.push_back(regs.name(*r));
  return {{"registers", std::move(names)}, {"minimum", set.minimum}};
}

// One row of a block table.
Json blockJson(const BlockFigures& f) {
  Json row = {{"name", f.name},           {"items", f.items}, {"registers", f.registers},
              {"controllability", f.con}, {"observability", f.obs}, {"testability", f.tst},
              {"port_bits", f.bits},      {"untestable_bits", f.untestableBits},
              {"untestable_percent", f.untestablePercent}};
  if (!f.module.empty()) row["module"] = f.module;
  row["instances"] = f.instances;
  return row;
}

}  // namespace

Json blockTablesJson(const BlockTables& t) {
  Json instances = Json::array(), modules = Json::array();
  for (const BlockFigures& f : t.instances) instances.push_back(blockJson(f));
  for (const BlockFigures& f : t.modules) modules.push_back(blockJson(f));
  return {{"depth", t.depth}, {"instances", std::move(instances)}, {"modules", std::move(modules)}};
}

std::string resultJson(Circuit& c, const RunSummary& run) {
  const Measures m = measuresOf(c);
  const LayoutRegisters regs(c);
  const RegisterGraph graph(c);
  Json doc;
  doc["version"] = tarvexVersion();
  doc["circuit"] = c.getName();
  doc["method"] = run.method;
  doc["objective"] = run.objective;
  doc["measure"] = c.measureKind() == MeasureKind::FIXPOINT ? "fixpoint" : "classic";
  doc["seed"] = run.seed ? Json(*run.seed) : Json(nullptr);
  doc["layout"] = run.layout;
  Json chains = Json::array();
  for (const std::vector<int>& chain : run.chains) {
    Json names = Json::array();
    for (int r : chain)
      if (r >= 0 && r < regs.count()) names.push_back(regs.name(r));
    chains.push_back(std::move(names));
  }
  doc["chains"] = std::move(chains);
  doc["fitness"] = run.fitness;
  doc["testability"] = m.gt;
  doc["controllability"] = m.gc;
  doc["observability"] = m.go;
  doc["controllable_percent"] = m.pctC;
  doc["observable_percent"] = m.pctO;
  doc["area_overhead_percent"] = m.areaOver;
  doc["pin_overhead_percent"] = m.pinOver;
  if (run.visited) doc["visited"] = *run.visited;
  if (run.elapsedSeconds) doc["elapsed_seconds"] = *run.elapsedSeconds;
  if (run.gaFitness) doc["ga_fitness"] = *run.gaFitness;
  if (run.gaFitness) doc["polished_fitness"] = run.fitness;
  if (run.polishMoves) doc["polish_moves"] = *run.polishMoves;
  if (run.restarts) doc["restarts"] = *run.restarts;
  if (run.bestRestart) doc["best_restart"] = *run.bestRestart;
  if (run.restartSeed) doc["restart_seed"] = *run.restartSeed;
  doc["registers"] = registersJson(regs, run.chains, registersInLoops(graph));
  for (Json& r : doc["registers"])
    if (const auto it = run.unscannable.find(r["name"].get<std::string>()); it != run.unscannable.end()) {
      r["scannable"] = false;
      r["check_rule"] = it->second;
    }
  structureJson(c, doc);
  doc["loops"] = loopsJson(graph, regs);
  doc["loop_breaking"] = loopBreakingJson(graph, regs);
  doc["propagation"] = propagationJson(c);
  if (run.blocks) doc["blocks"] = blockTablesJson(*run.blocks);
  return doc.dump(2) + "\n";
}

bool writeResultJson(Circuit& c, const RunSummary& run, const ResultFiles& files) {
  const std::string name = resultFileName(c.getName(), ".json");
  std::printf("Writing results to '%s' (JSON format)...\n", name.c_str());
  std::fflush(stdout);
  const std::string text = resultJson(c, run);
  FILE* f = std::fopen(files.pathOf(name).c_str(), "w");
  bool ok = f && std::fwrite(text.data(), 1, text.size(), f) == text.size();
  if (f && std::fclose(f) != 0) ok = false;
  if (!ok) files.diagnostics().error("Can't write to '%s'!\n", name.c_str());
  return ok;
}
