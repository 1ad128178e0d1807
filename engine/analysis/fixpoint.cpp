#include "analysis/fixpoint.h"

#include <algorithm>
#include <cstdint>

#include "analysis/propag.h"
#include "model/kinds.h"
#include "model/model.h"
#include "model/ramports.h"

namespace {

bool isDataInput(port_type t) { return t == IN || t == INOUT; }
bool isHolder(const Item* i) { return ruleOf(i->getType()) == PropagationRule::PORT_HOLDER; }

// A link between two ports of one item (an inner path): values cross an item by its rule only.
bool isInnerLink(const Port* from, const Port* to) {
  return from->getItem() == to->getItem() && from->getItem() && !isHolder(from->getItem());
}

// The circuit port `l` leads to, or null for an inner path or a port of no circuit being analysed.
Port* linkTarget(const Port* from, const LinkToPort* l, unsigned stamp) {
  Port* t = l->getPort();
  if (!t || t->scheduleSlot(stamp) < 0 || isInnerLink(from, t)) return nullptr;
  return t;
}

// Kinds whose output changes with any one input whatever the others hold.
bool passesEveryInput(item_type t) { return t == ADD || t == SUB || t == XOR || t == NOT || t == ROM; }

// True for an item input that some port drives (an undriven one holds a constant).
bool isDriven(const Port* p) { return p->getNLinksIn() > 0; }

// What one item's ports hold, by role, for the rules.
struct ItemView {
  double maxData = 0.0;       // best controllability of a data input
  double minDrivenData = 1.0;  // worst controllability of a driven data input
  int nData = 0;
  int nDrivenData = 0;
  double minSel = 1.0;  // worst select (1 without one)
  double minClk = 1.0;  // worst clock
  bool hasClk = false;
  double maxOutObs = 0.0;
  Port* bestData = nullptr;        // the data input of maxData
  Port* worstDrivenData = nullptr;  // the driven data input of minDrivenData
  Port* worstSel = nullptr;
  Port* bestOut = nullptr;         // the output of maxOutObs
};

// Keeps `p` in `best` when its value beats the one held (ties keep the first: sources are for showing only).
void keepBetter(Port*& best, Port* p, double value, double held, bool higher) {
  if (!best || (higher ? value > held : value < held)) best = p;
}

ItemView viewOf(const Item* i) {
  ItemView v;
  for (Port* p = i->getPList(); p; p = p->getNext()) {
    switch (p->getType()) {
      case IN:
      case INOUT:
        ++v.nData;
        keepBetter(v.bestData, p, p->getCon(), v.maxData, true);
        v.maxData = std::max(v.maxData, p->getCon());
        if (isDriven(p)) {
          ++v.nDrivenData;
          keepBetter(v.worstDrivenData, p, p->getCon(), v.minDrivenData, false);
          v.minDrivenData = std::min(v.minDrivenData, p->getCon());
        }
        if (p->getType() == INOUT) {
          keepBetter(v.bestOut, p, p->getObs(), v.maxOutObs, true);
          v.maxOutObs = std::max(v.maxOutObs, p->getObs());
        }
        break;
      case CIN_SEL:
        keepBetter(v.worstSel, p, p->getCon(), v.minSel, false);
        v.minSel = std::min(v.minSel, p->getCon());
        break;
      case CIN_CLK:
        v.hasClk = true;
        v.minClk = std::min(v.minClk, p->getCon());
        break;
      case OUT:
        keepBetter(v.bestOut, p, p->getObs(), v.maxOutObs, true);
        v.maxOutObs = std::max(v.maxOutObs, p->getObs());
        break;
      default: break;
    }
  }
  if (!v.hasClk) v.minClk = 0.0;  // a register without a clock never loads
  return v;
}

// The worst controllability of the driven data inputs of `i` other than `skip` (1 without one).
double othersCon(const Item* i, const Port* skip) {
  double v = 1.0;
  for (const Port* p = i->getPList(); p; p = p->getNext())
    if (p != skip && isDataInput(p->getType()) && isDriven(p)) v = std::min(v, p->getCon());
  return v;
}

double conOf(const Port* p) { return p ? p->getCon() : 0.0; }
double obsOf(const Port* p) { return p ? p->getObs() : 0.0; }
// Controllability of an optional port: 1 when the item has none.
double conOrOne(const Port* p) { return p ? p->getCon() : 1.0; }

// One write port of a RAM and how well a write through it can be made.
struct RamWrite {
  Port* data = nullptr;
  Port* addr = nullptr;
  double control = 0.0;  // worst of enable and clock
};

RamWrite ramWrite(const Item* i, Port* data, std::string_view number) {
  RamWrite w;
  w.data = data;
  w.addr = ramPort(i, RamRole::WRITE_ADDR, number);
  w.control = std::min(conOrOne(ramPort(i, RamRole::WRITE_ENABLE, number)), conOf(ramPort(i, RamRole::CLOCK, "")));
  return w;
}

// Sums of values in [0, 1] in whole units of 2^-32: exact, so the same in any order.
constexpr double kSumScale = 4294967296.0;  // 2^32
std::int64_t sumUnits(double v) { return static_cast<std::int64_t>(v * kSumScale + 0.5); }

}  // namespace

bool isOwnPort(const Port* p) {
  if (p->isLayoutPin()) return false;
  const Item* i = p->getItem();
  if (!i || !i->isScanConverted()) return true;
  const SRegRole r = sregRoleOf(p);
  return r != SRegRole::SER_IN && r != SRegRole::SER_OUT && r != SRegRole::MODE;
}

void FixpointAnalyser::index(Circuit& c) {
  items.clear();
  ports.clear();
  stamp = c.newScheduleStamp();
  for (Item* i = c.getIList(); i; i = i->getNext()) {
    i->setScheduleSlot(stamp, static_cast<int>(items.size()));
    items.push_back(i);
    for (Port* p = i->getPList(); p; p = p->getNext()) {
      p->setScheduleSlot(stamp, static_cast<int>(ports.size()));
      ports.push_back(p);
      p->setCon(0.0);
      p->setObs(0.0);
      p->setTst(0.0);
      p->setMultC(0.0);
      p->setNPorts(0);
      p->setNClks(0);
      p->setConSrc(nullptr);
      p->setObsSrc(nullptr);
    }
  }
  driverStart.assign(ports.size() + 1, 0);
  for (Port* p : ports)
    for (LinkToPort* l = p->getLinkToPortPtr(); l; l = l->getNext())
      if (const Port* t = linkTarget(p, l, stamp)) ++driverStart[static_cast<size_t>(t->scheduleSlot(stamp)) + 1];
  for (size_t k = 1; k < driverStart.size(); ++k) driverStart[k] += driverStart[k - 1];
  driverList.assign(static_cast<size_t>(driverStart.back()), nullptr);
  std::vector<int>& fill = queue;  // scratch: next free place per port
  fill.assign(driverStart.begin(), driverStart.end() - 1);
  for (Port* p : ports)
    for (LinkToPort* l = p->getLinkToPortPtr(); l; l = l->getNext())
      if (const Port* t = linkTarget(p, l, stamp))
        driverList[static_cast<size_t>(fill[static_cast<size_t>(t->scheduleSlot(stamp))]++)] = p;
  queue.clear();
  queued.assign(items.size(), 0);
}

void FixpointAnalyser::push(Item* i) {
  const int k = i->scheduleSlot(stamp);
  if (k < 0 || queued[static_cast<size_t>(k)] || isHolder(i)) return;
  queued[static_cast<size_t>(k)] = 1;
  queue.push_back(k);
}

void FixpointAnalyser::raiseCon(Port* p, double v, Port* from) {
  if (!(v > p->getCon())) return;
  p->setCon(v);
  p->setConSrc(from);
  rising.assign(1, p);
  while (!rising.empty()) {
    Port* q = rising.back();
    rising.pop_back();
    for (LinkToPort* l = q->getLinkToPortPtr(); l; l = l->getNext()) {
      Port* t = linkTarget(q, l, stamp);
      if (!t || !(q->getCon() > t->getCon())) continue;
      t->setCon(q->getCon());
      t->setConSrc(q);
      push(t->getItem());
      rising.push_back(t);
    }
  }
}

void FixpointAnalyser::raiseObs(Port* p, double v, Port* from) {
  if (!(v > p->getObs())) return;
  p->setObs(v);
  p->setObsSrc(from);
  rising.assign(1, p);
  while (!rising.empty()) {
    Port* q = rising.back();
    rising.pop_back();
    const int k = q->scheduleSlot(stamp);
    if (k < 0) continue;
    for (int d = driverStart[static_cast<size_t>(k)]; d < driverStart[static_cast<size_t>(k) + 1]; ++d) {
      Port* driver = driverList[static_cast<size_t>(d)];
      if (!(q->getObs() > driver->getObs())) continue;
      driver->setObs(q->getObs());
      driver->setObsSrc(q);
      push(driver->getItem());
      rising.push_back(driver);
    }
  }
}

void FixpointAnalyser::conOfItem(Item* i) {
  const ItemView v = viewOf(i);
  const double depth = set.depthFactor;
  double out = 0.0;
  Port* from = nullptr;  // the input the value comes from
  switch (ruleOf(i->getType())) {
    case PropagationRule::FUNCTIONAL_UNIT:
      out = v.nDrivenData > 0 ? v.minDrivenData : 0.0;
      from = v.worstDrivenData;
      break;
    case PropagationRule::MULTIPLEXER:
      out = v.maxData * v.minSel;
      from = v.bestData;
      // A multiplexer with one data input chooses between it and a constant: a clear or load.
      if (v.nData == 1 && v.minSel > out) {
        out = v.minSel;
        from = v.worstSel;
      }
      break;
    case PropagationRule::REGISTER:
      // A reset or set loads a constant beside the data: the register reaches a known value.
      out = depth * std::min(i->isSettable() ? 1.0 : v.maxData, v.minClk);
      from = i->isSettable() && v.maxData < 1.0 ? nullptr : v.bestData;
      break;
    case PropagationRule::SCAN_REGISTER: {
      const SRegRoles r = findSRegRoles(i, false);
      const double clk = conOf(r.clk);
      const double load = depth * std::min(i->isSettable() ? 1.0 : conOf(r.parIn), clk);
      const double shift = r.serIn && r.mode ? std::min({conOf(r.serIn), conOf(r.mode), clk}) : 0.0;
      Port* source = shift > load ? r.serIn : r.parIn;
      if (r.parOut) raiseCon(r.parOut, std::max(load, shift), source);
      if (r.serOut) raiseCon(r.serOut, std::max(load, shift), source);
      return;
    }
    case PropagationRule::MEMORY:
      conOfRam(i);
      return;
    default: return;  // black boxes: their outputs stay uncontrollable
  }
  for (Port* p = i->getPList(); p; p = p->getNext())
    if (p->getType() == OUT) raiseCon(p, out, from);
}

void FixpointAnalyser::conOfRam(Item* i) {
  std::string_view readNo, writeNo;
  for (Port* out = i->getPList(); out; out = out->getNext()) {
    if (ramRoleOf(out, readNo) != RamRole::READ_DATA) continue;
    const double raddr = conOrOne(ramPort(i, RamRole::READ_ADDR, readNo));
    for (Port* p = i->getPList(); p; p = p->getNext()) {
      if (ramRoleOf(p, writeNo) != RamRole::WRITE_DATA) continue;
      const RamWrite w = ramWrite(i, p, writeNo);
      raiseCon(out, set.depthFactor * std::min({p->getCon(), conOrOne(w.addr), w.control, raddr}), p);
    }
  }
}

void FixpointAnalyser::obsOfRam(Item* i) {
  std::string_view readNo, writeNo;
  for (Port* out = i->getPList(); out; out = out->getNext()) {
    if (ramRoleOf(out, readNo) != RamRole::READ_DATA) continue;
    Port* raddr = ramPort(i, RamRole::READ_ADDR, readNo);
    const double seen = set.depthFactor * out->getObs();
    for (Port* p = i->getPList(); p; p = p->getNext()) {
      if (ramRoleOf(p, writeNo) != RamRole::WRITE_DATA) continue;
      const RamWrite w = ramWrite(i, p, writeNo);
      // Data shows when both addresses can be set; an address when the data and the other address can.
      raiseObs(p, seen * std::min({conOrOne(w.addr), conOrOne(raddr), w.control}), out);
      if (w.addr) raiseObs(w.addr, seen * std::min({p->getCon(), conOrOne(raddr), w.control}), out);
      if (raddr) raiseObs(raddr, seen * std::min({p->getCon(), conOrOne(w.addr), w.control}), out);
    }
  }
}

void FixpointAnalyser::obsOfItem(Item* i) {
  const ItemView v = viewOf(i);
  const double depth = set.depthFactor;
  switch (ruleOf(i->getType())) {
    case PropagationRule::FUNCTIONAL_UNIT: {
      const bool every = passesEveryInput(i->getType());
      for (Port* p = i->getPList(); p; p = p->getNext())
        if (isDataInput(p->getType())) raiseObs(p, every ? v.maxOutObs : v.maxOutObs * othersCon(i, p), v.bestOut);
      return;
    }
    case PropagationRule::MULTIPLEXER:
      for (Port* p = i->getPList(); p; p = p->getNext()) {
        if (isDataInput(p->getType())) raiseObs(p, v.maxOutObs * v.minSel, v.bestOut);
        // A select shows through when the data inputs can differ: one of them can be set.
        if (p->getType() == CIN_SEL && v.nData > 0) raiseObs(p, v.maxOutObs * v.maxData, v.bestOut);
      }
      return;
    case PropagationRule::REGISTER:
      for (Port* p = i->getPList(); p; p = p->getNext())
        if (isDataInput(p->getType())) raiseObs(p, depth * v.maxOutObs * v.minClk, v.bestOut);
      return;
    case PropagationRule::SCAN_REGISTER: {
      const SRegRoles r = findSRegRoles(i, false);
      const double clk = conOf(r.clk), mode = conOf(r.mode);
      const double parO = obsOf(r.parOut), serO = obsOf(r.serOut);
      const bool viaScan = mode * serO > depth * parO;
      if (r.parIn) raiseObs(r.parIn, clk * std::max(depth * parO, mode * serO), viaScan ? r.serOut : r.parOut);
      if (r.serIn) raiseObs(r.serIn, clk * mode * std::max(parO, serO), serO > parO ? r.serOut : r.parOut);
      return;
    }
    case PropagationRule::MEMORY:
      obsOfRam(i);
      return;
    default: return;  // black boxes: their inputs stay unobservable
  }
}

void FixpointAnalyser::forward() {
  for (Item* i : items) {
    if (!isHolder(i)) continue;
    for (Port* p = i->getPList(); p; p = p->getNext())
      if (p->getType() != OUT) raiseCon(p, 1.0, nullptr);
  }
  for (Item* i : items) push(i);
  while (!queue.empty()) {
    const int k = queue.back();
    queue.pop_back();
    queued[static_cast<size_t>(k)] = 0;
    conOfItem(items[static_cast<size_t>(k)]);
  }
}

void FixpointAnalyser::backward() {
  for (Item* i : items) {
    if (!isHolder(i)) continue;
    for (Port* p = i->getPList(); p; p = p->getNext())
      if (p->getType() == OUT || p->getType() == INOUT) raiseObs(p, 1.0, nullptr);
  }
  for (Item* i : items) push(i);
  while (!queue.empty()) {
    const int k = queue.back();
    queue.pop_back();
    queued[static_cast<size_t>(k)] = 0;
    obsOfItem(items[static_cast<size_t>(k)]);
  }
}

void FixpointAnalyser::controllability(Circuit& c) {
  index(c);
  forward();
  const OwnPortFigures f = ownPortFigures(c, set);
  c.setCon(f.con);
  c.setObs(f.obs);
  c.setTst(f.tst);
}

void FixpointAnalyser::analyse(Circuit& c) {
  index(c);
  forward();
  backward();
  for (Port* p : ports) p->setTst(p->getCon() * p->getObs());
  const OwnPortFigures f = ownPortFigures(c, set);
  c.setCon(f.con);
  c.setObs(f.obs);
  c.setTst(f.tst);
}

OwnPortFigures ownPortFigures(const Circuit& c, const FixpointSettings& settings) {
  OwnPortFigures f;
  std::int64_t con = 0, obs = 0, tst = 0;
  long n = 0;
  for (const Item* i = c.getIList(); i; i = i->getNext())
    for (const Port* p = i->getPList(); p; p = p->getNext()) {
      if (isControlInput(p->getType()) || !isOwnPort(p)) continue;
      const long bits = p->getNBits();
      const bool controllable = p->getCon() > settings.threshold, observable = p->getObs() > settings.threshold;
      f.bits += bits;
      if (controllable) f.nC += bits;
      if (observable) f.nO += bits;
      if (controllable && observable) f.nT += bits;
      con += sumUnits(p->getCon());
      obs += sumUnits(p->getObs());
      tst += sumUnits(p->getTst());
      ++n;
    }
  if (n > 0) {
    const double count = static_cast<double>(n) * kSumScale;
    f.con = static_cast<double>(con) / count;
    f.obs = static_cast<double>(obs) / count;
    f.tst = static_cast<double>(tst) / count;
  }
  return f;
}
