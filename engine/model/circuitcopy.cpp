#include "model/circuitcopy.h"

#include <unordered_map>
#include <vector>

std::unique_ptr<Circuit> copyCircuit(const Circuit& c) {
  // Items oldest first: the circuit's own item comes with the new circuit.
  std::vector<const Item*> items;
  for (const Item* i = c.getIList(); i; i = i->getNext()) items.push_back(i);
  if (items.empty() || items.back()->getType() != UUA || items.back()->getName() != c.getName()) return nullptr;

  auto copy = std::make_unique<Circuit>(c.getName());
  std::unordered_map<const Port*, Port*> twin;
  std::vector<const Port*> ports;
  for (size_t k = items.size(); k-- > 0;) {
    const Item* from = items[k];
    if (from->isScanConverted()) return nullptr;  // a layout is applied
    Item* to = k + 1 == items.size() ? copy->getIList() : copy->addItem(from->getName(), from->getType());
    to->setBlock(from->getBlock());
    ports.clear();
    for (const Port* p = from->getPList(); p; p = p->getNext()) ports.push_back(p);
    const std::string& prefix = from->getName();
    for (size_t q = ports.size(); q-- > 0;) {
      const Port* p = ports[q];
      const std::string& n = p->getName();
      if (n.size() <= prefix.size() || n.compare(0, prefix.size(), prefix) != 0 || n[prefix.size()] != NAME_SEPARATOR ||
          p->getItem() != from)
        return nullptr;
      Port* made = to->addPort(n.substr(prefix.size() + 1), p->getNBits(), p->getType());
      made->setLayoutPin(p->isLayoutPin());
      twin.emplace(p, made);
    }
    if (to->getNIns() != from->getNIns() || to->getNCins() != from->getNCins() || to->getNOuts() != from->getNOuts() ||
        to->getNInouts() != from->getNInouts() || to->getType() != from->getType())
      return nullptr;
    if (from->isLayoutExcluded()) copy->excludeFromLayouts(to);
    to->setSettable(from->isSettable());
    if (to->getArea() != from->getArea()) {
      copy->setArea(copy->getArea() - to->getArea() + from->getArea());
      to->setArea(from->getArea());
    }
  }
  // Fan-out lists, oldest entry first so that they come out in the same order.
  std::vector<const Port*> targets;
  for (const auto& [from, to] : twin) {
    targets.clear();
    for (const LinkToPort* l = from->getLinkToPortPtr(); l; l = l->getNext()) targets.push_back(l->getPort());
    for (size_t t = targets.size(); t-- > 0;) {
      if (!targets[t]) {
        to->addToPort(nullptr);
        continue;
      }
      const auto found = twin.find(targets[t]);
      if (found == twin.end()) return nullptr;
      to->addToPort(found->second);
    }
  }
  // Counts set by hand are not reproduced.
  if (copy->getNFUs() != c.getNFUs() || copy->getNMUXs() != c.getNMUXs() || copy->getNREGs() != c.getNREGs() ||
      copy->getNPins() != c.getNPins() || copy->getNPCins() != c.getNPCins() || copy->getNPouts() != c.getNPouts() ||
      copy->getNPinouts() != c.getNPinouts() || copy->getNIns() != c.getNIns() || copy->getNCins() != c.getNCins() ||
      copy->getNOuts() != c.getNOuts() || copy->getNInouts() != c.getNInouts())
    return nullptr;
  copy->setArea(c.getArea());
  copy->setNotation(c.getNotation());
  copy->setOrigArea(c.getOrigArea());
  copy->setOrigNPIOs(c.getOrigNPIOs());
  copy->setFitness(c.getFitness());
  copy->blocks() = c.blocks();
  return copy;
}
