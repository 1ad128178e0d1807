// The testability analysis driver: controllability forward from the primary
// inputs, observability backward from the primary outputs, both as work-list
// propagations over the circuit's ready-port list; then the averages and bit
// counts. The per-item rules are in propag.cpp.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <vector>

#include "analysis/analysis.h"
#include "base/bigmemory.h"
#include "base/diagnostics.h"
#include "model/kinds.h"
#include "model/model.h"
#include "analysis/propag.h"

namespace {

// The two circuit totals every rule receives.
struct Totals {
  int nports;  // item input, control-input and bidirectional bits
  int nclks;   // clock total
};

Totals totalsOf(const Circuit& c) { return {c.getNIns() + c.getNCins() + c.getNInouts(), c.getNClks()}; }

// A value moves along a link from a port of item `from` to a port of item
// `to` unless the link is an inner path of one item (a non-output port
// feeding a port of its own item); the primary port holder's own links move.
bool linkMoves(const Item* from, const Item* to, const Port* src) {
  return from != to || src->getType() == OUT || from->getType() == UUA;
}

bool requiredForFiring(port_type t) { return t == IN || t == CIN_CLK || t == CIN_SEL; }

// An item fires once all its IN and control ports are in the ready list.
bool readyToFire(const Item* i) {
  for (Port* p = i->getPList(); p; p = p->getNext())
    if (requiredForFiring(p->getType()) && !p->inReadyList()) return false;
  return true;
}

// Ports a register rule needs: the last IN, OUT and CIN_CLK port of the list.
struct RegPorts {
  Port* in = nullptr;
  Port* clk = nullptr;
  Port* out = nullptr;
  bool complete() const { return in && clk && out; }
};

RegPorts regPortsOf(const Item* i) {
  RegPorts r;
  for (Port* p = i->getPList(); p; p = p->getNext()) {
    if (p->getType() == IN) r.in = p;
    if (p->getType() == OUT) r.out = p;
    if (p->getType() == CIN_CLK) r.clk = p;
  }
  return r;
}

// Fires the controllability rule of one item. `roles`: the scan register's
// roles when already known.
void fireCon(Diagnostics& d, Circuit& c, Item* i, const Totals& t, const SRegRoles* roles) {
  switch (ruleOf(i->getType())) {
    case PropagationRule::FUNCTIONAL_UNIT:
      propagFUCon(i, t.nports, t.nclks);
      break;
    case PropagationRule::REGISTER: {
      const RegPorts r = regPortsOf(i);
      if (!r.complete()) {
        d.error("'%s' port(s) missing!\n", i->getName().c_str());
        break;
      }
      propagRegCon(r.in, r.clk, r.out, t.nports, t.nclks);
      c.addReadyPort(r.out);
      break;
    }
    case PropagationRule::MULTIPLEXER:
      propagMuxCon(i, t.nports, t.nclks);
      break;
    case PropagationRule::SCAN_REGISTER:
      if (roles)
        propagSRegConRoles(i, *roles, t.nports, t.nclks);
      else
        propagSRegCon(i, t.nports, t.nclks);
      break;
    case PropagationRule::MEMORY:
      propagRamCon(i, t.nports, t.nclks);
      break;
    case PropagationRule::BLACK_BOX:
      propagBlackBoxCon(i);
      break;
    default:
      d.error("'%s' item type is unknown!\n", i->getName().c_str());
      break;
  }
}

// Runs the observability rule of one item; true when it changed a value.
bool fireObs(Diagnostics& d, Item* i, const Totals& t, const SRegRoles* roles) {
  switch (ruleOf(i->getType())) {
    case PropagationRule::FUNCTIONAL_UNIT:
      return propagFUObs(i, t.nports, t.nclks) != 0;
    case PropagationRule::REGISTER: {
      const RegPorts r = regPortsOf(i);
      if (!r.complete()) {
        d.error("'%s' port(s) missing!\n", i->getName().c_str());
        return false;
      }
      return propagRegObs(i, r.in, r.clk, r.out, t.nports, t.nclks) != 0;
    }
    case PropagationRule::MULTIPLEXER:
      return propagMuxObs(i, t.nports, t.nclks) != 0;
    case PropagationRule::SCAN_REGISTER:
      return (roles ? propagSRegObsRoles(i, *roles, t.nports, t.nclks)
                    : propagSRegObs(i, t.nports, t.nclks)) != 0;
    case PropagationRule::MEMORY:
      return propagRamObs(i, t.nports, t.nclks) != 0;
    case PropagationRule::BLACK_BOX:
      return false;  // nothing shows through a black box
    default:
      d.error("'%s' item type is unknown!\n", i->getName().c_str());
      return false;
  }
}

// The port of a ready-list entry, with the two checks both link passes make.
Port* readyEntryPort(Diagnostics& d, const ReadyPort* r) {
  Port* s = r->getPort();
  if (!s) {
    d.error("readyPort points to NO Port-object (pointer to Port is NULL)!\n");
    return nullptr;
  }
  if (!s->getItem()) {
    d.error("%s points to NO item (poiter to Item is NULL)\n", s->getName().c_str());
    return nullptr;
  }
  return s;
}

// Forward link pass over the entries from `head` up to `stopAt` (exclusive):
// every port driven from a ready port and not yet ready takes its value.
// `onAdd` is told about every port added. True when a port was added.
template <class OnAdd>
bool conLinkPass(Diagnostics& d, Circuit& c, ReadyPort* head, const ReadyPort* stopAt, OnAdd&& onAdd) {
  bool change = false;
  for (ReadyPort* r = head; r != stopAt; r = r->getNext()) {
    Port* s = readyEntryPort(d, r);
    if (!s) continue;
    const Item* from = s->getItem();
    for (LinkToPort* l = s->getLinkToPortPtr(); l; l = l->getNext()) {
      Port* t = l->getPort();
      if (!t) {
        d.error("linkToPort points to NO Port-object (pointer to Port is NULL)\n");
        continue;
      }
      if (!t->getItem()) {
        d.error("Port object point to NO Item-object (pointer to Item object is NULL)!\n");
        continue;
      }
      if (!linkMoves(from, t->getItem(), s) || t->inReadyList()) continue;
      c.addReadyPort(t);
      t->setCon(s->getCon());
      t->setNClks(s->getNClks());
      t->setNPorts(s->getNPorts());
      t->setMultC(s->getMultC());
      t->setConSrc(s);
      change = true;
      onAdd(t);
    }
  }
  return change;
}

// One backward step: driver `d` of ready port `s` joins the list and takes
// the observability of `s` when that is higher. True when `d` was added.
bool obsLinkStep(Circuit& c, Port* s, Port* d) {
  if (!linkMoves(d->getItem(), s->getItem(), d) || d->inReadyList()) return false;
  c.addReadyPort(d);
  if (d->getObs() < s->getObs()) {
    d->setObs(s->getObs());
    d->setNClks(s->getNClks());
    d->setNPorts(s->getNPorts());
    d->setMultC(s->getMultC());
    d->setObsSrc(s);
  }
  return true;
}

// Backward link pass by scanning every link of the circuit for every ready port.
void obsLinkPassScan(Diagnostics& diag, Circuit& c, ReadyPort* head) {
  for (ReadyPort* r = head; r; r = r->getNext()) {
    Port* s = readyEntryPort(diag, r);
    if (!s) continue;
    for (Item* j = c.getIList(); j; j = j->getNext())
      for (Port* d = j->getPList(); d; d = d->getNext())
        for (LinkToPort* l = d->getLinkToPortPtr(); l; l = l->getNext()) {
          if (!l->getPort()) {
            diag.error("###linkToPort points to NO Port-object (pointer to Port is NULL)\n");
            continue;
          }
          if (l->getPort() != s) continue;
          if (!d->getItem()) {
            diag.error("Port object point to NO Item-object (pointer to Item object is NULL)!\n");
            continue;
          }
          obsLinkStep(c, s, d);
        }
  }
}

// Clears the controllability side of every port (obsSrc is kept).
void resetForCon(const Circuit& c) {
  for (Item* i = c.getIList(); i; i = i->getNext())
    for (Port* p = i->getPList(); p; p = p->getNext()) {
      p->setCon(0.0);
      p->setObs(0.0);
      p->setTst(0.0);
      p->setMultC(0.0);
      p->setNPorts(0);
      p->setNClks(0);
      p->setConSrc(nullptr);
    }
}

// Clears the observability side of every port (con, tst and conSrc are kept).
void resetForObs(const Circuit& c) {
  for (Item* i = c.getIList(); i; i = i->getNext())
    for (Port* p = i->getPList(); p; p = p->getNext()) {
      p->setObs(0.0);
      p->setMultC(0.0);
      p->setNPorts(0);
      p->setNClks(0);
      p->setObsSrc(nullptr);
    }
}

// Puts the primary ports of the given kinds in the ready list as sources.
template <class Pred>
void seedPrimaryPorts(Circuit& c, Pred isSource, void (Port::*setValue)(double)) {
  Item* holder = c.getPortHolder();
  if (!holder) return;
  for (Port* p = holder->getPList(); p; p = p->getNext()) {
    if (!isSource(p->getType())) continue;
    c.addReadyPort(p);
    (p->*setValue)(1.0);
    p->setMultC(1.0);
  }
}

// One semi-propagation by full walk: the first multiplexer or scan register
// not yet fired whose semi rule raises a value.
bool semiStepWalk(const Circuit& c, const Totals& t) {
  for (Item* i = c.getIList(); i; i = i->getNext()) {
    if (i->propagDone()) continue;
    if (i->getType() == MUX && semiPropagMuxCon(i, t.nports, t.nclks)) return true;
    if (i->getType() == SREG && semiPropagSRegCon(i, t.nports, t.nclks)) return true;
  }
  return false;
}

// Sets every port's tst to the mean of its con and obs, then the circuit
// averages over the non-control ports (0 when there is none), in one walk;
// the sums are those of evalCon, evalObs and evalTst.
void finishAnalysis(Circuit& c) {
  double con = 0.0, obs = 0.0, tst = 0.0;
  long n = 0;
  for (Item* i = c.getIList(); i; i = i->getNext())
    for (Port* p = i->getPList(); p; p = p->getNext()) {
      p->setTst((p->getCon() + p->getObs()) * 0.5);
      if (isControlInput(p->getType())) continue;
      con += p->getCon();
      obs += p->getObs();
      tst += p->getTst();
      ++n;
    }
  const double count = static_cast<double>(n);
  c.setCon(n ? con / count : 0.0);
  c.setObs(n ? obs / count : 0.0);
  c.setTst(n ? tst / count : 0.0);
}

}  // namespace

// ---------------------------------------------------------------- incremental schedule

// Work lists and indexes of the incremental schedule. Each analyser keeps one
// and reuses it for every analysis, so that repeated analyses do not allocate once warm.
class IncrementalSchedule {
 public:
  // Indexes the circuit; false when it is not well formed (the full walks then run).
  bool prepare(const Circuit& c, bool withDrivers) {
    if (!(kept == &c && keptIndexed)) {
      keptIndexed = false;
      // A kept circuit is analysed in both directions, so its driven ports
      // are numbered in the walk that checks the links, whichever comes first.
      const bool numberDrivers = withDrivers || kept == &c;
      if (!index(c, numberDrivers)) return false;
      if (numberDrivers) fillDrivers();  // index() numbered the driven ports
      keptIndexed = kept == &c;
    }
    queued.assign(items.size(), 0);
    marked.assign(items.size(), 0);
    work.clear();
    return true;
  }

  // Keeps the indexes of `c` from one prepare to the next while its
  // structure stays as it is; null forgets them.
  void keepFor(const Circuit* c) {
    kept = c;
    keptIndexed = false;
  }

  void runCon(Diagnostics& diag, Circuit& c) {
    const Totals t = totalsOf(c);
    // The first sweep looks at every item, later ones at the items that
    // received an IN or control port since.
    candidates.clear();
    for (size_t k = 0; k < items.size(); ++k) {
      if (items[k]->getType() == UUA) continue;
      queued[k] = 1;
      candidates.push_back(static_cast<int>(k));
    }
    auto onAdd = [&](const Port* p) {
      Item* j = p->getItem();
      if (j->getType() == UUA || j->propagDone()) return;
      const int k = indexOf(j);
      if (requiredForFiring(p->getType()) && !queued[k]) {
        queued[k] = 1;
        candidates.push_back(k);
      }
      if ((j->getType() == MUX || j->getType() == SREG) && !marked[k]) {
        marked[k] = 1;
        work.push_back(k);
        std::push_heap(work.begin(), work.end(), std::greater<int>());
      }
    };
    const ReadyPort* stopAt = nullptr;
    bool change;
    do {
      ReadyPort* head = c.getReadyPorts();
      change = conLinkPass(diag, c, head, stopAt, onAdd);
      stopAt = head;
      std::sort(candidates.begin(), candidates.end());
      for (int k : candidates) {
        queued[k] = 0;
        Item* i = items[k];
        if (i->propagDone() || !readyToFire(i)) continue;
        i->setPropagDone(true);
        fireCon(diag, c, i, t, rolesOf(k, false));
        change = true;
      }
      candidates.clear();
      if (!change) change = semiStep(t);
    } while (change);
  }

  void runObs(Diagnostics& diag, Circuit& c) {
    const Totals t = totalsOf(c);
    work.clear();
    auto onAdd = [&](const Port* d) {
      Item* j = d->getItem();
      if (j->getType() == UUA) return;
      const int k = indexOf(j);
      if (!marked[k]) {
        marked[k] = 1;
        work.push_back(k);
      }
    };
    const ReadyPort* stopAt = nullptr;
    bool change;
    do {
      ReadyPort* head = c.getReadyPorts();
      for (ReadyPort* r = head; r != stopAt; r = r->getNext()) {
        Port* s = r->getPort();
        const int slot = s->scheduleSlot(targetStamp);
        if (slot < 0) continue;
        for (int e = driverStart[slot]; e < driverStart[slot + 1]; ++e)
          if (obsLinkStep(c, s, drivers[e])) onAdd(drivers[e]);
      }
      stopAt = head;
      // Only items with a port that joined the list can raise a value.
      std::sort(work.begin(), work.end());
      change = false;
      for (int k : work) {
        marked[k] = 0;
        if (!items[k]->propagDone() && fireObs(diag, items[k], t, rolesOf(k, false))) change = true;
      }
      work.clear();
    } while (change);
  }

 private:
  static bool knownKind(item_type t) { return ruleOf(t) != PropagationRule::NONE; }

  // Numbers the items and checks that every port and link stays inside the
  // circuit; false when it does not. With `withDrivers`, also numbers the
  // driven ports in the same walk (see startDriverSlots).
  bool index(const Circuit& c, bool withDrivers) {
    items.clear();
    for (Item* i = c.getIList(); i; i = i->getNext()) items.push_back(i);
    stamp = c.newScheduleStamp();
    for (size_t k = 0; k < items.size(); ++k) {
      Item* i = items[k];
      if (i->getCircuit() != &c || !knownKind(i->getType())) return false;
      if (i->getType() == REG && !regPortsOf(i).complete()) return false;
      i->setScheduleSlot(stamp, static_cast<int>(k));
    }
    nlinks = 0;
    if (withDrivers) startDriverSlots(c);
    for (Item* i : items)
      for (Port* p = i->getPList(); p; p = p->getNext()) {
        if (p->getItem() != i) return false;
        for (LinkToPort* l = p->getLinkToPortPtr(); l; l = l->getNext(), ++nlinks) {
          Port* to = l->getPort();
          if (!to || indexOf(to->getItem()) < 0) return false;
          if (withDrivers) countDriver(to);
        }
      }
    classifyScanRegisters();
    return true;
  }

  // The scan register roles of every SREG, classified once (no name tests later).
  void classifyScanRegisters() {
    sregStart.assign(items.size() + 1, 0);
    sregPorts.clear();
    for (size_t k = 0; k < items.size(); ++k) {
      sregStart[k] = static_cast<int>(sregPorts.size());
      if (items[k]->getType() != SREG) continue;
      for (Port* p = items[k]->getPList(); p; p = p->getNext()) sregPorts.push_back({p, sregRoleOf(p)});
    }
    sregStart[items.size()] = static_cast<int>(sregPorts.size());
  }

  // Roles of item k when it is a scan register, else null (the result lives until the next call).
  const SRegRoles* rolesOf(int k, bool readyOnly) {
    if (items[k]->getType() != SREG) return nullptr;
    roles = SRegRoles{};
    for (int e = sregStart[k]; e < sregStart[k + 1]; ++e)
      assignSRegRole(roles, sregPorts[e].first, sregPorts[e].second, readyOnly);
    return &roles;
  }

  // The semi-propagation step: the first multiplexer or scan register (in
  // item order) whose semi rule raises a value. Only items with a port that
  // joined the list since their last try can succeed or change anything.
  bool semiStep(const Totals& t) {
    while (!work.empty()) {
      std::pop_heap(work.begin(), work.end(), std::greater<int>());
      const int k = work.back();
      work.pop_back();
      marked[k] = 0;
      Item* i = items[k];
      if (i->propagDone()) continue;
      const int raised = i->getType() == MUX ? semiPropagMuxCon(i, t.nports, t.nclks)
                                             : semiPropagSRegConRoles(i, *rolesOf(k, true), t.nports, t.nclks);
      if (raised) return true;
    }
    return false;
  }

  // The driver table: for every port driven by a link, the ports driving it,
  // in the order of a scan of all links (items, then ports, then fan-out
  // entries, each in list order). index() numbers the driven ports and
  // counts their links; fillDrivers() then fills the table.
  void startDriverSlots(const Circuit& c) {
    targetStamp = c.newScheduleStamp();
    driverStart.clear();
    linkSlots.clear();
    driverSlots = 0;
  }

  // Numbers `to` on its first link and counts the link; the scan of links
  // keeps each link's number so that the fill needs no second look at `to`.
  void countDriver(Port* to) {
    int slot = to->scheduleSlot(targetStamp);
    if (slot < 0) {
      slot = driverSlots++;
      to->setScheduleSlot(targetStamp, slot);
      driverStart.push_back(0);
    }
    ++driverStart[static_cast<size_t>(slot)];
    linkSlots.push_back(slot);
  }

  // Counts to start offsets, then the drivers in the scan order of the links.
  void fillDrivers() {
    int offset = 0;
    for (int& n : driverStart) {
      const int count = n;
      n = offset;
      offset += count;
    }
    driverStart.push_back(offset);
    drivers.resize(nlinks);
    fillPos.assign(driverStart.begin(), driverStart.end() - 1);
    size_t e = 0;
    for (Item* i : items)
      for (Port* p = i->getPList(); p; p = p->getNext())
        for (LinkToPort* l = p->getLinkToPortPtr(); l; l = l->getNext())
          drivers[static_cast<size_t>(fillPos[static_cast<size_t>(linkSlots[e++])]++)] = p;
  }

  BigVector<Item*> items;  // item list order
  // Index of an item of the circuit in `items`, or -1.
  int indexOf(const Item* i) const {
    const int k = i->scheduleSlot(stamp);
    return k >= 0 && static_cast<size_t>(k) < items.size() && items[static_cast<size_t>(k)] == i ? k : -1;
  }
  unsigned stamp = 0;
  BigVector<unsigned char> queued;  // in `candidates`
  BigVector<unsigned char> marked;  // in `work`
  BigVector<int> candidates;        // items to check for firing in the next sweep
  BigVector<int> work;              // items to try (heap for the semi step, list for the sweep)
  std::vector<int> sregStart;
  std::vector<std::pair<Port*, SRegRole>> sregPorts;
  SRegRoles roles;
  unsigned targetStamp = 0;
  BigVector<int> driverStart;
  BigVector<int> linkSlots;  // driven port number of each link, in scan order
  int driverSlots = 0;
  BigVector<int> fillPos;
  BigVector<Port*> drivers;
  size_t nlinks = 0;
  const Circuit* kept = nullptr;  // circuit whose indexes outlive one prepare
  bool keptIndexed = false;
};

// ---------------------------------------------------------------- Analyser

Analyser::Analyser(Diagnostics& d, AnalysisOptions o)
    : diag(d), options(o), schedule(std::make_unique<IncrementalSchedule>()) {}

Analyser::~Analyser() = default;

bool Analyser::incremental(const Circuit& c, bool withDrivers) {
  return options.schedule == AnalysisSchedule::INCREMENTAL && schedule->prepare(c, withDrivers);
}

void Analyser::controllability(Circuit& c) {
  resetForCon(c);
  c.destroyReadyPortList();
  c.ResetPropagatedItems();
  seedPrimaryPorts(c, [](port_type t) { return t == IN || t == INOUT || t == CIN_CLK || t == CIN_SEL; },
                   &Port::setCon);
  if (incremental(c, false)) {
    schedule->runCon(diag, c);
    return;
  }
  const Totals t = totalsOf(c);
  bool change;
  do {
    change = conLinkPass(diag, c, c.getReadyPorts(), nullptr, [](const Port*) {});
    if (itemsConPropag(c)) change = true;
    if (!change) change = semiStepWalk(c, t);
  } while (change);
}

void Analyser::observability(Circuit& c) {
  resetForObs(c);
  c.destroyReadyPortList();
  c.ResetPropagatedItems();
  seedPrimaryPorts(c, [](port_type t) { return t == OUT || t == INOUT; }, &Port::setObs);
  if (incremental(c, true)) {
    schedule->runObs(diag, c);
    return;
  }
  bool change;
  do {
    obsLinkPassScan(diag, c, c.getReadyPorts());
    change = itemsObsPropag(c);
  } while (change);
}

bool Analyser::itemsConPropag(Circuit& c) {
  const Totals t = totalsOf(c);
  bool result = false;
  for (Item* i = c.getIList(); i; i = i->getNext()) {
    if (i->getType() == UUA || i->propagDone() || !readyToFire(i)) continue;
    i->setPropagDone(true);
    result = true;
    fireCon(diag, c, i, t, nullptr);
  }
  return result;
}

bool Analyser::itemsObsPropag(Circuit& c) {
  const Totals t = totalsOf(c);
  bool result = false;
  for (Item* i = c.getIList(); i; i = i->getNext()) {
    if (i->getType() == UUA || i->propagDone()) continue;
    if (fireObs(diag, i, t, nullptr)) result = true;
  }
  return result;
}

// Both entry points start from con = obs = tst = 0 on every port: the
// controllability direction clears them first thing.

void Analyser::bothDirections(Circuit& c) {
  c.setMeasureKind(options.measure);
  if (options.measure == MeasureKind::FIXPOINT) {
    fixpoint.analyse(c);
    return;
  }
  // Neither direction changes the structure, so it is indexed once.
  schedule->keepFor(&c);
  controllability(c);
  observability(c);
  schedule->keepFor(nullptr);
  finishAnalysis(c);
}

const OwnPortFigures* Analyser::defaultFixpointFigures() const {
  const FixpointSettings defaults;
  const FixpointSettings& mine = fixpoint.settings();
  if (options.measure != MeasureKind::FIXPOINT || mine.threshold != defaults.threshold) return nullptr;
  return &fixpoint.figures();
}

void Analyser::endLayoutBatch() {
  if (batchDepth > 0 && --batchDepth == 0) fixpoint.dropBase();
}

void Analyser::keepLayoutBase(Circuit& c) {
  if (batchDepth > 0 && options.measure == MeasureKind::FIXPOINT) fixpoint.holdBase(c);
}

void Analyser::controllabilityFigures(Circuit& c) {
  c.setMeasureKind(options.measure);
  if (options.measure == MeasureKind::FIXPOINT) {
    fixpoint.controllability(c);
    return;
  }
  controllability(c);
  finishAnalysis(c);
}

namespace {

// Mean of a port value over every non-control port; 0 when there is none.
double meanOverDataPorts(const Circuit& c, double (Port::*value)() const) {
  double sum = 0.0;
  long n = 0;
  for (Item* i = c.getIList(); i; i = i->getNext())
    for (Port* p = i->getPList(); p; p = p->getNext()) {
      if (isControlInput(p->getType())) continue;
      sum += (p->*value)();
      ++n;
    }
  return n ? sum / static_cast<double>(n) : 0.0;
}

// Bits of the ports that satisfy `pred`.
template <class Pred>
int bitsWhere(const Circuit& c, Pred pred) {
  int bits = 0;
  for (Item* i = c.getIList(); i; i = i->getNext())
    for (Port* p = i->getPList(); p; p = p->getNext())
      if (pred(*p)) bits += p->getNBits();
  return bits;
}

}  // namespace

void evalCon(Circuit& c) { c.setCon(meanOverDataPorts(c, &Port::getCon)); }
void evalObs(Circuit& c) { c.setObs(meanOverDataPorts(c, &Port::getObs)); }
void evalTst(Circuit& c) { c.setTst(meanOverDataPorts(c, &Port::getTst)); }

int controllableBits(const Circuit& c) {
  return bitsWhere(c, [](const Port& p) { return p.getCon() > 0.0; });
}
int observableBits(const Circuit& c) {
  return bitsWhere(c, [](const Port& p) { return p.getObs() > 0.0; });
}
int testableBits(const Circuit& c) {
  return bitsWhere(c, [](const Port& p) { return p.getCon() > 0.0 && p.getObs() > 0.0; });
}
