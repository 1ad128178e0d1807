#include "analysis/blockfigures.h"

#include <map>

#include "analysis/fixpoint.h"
#include "base/natural_order.h"
#include "model/model.h"

namespace {

// Running sums of one block.
struct BlockSums {
  std::string module;
  int items = 0;
  int registers = 0;
  int instances = 0;
  double con = 0.0, obs = 0.0, tst = 0.0;
  long ports = 0;
  long bits = 0;
  long untestable = 0;

  void addItem(const Item& i, double threshold) {
    ++items;
    if (i.getType() == REG || i.getType() == SREG) ++registers;
    for (const Port* p = i.getPList(); p; p = p->getNext()) {
      if (isControlInput(p->getType()) || !isOwnPort(p)) continue;
      ++ports;
      con += p->getCon();
      obs += p->getObs();
      tst += p->getTst();
      bits += p->getNBits();
      if (!(p->getCon() > threshold && p->getObs() > threshold)) untestable += p->getNBits();
    }
  }

  void addBlock(const BlockSums& b) {
    items += b.items;
    registers += b.registers;
    instances += 1;
    con += b.con;
    obs += b.obs;
    tst += b.tst;
    ports += b.ports;
    bits += b.bits;
    untestable += b.untestable;
  }

  BlockFigures figures(const std::string& name) const {
    BlockFigures f;
    f.name = name;
    f.module = module;
    f.instances = instances;
    f.items = items;
    f.registers = registers;
    const double n = static_cast<double>(ports);
    if (ports > 0) {
      f.con = con / n;
      f.obs = obs / n;
      f.tst = tst / n;
    }
    f.bits = bits;
    f.untestableBits = untestable;
    f.untestablePercent = bits > 0 ? 100.0 * static_cast<double>(untestable) / static_cast<double>(bits) : 0.0;
    return f;
  }
};

}  // namespace

BlockTables blockTables(const Circuit& c, int depth, double threshold) {
  BlockTables t;
  t.depth = depth;
  std::map<std::string, BlockSums, NaturalLess> byPath;
  BlockSums top;
  top.instances = 1;
  top.module = c.getName();
  const Item* holder = c.getPortHolder();
  for (const Item* i = c.getIList(); i; i = i->getNext()) {
    if (i == holder) continue;
    const std::string path = blockPrefix(c.blockPathOf(i), depth);
    if (path.empty()) {
      top.addItem(*i, threshold);
      continue;
    }
    BlockSums& b = byPath[path];
    b.instances = 1;
    b.module = c.blocks().moduleOf(path);
    b.addItem(*i, threshold);
  }
  if (top.items > 0) t.instances.push_back(top.figures(kTopBlockName));
  std::map<std::string, BlockSums, NaturalLess> byModule;
  for (const auto& [path, sums] : byPath) {
    t.instances.push_back(sums.figures(path));
    if (sums.module.empty()) continue;
    BlockSums& m = byModule[sums.module];
    m.module = sums.module;
    m.addBlock(sums);
  }
  for (const auto& [module, sums] : byModule) t.modules.push_back(sums.figures(module));
  return t;
}
