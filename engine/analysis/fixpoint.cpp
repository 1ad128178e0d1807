#include "analysis/fixpoint.h"

#include <algorithm>
#include <cstdint>

#include "analysis/propag.h"
#include "model/kinds.h"
#include "model/model.h"
#include "model/ramports.h"

namespace {

bool isDataInput(port_type t) { return t == IN || t == INOUT; }

// Kinds whose output changes with any one input whatever the others hold.
bool passesEveryInput(item_type t) { return t == ADD || t == SUB || t == XOR || t == NOT || t == ROM; }

// Keeps port `p` in `best` when its value beats `held`, and holds the better value (ties keep the first: sources are for showing only).
void keepBetter(int& best, int p, double value, double& held, bool higher) {
  if (best < 0 || (higher ? value > held : value < held)) best = p;
  held = higher ? std::max(held, value) : std::min(held, value);
}

// Sums of values in [0, 1] in whole units of 2^-32: exact, so the same in any order.
constexpr double kSumScale = 4294967296.0;  // 2^32
std::int64_t sumUnits(double v) { return static_cast<std::int64_t>(v * kSumScale + 0.5); }

}  // namespace

namespace {

// The bits a port adds to the figures, -1 for one they leave out.
int ownBitsOf(const Port* p) { return isControlInput(p->getType()) || !isOwnPort(p) ? -1 : p->getNBits(); }

}  // namespace

bool isOwnPort(const Port* p) {
  if (p->isLayoutPin()) return false;
  const Item* i = p->getItem();
  if (!i || !i->isScanConverted()) return true;
  const SRegRole r = sregRoleOf(p);
  return r != SRegRole::SER_IN && r != SRegRole::SER_OUT && r != SRegRole::MODE;
}

void FixpointAnalyser::startIndex(Circuit& c) {
  items.clear();
  itemKind.clear();
  itemRule.clear();
  portStart.clear();
  ports.clear();
  portKind.clear();
  portItem.clear();
  driven.clear();
  drivenData.clear();
  ownBits.clear();
  baseOf.clear();
  stamp = c.newScheduleStamp();
}

void FixpointAnalyser::index(Circuit& c) {
  if (base.circuit == &c && indexOverBase(c)) return;
  startIndex(c);
  for (Item* i = c.getIList(); i; i = i->getNext()) {
    const int k = static_cast<int>(items.size());
    i->setScheduleSlot(stamp, k);
    items.push_back(i);
    itemKind.push_back(i->getType());
    itemRule.push_back(ruleOf(i->getType()));
    portStart.push_back(static_cast<int>(ports.size()));
    for (Port* p = i->getPList(); p; p = p->getNext()) {
      p->setScheduleSlot(stamp, static_cast<int>(ports.size()));
      ports.push_back(p);
      portKind.push_back(p->getType());
      portItem.push_back(k);
      driven.push_back(p->getNLinksIn() > 0 ? 1 : 0);
      drivenData.push_back(driven.back() && isDataInput(p->getType()) ? 1 : 0);
      ownBits.push_back(ownBitsOf(p));
      baseOf.push_back(-1);
    }
  }
  portStart.push_back(static_cast<int>(ports.size()));
  indexLinks();
  finishIndex();
}

void FixpointAnalyser::finishIndex() {
  con.assign(ports.size(), 0.0);
  obs.assign(ports.size(), 0.0);
  conSrc.assign(ports.size(), -1);
  obsSrc.assign(ports.size(), -1);
  roles.clear();
  itemRoles.assign(items.size(), -1);
  for (size_t k = 0; k < items.size(); ++k)
    if (itemRule[k] == PropagationRule::SCAN_REGISTER) indexScanRoles(k);
  queue.clear();
  // A port holder has no rule to run: held as queued for good, push() passes it by.
  queued.assign(items.size(), 0);
  for (size_t k = 0; k < items.size(); ++k)
    if (itemRule[k] == PropagationRule::PORT_HOLDER) queued[k] = 1;
}

// Values pass along the links to ports of the circuit being analysed; an inner
// path (two ports of one item that is no port holder) is crossed by the item's rule only.
void FixpointAnalyser::indexLinks() {
  const size_t n = ports.size();
  fanoutStart.assign(n + 1, 0);
  fanoutList.clear();
  driverStart.assign(n + 1, 0);
  for (size_t k = 0; k < n; ++k) {
    fanoutStart[k] = static_cast<int>(fanoutList.size());
    const int item = portItem[k];
    const bool holder = itemRule[static_cast<size_t>(item)] == PropagationRule::PORT_HOLDER;
    for (LinkToPort* l = ports[k]->getLinkToPortPtr(); l; l = l->getNext()) {
      const Port* t = l->getPort();
      const int slot = t ? t->scheduleSlot(stamp) : -1;
      if (slot < 0 || (portItem[static_cast<size_t>(slot)] == item && !holder)) continue;
      fanoutList.push_back(slot);
      ++driverStart[static_cast<size_t>(slot) + 1];
    }
  }
  fanoutStart[n] = static_cast<int>(fanoutList.size());
}

void FixpointAnalyser::indexDrivers() {
  const size_t n = ports.size();
  for (size_t k = 1; k <= n; ++k) driverStart[k] += driverStart[k - 1];
  driverList.assign(fanoutList.size(), -1);
  std::vector<int>& fill = driverFill;  // next free place per port
  fill.assign(driverStart.begin(), driverStart.end() - 1);
  for (size_t k = 0; k < n; ++k)
    for (int f = fanoutStart[k]; f < fanoutStart[k + 1]; ++f)
      driverList[static_cast<size_t>(fill[static_cast<size_t>(fanoutList[static_cast<size_t>(f)])]++)] =
          static_cast<int>(k);
}

void FixpointAnalyser::indexScanRoles(size_t k) {
  const SRegRoles r = findSRegRoles(items[k], false);
  auto slotOf = [this](const Port* p) { return p ? p->scheduleSlot(stamp) : -1; };
  ScanRoles s;
  s.clk = slotOf(r.clk);
  s.mode = slotOf(r.mode);
  s.serIn = slotOf(r.serIn);
  s.parIn = slotOf(r.parIn);
  s.serOut = slotOf(r.serOut);
  s.parOut = slotOf(r.parOut);
  itemRoles[k] = static_cast<int>(roles.size());
  roles.push_back(s);
}

void FixpointAnalyser::holdBase(Circuit& c) {
  if (base.circuit == &c) return;
  base.circuit = nullptr;
  index(c);
  for (size_t k = 0; k < items.size(); ++k)
    if (items[k]->isScanConverted()) return;  // a layout applied: no base
  for (const Port* p : ports)
    if (p->isLayoutPin()) return;
  base.items = items;
  base.itemKind = itemKind;
  base.itemRule = itemRule;
  base.portStart = portStart;
  base.ports = ports;
  base.portKind = portKind;
  base.driven = driven;
  base.drivenData = drivenData;
  base.ownBits = ownBits;
  base.fanoutStart = fanoutStart;
  base.fanoutList = fanoutList;
  base.circuit = &c;
}

void FixpointAnalyser::dropBase() { base.circuit = nullptr; }

bool FixpointAnalyser::indexOverBase(Circuit& c) {
  startIndex(c);
  baseSlot.resize(base.ports.size());
  for (size_t k = 0; k < base.items.size(); ++k) {
    Item* i = base.items[k];
    item_type kind = base.itemKind[k];
    const int from = base.portStart[k], to = base.portStart[k + 1];
    int added = 0;
    // A layout adds ports at the head of the port holder's and of a scanned register's list.
    if (kind == REG || base.itemRule[k] == PropagationRule::PORT_HOLDER) {
      kind = i->getType();
      const bool scanned = base.itemKind[k] == REG && kind == SREG && i->isScanConverted();
      if (kind != base.itemKind[k] && !scanned) return false;
      const Port* baseFirst = from < to ? base.ports[static_cast<size_t>(from)] : nullptr;
      for (const Port* p = i->getPList(); p != baseFirst; p = p->getNext()) {
        if (!p || (!scanned && !p->isLayoutPin())) return false;
        ++added;
      }
      if (scanned && added != 3) return false;
    }
    items.push_back(i);
    itemKind.push_back(kind);
    itemRule.push_back(ruleOf(kind));
    portStart.push_back(static_cast<int>(ports.size()));
    if (added > 0) indexAddedPorts(k, i->getPList(), added);
    // The roles of a scan register are found by slot; its item's ports then count as its own no longer.
    const bool scanRegister = itemRule.back() == PropagationRule::SCAN_REGISTER;
    for (int b = from; b < to; ++b) {
      const size_t bp = static_cast<size_t>(b);
      const int slot = static_cast<int>(ports.size());
      baseSlot[bp] = slot;
      Port* p = base.ports[bp];
      if (scanRegister) p->setScheduleSlot(stamp, slot);
      ports.push_back(p);
      portKind.push_back(base.portKind[bp]);
      portItem.push_back(static_cast<int>(k));
      driven.push_back(base.driven[bp]);
      drivenData.push_back(base.drivenData[bp]);
      ownBits.push_back(scanRegister ? ownBitsOf(p) : base.ownBits[bp]);
      baseOf.push_back(b);
    }
  }
  portStart.push_back(static_cast<int>(ports.size()));
  if (!indexLinksOverBase()) return false;
  finishIndex();
  return true;
}

void FixpointAnalyser::indexAddedPorts(size_t k, Port* first, int added) {
  Port* p = first;
  for (int m = 0; m < added; ++m, p = p->getNext()) {
    p->setScheduleSlot(stamp, static_cast<int>(ports.size()));
    ports.push_back(p);
    portKind.push_back(p->getType());
    portItem.push_back(static_cast<int>(k));
    driven.push_back(p->getNLinksIn() > 0 ? 1 : 0);
    drivenData.push_back(driven.back() && isDataInput(p->getType()) ? 1 : 0);
    ownBits.push_back(ownBitsOf(p));
    baseOf.push_back(-1);
  }
}

// A layout links only the ports it added: the base's links keep their order,
// renumbered, and a link of an added port to a port of the base means no base.
bool FixpointAnalyser::indexLinksOverBase() {
  const size_t n = ports.size();
  fanoutStart.assign(n + 1, 0);
  fanoutList.clear();
  driverStart.assign(n + 1, 0);
  for (size_t k = 0; k < n; ++k) {
    fanoutStart[k] = static_cast<int>(fanoutList.size());
    if (const int b = baseOf[k]; b >= 0) {
      const size_t bp = static_cast<size_t>(b);
      for (int f = base.fanoutStart[bp]; f < base.fanoutStart[bp + 1]; ++f) {
        const int slot = baseSlot[static_cast<size_t>(base.fanoutList[static_cast<size_t>(f)])];
        fanoutList.push_back(slot);
        ++driverStart[static_cast<size_t>(slot) + 1];
      }
      continue;
    }
    const int item = portItem[k];
    const bool holder = itemRule[static_cast<size_t>(item)] == PropagationRule::PORT_HOLDER;
    for (LinkToPort* l = ports[k]->getLinkToPortPtr(); l; l = l->getNext()) {
      const Port* t = l->getPort();
      if (!t) continue;
      const int slot = t->scheduleSlot(stamp);
      if (slot < 0 || baseOf[static_cast<size_t>(slot)] >= 0) return false;
      if (portItem[static_cast<size_t>(slot)] == item && !holder) continue;
      fanoutList.push_back(slot);
      ++driverStart[static_cast<size_t>(slot) + 1];
    }
  }
  fanoutStart[n] = static_cast<int>(fanoutList.size());
  return true;
}

void FixpointAnalyser::writeBack() {
  auto portAt = [this](int k) { return k >= 0 ? ports[static_cast<size_t>(k)] : nullptr; };
  for (size_t k = 0; k < ports.size(); ++k) {
    Port* p = ports[k];
    p->setCon(con[k]);
    p->setObs(obs[k]);
    p->setTst(con[k] * obs[k]);
    p->setMultC(0.0);
    p->setNPorts(0);
    p->setNClks(0);
    // A source kept from the last analysis needs no recounting of its references.
    if (Port* src = portAt(conSrc[k]); p->getConSrc() != src) p->setConSrc(src);
    if (Port* src = portAt(obsSrc[k]); p->getObsSrc() != src) p->setObsSrc(src);
  }
}

void FixpointAnalyser::push(int item) {
  const size_t k = static_cast<size_t>(item);
  if (queued[k]) return;
  queued[k] = 1;
  queue.push_back(item);
}

void FixpointAnalyser::raiseCon(int p, double v, int from) {
  if (!(v > con[static_cast<size_t>(p)])) return;
  con[static_cast<size_t>(p)] = v;
  conSrc[static_cast<size_t>(p)] = from;
  rising.assign(1, p);
  while (!rising.empty()) {
    const size_t q = static_cast<size_t>(rising.back());
    rising.pop_back();
    const double value = con[q];  // held: push() writes bytes, which the compiler must assume alias it
    for (int f = fanoutStart[q], end = fanoutStart[q + 1]; f < end; ++f) {
      const size_t t = static_cast<size_t>(fanoutList[static_cast<size_t>(f)]);
      if (!(value > con[t])) continue;
      con[t] = value;
      conSrc[t] = static_cast<int>(q);
      push(portItem[t]);
      rising.push_back(static_cast<int>(t));
    }
  }
}

void FixpointAnalyser::raiseObs(int p, double v, int from) {
  if (!(v > obs[static_cast<size_t>(p)])) return;
  obs[static_cast<size_t>(p)] = v;
  obsSrc[static_cast<size_t>(p)] = from;
  rising.assign(1, p);
  while (!rising.empty()) {
    const size_t q = static_cast<size_t>(rising.back());
    rising.pop_back();
    for (int d = driverStart[q]; d < driverStart[q + 1]; ++d) {
      const size_t driver = static_cast<size_t>(driverList[static_cast<size_t>(d)]);
      if (!(obs[q] > obs[driver])) continue;
      obs[driver] = obs[q];
      obsSrc[driver] = static_cast<int>(q);
      push(portItem[driver]);
      rising.push_back(static_cast<int>(driver));
    }
  }
}

FixpointAnalyser::ItemView FixpointAnalyser::viewOf(size_t k) const {
  ItemView v;
  for (int j = portStart[k]; j < portStart[k + 1]; ++j) {
    const size_t p = static_cast<size_t>(j);
    switch (portKind[p]) {
      case IN:
      case INOUT:
        ++v.nData;
        keepBetter(v.bestData, j, con[p], v.maxData, true);
        if (driven[p]) {
          ++v.nDrivenData;
          keepBetter(v.worstDrivenData, j, con[p], v.minDrivenData, false);
        }
        if (portKind[p] == INOUT) {
          keepBetter(v.bestOut, j, obs[p], v.maxOutObs, true);
        }
        break;
      case CIN_SEL:
        keepBetter(v.worstSel, j, con[p], v.minSel, false);
        break;
      case CIN_CLK:
        v.hasClk = true;
        v.minClk = std::min(v.minClk, con[p]);
        break;
      case OUT:
        keepBetter(v.bestOut, j, obs[p], v.maxOutObs, true);
        break;
      default: break;
    }
  }
  if (!v.hasClk) v.minClk = 0.0;  // a register without a clock never loads
  return v;
}

double FixpointAnalyser::othersCon(size_t k, int skip) const {
  double v = 1.0;
  for (int j = portStart[k]; j < portStart[k + 1]; ++j) {
    const size_t p = static_cast<size_t>(j);
    if (j != skip && isDataInput(portKind[p]) && driven[p]) v = std::min(v, con[p]);
  }
  return v;
}

FixpointAnalyser::ItemView FixpointAnalyser::worstDrivenDataOf(size_t k) const {
  ItemView v;
  for (int j = portStart[k]; j < portStart[k + 1]; ++j) {
    const size_t p = static_cast<size_t>(j);
    if (!drivenData[p]) continue;
    ++v.nDrivenData;
    keepBetter(v.worstDrivenData, j, con[p], v.minDrivenData, false);
  }
  return v;
}

FixpointAnalyser::ItemView FixpointAnalyser::dataSelectClockOf(size_t k) const {
  ItemView v;
  for (int j = portStart[k]; j < portStart[k + 1]; ++j) {
    const size_t p = static_cast<size_t>(j);
    switch (portKind[p]) {
      case IN:
      case INOUT:
        ++v.nData;
        keepBetter(v.bestData, j, con[p], v.maxData, true);
        break;
      case CIN_SEL:
        keepBetter(v.worstSel, j, con[p], v.minSel, false);
        break;
      case CIN_CLK:
        v.hasClk = true;
        v.minClk = std::min(v.minClk, con[p]);
        break;
      default: break;
    }
  }
  if (!v.hasClk) v.minClk = 0.0;
  return v;
}

void FixpointAnalyser::conOfItem(size_t k) {
  const double depth = set.depthFactor;
  double out = 0.0;
  int from = -1;  // the input the value comes from
  switch (itemRule[k]) {
    case PropagationRule::FUNCTIONAL_UNIT: {
      const ItemView v = worstDrivenDataOf(k);
      out = v.nDrivenData > 0 ? v.minDrivenData : 0.0;
      from = v.worstDrivenData;
      break;
    }
    case PropagationRule::MULTIPLEXER: {
      const ItemView v = dataSelectClockOf(k);
      out = v.maxData * v.minSel;
      from = v.bestData;
      // A multiplexer with one data input chooses between it and a constant: a clear or load.
      if (v.nData == 1 && v.minSel > out) {
        out = v.minSel;
        from = v.worstSel;
      }
      break;
    }
    case PropagationRule::REGISTER: {
      const ItemView v = dataSelectClockOf(k);
      // A reset or set loads a constant beside the data: the register reaches a known value.
      const bool settable = items[k]->isSettable();
      out = depth * std::min(settable ? 1.0 : v.maxData, v.minClk);
      from = settable && v.maxData < 1.0 ? -1 : v.bestData;
      break;
    }
    case PropagationRule::SCAN_REGISTER: conOfScanRegister(k); return;
    case PropagationRule::MEMORY: conOfRam(k); return;
    default: return;  // black boxes: their outputs stay uncontrollable
  }
  for (int j = portStart[k]; j < portStart[k + 1]; ++j)
    if (portKind[static_cast<size_t>(j)] == OUT) raiseCon(j, out, from);
}

void FixpointAnalyser::conOfScanRegister(size_t k) {
  const ScanRoles r = roles[static_cast<size_t>(itemRoles[k])];
  auto conAt = [this](int p) { return p >= 0 ? con[static_cast<size_t>(p)] : 0.0; };
  const double depth = set.depthFactor;
  const double clk = conAt(r.clk);
  const double load = depth * std::min(items[k]->isSettable() ? 1.0 : conAt(r.parIn), clk);
  const double shift = r.serIn >= 0 && r.mode >= 0 ? std::min({conAt(r.serIn), conAt(r.mode), clk}) : 0.0;
  const int source = shift > load ? r.serIn : r.parIn;
  if (r.parOut >= 0) raiseCon(r.parOut, std::max(load, shift), source);
  if (r.serOut >= 0) raiseCon(r.serOut, std::max(load, shift), source);
}

int FixpointAnalyser::ramPortOf(size_t k, RamRole role, std::string_view number) const {
  for (int j = portStart[k]; j < portStart[k + 1]; ++j) {
    std::string_view n;
    if (ramRoleOf(ports[static_cast<size_t>(j)], n) == role && n == number) return j;
  }
  return -1;
}

double FixpointAnalyser::ramWriteControl(size_t k, std::string_view number) const {
  const int enable = ramPortOf(k, RamRole::WRITE_ENABLE, number), clock = ramPortOf(k, RamRole::CLOCK, "");
  return std::min(enable >= 0 ? con[static_cast<size_t>(enable)] : 1.0,
                  clock >= 0 ? con[static_cast<size_t>(clock)] : 0.0);
}

void FixpointAnalyser::conOfRam(size_t k) {
  auto conOrOne = [this](int p) { return p >= 0 ? con[static_cast<size_t>(p)] : 1.0; };
  std::string_view readNo, writeNo;
  for (int out = portStart[k]; out < portStart[k + 1]; ++out) {
    if (ramRoleOf(ports[static_cast<size_t>(out)], readNo) != RamRole::READ_DATA) continue;
    const double raddr = conOrOne(ramPortOf(k, RamRole::READ_ADDR, readNo));
    for (int p = portStart[k]; p < portStart[k + 1]; ++p) {
      if (ramRoleOf(ports[static_cast<size_t>(p)], writeNo) != RamRole::WRITE_DATA) continue;
      const int waddr = ramPortOf(k, RamRole::WRITE_ADDR, writeNo);
      const double control = ramWriteControl(k, writeNo);
      raiseCon(out, set.depthFactor * std::min({con[static_cast<size_t>(p)], conOrOne(waddr), control, raddr}), p);
    }
  }
}

void FixpointAnalyser::obsOfRam(size_t k) {
  auto conOrOne = [this](int p) { return p >= 0 ? con[static_cast<size_t>(p)] : 1.0; };
  std::string_view readNo, writeNo;
  for (int out = portStart[k]; out < portStart[k + 1]; ++out) {
    if (ramRoleOf(ports[static_cast<size_t>(out)], readNo) != RamRole::READ_DATA) continue;
    const int raddr = ramPortOf(k, RamRole::READ_ADDR, readNo);
    const double seen = set.depthFactor * obs[static_cast<size_t>(out)];
    for (int p = portStart[k]; p < portStart[k + 1]; ++p) {
      if (ramRoleOf(ports[static_cast<size_t>(p)], writeNo) != RamRole::WRITE_DATA) continue;
      const int waddr = ramPortOf(k, RamRole::WRITE_ADDR, writeNo);
      const double control = ramWriteControl(k, writeNo);
      const double data = con[static_cast<size_t>(p)];
      // Data shows when both addresses can be set; an address when the data and the other address can.
      raiseObs(p, seen * std::min({conOrOne(waddr), conOrOne(raddr), control}), out);
      if (waddr >= 0) raiseObs(waddr, seen * std::min({data, conOrOne(raddr), control}), out);
      if (raddr >= 0) raiseObs(raddr, seen * std::min({data, conOrOne(waddr), control}), out);
    }
  }
}

void FixpointAnalyser::obsOfItem(size_t k) {
  const double depth = set.depthFactor;
  switch (itemRule[k]) {
    case PropagationRule::FUNCTIONAL_UNIT: {
      const ItemView v = viewOf(k);
      const bool every = passesEveryInput(itemKind[k]);
      for (int j = portStart[k]; j < portStart[k + 1]; ++j)
        if (isDataInput(portKind[static_cast<size_t>(j)]))
          raiseObs(j, every ? v.maxOutObs : v.maxOutObs * othersCon(k, j), v.bestOut);
      return;
    }
    case PropagationRule::MULTIPLEXER: {
      const ItemView v = viewOf(k);
      for (int j = portStart[k]; j < portStart[k + 1]; ++j) {
        const port_type t = portKind[static_cast<size_t>(j)];
        if (isDataInput(t)) raiseObs(j, v.maxOutObs * v.minSel, v.bestOut);
        // A select shows through when the data inputs can differ: one of them can be set.
        if (t == CIN_SEL && v.nData > 0) raiseObs(j, v.maxOutObs * v.maxData, v.bestOut);
      }
      return;
    }
    case PropagationRule::REGISTER: {
      const ItemView v = viewOf(k);
      for (int j = portStart[k]; j < portStart[k + 1]; ++j)
        if (isDataInput(portKind[static_cast<size_t>(j)])) raiseObs(j, depth * v.maxOutObs * v.minClk, v.bestOut);
      return;
    }
    case PropagationRule::SCAN_REGISTER: obsOfScanRegister(k); return;
    case PropagationRule::MEMORY: obsOfRam(k); return;
    default: return;  // black boxes: their inputs stay unobservable
  }
}

void FixpointAnalyser::obsOfScanRegister(size_t k) {
  const ScanRoles r = roles[static_cast<size_t>(itemRoles[k])];
  auto conAt = [this](int p) { return p >= 0 ? con[static_cast<size_t>(p)] : 0.0; };
  auto obsAt = [this](int p) { return p >= 0 ? obs[static_cast<size_t>(p)] : 0.0; };
  const double depth = set.depthFactor;
  const double clk = conAt(r.clk), mode = conAt(r.mode);
  const double parO = obsAt(r.parOut), serO = obsAt(r.serOut);
  const bool viaScan = mode * serO > depth * parO;
  if (r.parIn >= 0) raiseObs(r.parIn, clk * std::max(depth * parO, mode * serO), viaScan ? r.serOut : r.parOut);
  if (r.serIn >= 0) raiseObs(r.serIn, clk * mode * std::max(parO, serO), serO > parO ? r.serOut : r.parOut);
}

void FixpointAnalyser::forward() {
  for (size_t k = 0; k < items.size(); ++k) {
    if (itemRule[k] != PropagationRule::PORT_HOLDER) continue;
    for (int j = portStart[k]; j < portStart[k + 1]; ++j)
      if (portKind[static_cast<size_t>(j)] != OUT) raiseCon(j, 1.0, -1);
  }
  for (size_t k = 0; k < items.size(); ++k) push(static_cast<int>(k));
  while (!queue.empty()) {
    const int k = queue.back();
    queue.pop_back();
    queued[static_cast<size_t>(k)] = 0;
    conOfItem(static_cast<size_t>(k));
  }
}

void FixpointAnalyser::backward() {
  for (size_t k = 0; k < items.size(); ++k) {
    if (itemRule[k] != PropagationRule::PORT_HOLDER) continue;
    for (int j = portStart[k]; j < portStart[k + 1]; ++j) {
      const port_type t = portKind[static_cast<size_t>(j)];
      if (t == OUT || t == INOUT) raiseObs(j, 1.0, -1);
    }
  }
  for (size_t k = 0; k < items.size(); ++k) push(static_cast<int>(k));
  while (!queue.empty()) {
    const int k = queue.back();
    queue.pop_back();
    queued[static_cast<size_t>(k)] = 0;
    obsOfItem(static_cast<size_t>(k));
  }
}

OwnPortFigures FixpointAnalyser::indexedFigures() const {
  OwnPortFigures f;
  std::int64_t conUnits = 0, obsUnits = 0, tstUnits = 0;
  long n = 0;
  for (size_t k = 0; k < ports.size(); ++k) {
    if (ownBits[k] < 0) continue;
    const long bits = ownBits[k];
    const double tst = con[k] * obs[k];
    const bool controllable = con[k] > set.threshold, observable = obs[k] > set.threshold;
    f.bits += bits;
    if (controllable) f.nC += bits;
    if (observable) f.nO += bits;
    if (controllable && observable) f.nT += bits;
    conUnits += sumUnits(con[k]);
    obsUnits += sumUnits(obs[k]);
    tstUnits += sumUnits(tst);
    ++n;
  }
  if (n > 0) {
    const double count = static_cast<double>(n) * kSumScale;
    f.con = static_cast<double>(conUnits) / count;
    f.obs = static_cast<double>(obsUnits) / count;
    f.tst = static_cast<double>(tstUnits) / count;
  }
  return f;
}

void FixpointAnalyser::controllability(Circuit& c) {
  index(c);
  forward();
  writeBack();
  last = indexedFigures();
  c.setCon(last.con);
  c.setObs(last.obs);
  c.setTst(last.tst);
}

void FixpointAnalyser::analyse(Circuit& c) {
  index(c);
  indexDrivers();  // observability passes values back to the drivers
  forward();
  backward();
  writeBack();
  last = indexedFigures();
  c.setCon(last.con);
  c.setObs(last.obs);
  c.setTst(last.tst);
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
