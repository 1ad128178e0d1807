#include "analysis/propag.h"

#include <cstring>

#include "model/ramports.h"


namespace {

// The values a rule writes into a port it updates.
struct Candidate {
  double v = 0.0;
  int np = 0;
  int nc = 0;
  double m = 0.0;
};

Candidate candidate(double m, int np, int nc, int nports, int nclks) {
  return {m * pathFactor(np, nc, nports, nclks), np, nc, m};
}

void updateCon(Port* target, Port* src, const Candidate& c) {
  target->setCon(c.v);
  target->setNPorts(c.np);
  target->setNClks(c.nc);
  target->setMultC(c.m);
  target->setConSrc(src);
}

void updateObs(Port* target, Port* src, const Candidate& c) {
  target->setObs(c.v);
  target->setNPorts(c.np);
  target->setNClks(c.nc);
  target->setMultC(c.m);
  target->setObsSrc(src);
}

// Puts `p` in the ready list of the item's circuit (an item on its own has
// none: the rule then only updates the values).
void addReady(const Item* iptr, Port* p) {
  if (Circuit* c = iptr->getCircuit()) c->addReadyPort(p);
}

bool isDataInput(port_type t) { return t == IN || t == INOUT; }

// A register or scan register step: np + 2 ports (scan) or + 1 (plain register).
Candidate shift(const Port* from, int addPorts, int addClks, double factor, int nports, int nclks) {
  return candidate(from->getMultC() * factor, from->getNPorts() + addPorts, from->getNClks() + addClks,
                   nports, nclks);
}

}  // namespace

double pathFactor(int np, int nc, int nports, int nclks) {
  return (1.0 - static_cast<double>(np) / (static_cast<double>(nports) + 1.0)) *
         (1.0 - static_cast<double>(nc) / (static_cast<double>(nclks) + 1.0));
}

bool isScanPortName(const std::string& name) { return std::strstr(name.c_str(), "SCAN") != nullptr; }

SRegRole sregRoleOf(const Port* p) {
  switch (p->getType()) {
    case CIN_CLK: return SRegRole::CLK;
    case CIN_SEL: return SRegRole::MODE;
    case IN: return isScanPortName(p->getName()) ? SRegRole::SER_IN : SRegRole::PAR_IN;
    case OUT: return isScanPortName(p->getName()) ? SRegRole::SER_OUT : SRegRole::PAR_OUT;
    default: return SRegRole::NONE;
  }
}

void assignSRegRole(SRegRoles& r, Port* p, SRegRole role, bool readyOnly) {
  if (role == SRegRole::PAR_IN) r.regWidth = p->getNBits();
  const bool held = !readyOnly || p->inReadyList();
  switch (role) {
    case SRegRole::CLK: if (held) r.clk = p; break;
    case SRegRole::MODE: if (held) r.mode = p; break;
    case SRegRole::SER_IN: if (held) r.serIn = p; break;
    case SRegRole::PAR_IN: if (held) r.parIn = p; break;
    case SRegRole::SER_OUT: r.serOut = p; break;
    case SRegRole::PAR_OUT: r.parOut = p; break;
    case SRegRole::NONE: break;
  }
}

SRegRoles findSRegRoles(const Item* iptr, bool readyOnly) {
  SRegRoles r;
  for (Port* p = iptr->getPList(); p; p = p->getNext()) assignSRegRole(r, p, sregRoleOf(p), readyOnly);
  return r;
}

// ------------------------------------------------------ controllability

int propagFUCon(Item* iptr, int nports, int nclks) {
  if (!iptr) return 0;
  Port* out = nullptr;
  Port* best = nullptr;
  bool linked = false;
  double prod = 1.0;
  for (Port* p = iptr->getPList(); p; p = p->getNext()) {
    if (p->getType() == OUT) out = p;
    if (!isDataInput(p->getType())) continue;
    if (p->getLinkToPortPtr()) linked = true;
    prod *= p->getCon();
    if (p->getCon() > 0.0 && (!best || p->getCon() > best->getCon())) best = p;
  }
  if (!linked || !best || !out) return 0;
  const double others = prod / best->getCon();
  const Candidate c = candidate(best->getMultC() * others,
                                best->getNPorts() + iptr->getNIns() + iptr->getNInouts() - best->getNBits(),
                                best->getNClks(), nports, nclks);
  if (out->getCon() >= c.v) return 0;
  updateCon(out, best, c);
  addReady(iptr, out);
  return 1;
}

namespace {

// Multiplexer roles for controllability: best data input (optionally only
// ready ones), select product and readiness, output.
struct MuxCon {
  Port* best = nullptr;
  Port* out = nullptr;
  double selCmult = 1.0;
  bool anyReadyInput = false;
  bool allSelReady = true;
};

MuxCon muxConRoles(const Item* iptr, bool readyInputsOnly) {
  MuxCon r;
  for (Port* p = iptr->getPList(); p; p = p->getNext()) {
    switch (p->getType()) {
      case OUT: r.out = p; break;
      case CIN_SEL:
        r.selCmult *= p->getCon();
        if (!p->inReadyList()) r.allSelReady = false;
        break;
      case IN:
      case INOUT:
        if (readyInputsOnly) {
          if (!p->inReadyList()) break;
          r.anyReadyInput = true;
        }
        if (p->getCon() > 0.0 && (!r.best || p->getCon() > r.best->getCon())) r.best = p;
        break;
      default: break;
    }
  }
  return r;
}

Candidate muxCandidate(const Item* iptr, const MuxCon& r, int nports, int nclks) {
  return candidate(r.best->getMultC() * r.selCmult, r.best->getNPorts() + iptr->getNCins(),
                   r.best->getNClks(), nports, nclks);
}

}  // namespace

int propagMuxCon(Item* iptr, int nports, int nclks) {
  if (!iptr) return 0;
  const MuxCon r = muxConRoles(iptr, false);
  if (!r.best || !r.out) return 0;
  const Candidate c = muxCandidate(iptr, r, nports, nclks);
  if (r.out->getCon() >= c.v) return 0;
  updateCon(r.out, r.best, c);
  addReady(iptr, r.out);
  return 1;
}

int semiPropagMuxCon(Item* iptr, int nports, int nclks) {
  if (!iptr) return 0;
  const MuxCon r = muxConRoles(iptr, true);
  if (!r.anyReadyInput || !r.allSelReady || !r.best || !r.out) return 0;
  const Candidate c = muxCandidate(iptr, r, nports, nclks);
  int result = 0;
  if (r.out->getCon() < c.v) {
    updateCon(r.out, r.best, c);
    result = 1;
  }
  addReady(iptr, r.out);
  return result;
}

int propagRegCon(Port* inPtr, Port* clkPtr, Port* outPtr, int nports, int nclks) {
  if (!inPtr || !clkPtr || !outPtr) return 0;
  if (inPtr->getCon() == 0.0 || clkPtr->getCon() == 0.0) return 0;
  const Candidate c = shift(inPtr, 1, 1, clkPtr->getCon(), nports, nclks);
  if (outPtr->getCon() >= c.v) return 0;
  updateCon(outPtr, inPtr, c);
  return 1;
}

int propagSRegCon(Item* iptr, int nports, int nclks) {
  if (!iptr) return 0;
  return propagSRegConRoles(iptr, findSRegRoles(iptr, false), nports, nclks);
}

int propagSRegConRoles(Item* iptr, const SRegRoles& r, int nports, int nclks) {
  if (!r.complete()) return 0;
  const double multcons = r.clk->getCon() * r.mode->getCon();
  const Candidate s = shift(r.serIn, 2, r.regWidth, multcons, nports, nclks);
  int result = 0;
  if (r.serOut->getCon() < s.v) {
    updateCon(r.serOut, r.serIn, s);
    addReady(iptr, r.serOut);
    result = 1;
  }
  const Candidate par = shift(r.parIn, 2, 1, multcons, nports, nclks);
  // The parallel output takes the better path; on a tie the parallel one.
  const bool viaScan = s.v > par.v;
  const Candidate& best = viaScan ? s : par;
  if (r.parOut->getCon() < best.v) {
    updateCon(r.parOut, viaScan ? r.serIn : r.parIn, best);
    addReady(iptr, r.parOut);
    result = 1;
  }
  return result;
}

int semiPropagSRegCon(Item* iptr, int nports, int nclks) {
  if (!iptr) return 0;
  return semiPropagSRegConRoles(iptr, findSRegRoles(iptr, true), nports, nclks);
}

int semiPropagSRegConRoles(Item* iptr, const SRegRoles& r, int nports, int nclks) {
  if (!r.mode || !r.clk || (!r.serIn && !r.parIn)) return 0;
  if (!r.serOut || !r.parOut) return 0;
  const double multcons = r.clk->getCon() * r.mode->getCon();
  if (r.serIn) {
    const Candidate s = shift(r.serIn, 2, r.regWidth, multcons, nports, nclks);
    int result = 0;
    if (r.serOut->getCon() < s.v) {
      updateCon(r.serOut, r.serIn, s);
      addReady(iptr, r.serOut);
      result = 1;
    }
    if (r.parOut->getCon() < s.v) {
      updateCon(r.parOut, r.serIn, s);
      addReady(iptr, r.parOut);
      return 1;
    }
    return result;
  }
  const Candidate par = shift(r.parIn, 2, 1, multcons, nports, nclks);
  if (r.parOut->getCon() < par.v) {
    updateCon(r.parOut, r.parIn, par);
    addReady(iptr, r.parOut);
    return 1;
  }
  return 0;
}

namespace {

// Controllability of the enable and the clock of a RAM's write port `number`.
double ramWriteControl(const Item* iptr, std::string_view number) {
  const Port* en = ramPort(iptr, RamRole::WRITE_ENABLE, number);
  const Port* clk = ramPort(iptr, RamRole::CLOCK, "");
  return (en ? en->getCon() : 1.0) * (clk ? clk->getCon() : 0.0);
}

// Bits of the address ports a RAM access needs besides its data: one write and one read address.
int accessBits(const Port* waddr, const Port* raddr) {
  return (waddr ? waddr->getNBits() : 0) + (raddr ? raddr->getNBits() : 0);
}

double conOrOne(const Port* p) { return p ? p->getCon() : 1.0; }

}  // namespace

int propagRamCon(Item* iptr, int nports, int nclks) {
  if (!iptr) return 0;
  int result = 0;
  std::string_view readNo, writeNo;
  for (Port* out = iptr->getPList(); out; out = out->getNext()) {
    if (ramRoleOf(out, readNo) != RamRole::READ_DATA) continue;
    const Port* raddr = ramPort(iptr, RamRole::READ_ADDR, readNo);
    Candidate best;
    Port* from = nullptr;
    for (Port* wdata = iptr->getPList(); wdata; wdata = wdata->getNext()) {
      if (ramRoleOf(wdata, writeNo) != RamRole::WRITE_DATA || wdata->getCon() == 0.0) continue;
      const Port* waddr = ramPort(iptr, RamRole::WRITE_ADDR, writeNo);
      const double factor = conOrOne(waddr) * conOrOne(raddr) * ramWriteControl(iptr, writeNo);
      const Candidate c = shift(wdata, 1 + accessBits(waddr, raddr), 1, factor, nports, nclks);
      if (c.v > best.v) {
        best = c;
        from = wdata;
      }
    }
    if (from && out->getCon() < best.v) {
      updateCon(out, from, best);
      result = 1;
    }
    addReady(iptr, out);
  }
  return result;
}

int propagBlackBoxCon(Item* iptr) {
  if (!iptr) return 0;
  for (Port* p = iptr->getPList(); p; p = p->getNext())
    if (p->getType() == OUT || p->getType() == INOUT) addReady(iptr, p);
  return 0;
}

// ------------------------------------------------------ observability

int propagRamObs(Item* iptr, int nports, int nclks) {
  if (!iptr) return 0;
  int result = 0;
  std::string_view readNo, writeNo;
  auto raise = [&](Port* in, Port* out, const Candidate& c) {
    if (!in || !(in->getObs() < c.v)) return;
    updateObs(in, out, c);
    addReady(iptr, in);
    result = 1;
  };
  for (Port* out = iptr->getPList(); out; out = out->getNext()) {
    if (ramRoleOf(out, readNo) != RamRole::READ_DATA || !(out->getObs() > 0.0)) continue;
    Port* raddr = ramPort(iptr, RamRole::READ_ADDR, readNo);
    for (Port* wdata = iptr->getPList(); wdata; wdata = wdata->getNext()) {
      if (ramRoleOf(wdata, writeNo) != RamRole::WRITE_DATA) continue;
      Port* waddr = ramPort(iptr, RamRole::WRITE_ADDR, writeNo);
      const double write = ramWriteControl(iptr, writeNo);
      if (write == 0.0) continue;
      const int bits = 1 + accessBits(waddr, raddr);
      // The data written shows when both addresses can be set; an address
      // shows when the data and the other address can be set.
      raise(wdata, out, shift(out, bits, 1, write * conOrOne(waddr) * conOrOne(raddr), nports, nclks));
      raise(waddr, out, shift(out, bits, 1, write * wdata->getCon() * conOrOne(raddr), nports, nclks));
      raise(raddr, out, shift(out, bits, 1, write * wdata->getCon() * conOrOne(waddr), nports, nclks));
    }
  }
  return result;
}

int propagFUObs(Item* iptr, int nports, int nclks) {
  if (!iptr) return 0;
  Port* out = nullptr;
  bool linked = false;
  for (Port* p = iptr->getPList(); p; p = p->getNext()) {
    if (p->getType() == OUT) out = p;
    if (isDataInput(p->getType()) && p->getLinkToPortPtr()) linked = true;
  }
  if (!out || !(out->getObs() > 0.0) || !linked) return 0;
  const int nc = out->getNClks();
  int result = 0;
  for (Port* p = iptr->getPList(); p; p = p->getNext()) {
    if (!isDataInput(p->getType()) || !p->getLinkToPortPtr()) continue;
    double others = 1.0;
    for (Port* q = iptr->getPList(); q; q = q->getNext())
      if (q != p && isDataInput(q->getType())) others *= q->getCon();
    const Candidate c = candidate(out->getMultC() * others,
                                  out->getNPorts() + iptr->getNIns() + iptr->getNInouts() - p->getNBits(), nc,
                                  nports, nclks);
    if (p->getObs() < c.v) {
      updateObs(p, out, c);
      iptr->setPropagDone(true);
      addReady(iptr, p);
      result = 1;
    }
  }
  return result;
}

int propagMuxObs(Item* iptr, int nports, int nclks) {
  if (!iptr) return 0;
  Port* out = nullptr;
  double selCmult = 1.0;
  for (Port* p = iptr->getPList(); p; p = p->getNext()) {
    if (p->getType() == OUT) out = p;
    if (p->getType() == CIN_SEL) selCmult *= p->getCon();
  }
  if (!out || !(out->getObs() > 0.0) || !(selCmult > 0.0)) return 0;
  const Candidate c =
      candidate(out->getMultC() * selCmult, out->getNPorts() + iptr->getNCins(), out->getNClks(), nports, nclks);
  int result = 0;
  for (Port* p = iptr->getPList(); p; p = p->getNext()) {
    if (p->getType() != IN || !(p->getObs() < c.v)) continue;
    updateObs(p, out, c);
    addReady(iptr, p);
    result = 1;
  }
  return result;
}

int propagRegObs(Item* iptr, Port* inPtr, Port* clkPtr, Port* outPtr, int nports, int nclks) {
  if (!iptr || !inPtr || !clkPtr || !outPtr) return 0;
  if (outPtr->getObs() == 0.0 || clkPtr->getCon() == 0.0) return 0;
  const Candidate c = shift(outPtr, 1, 1, clkPtr->getCon(), nports, nclks);
  if (inPtr->getObs() >= c.v) return 0;
  updateObs(inPtr, outPtr, c);
  iptr->setPropagDone(true);
  addReady(iptr, inPtr);
  return 1;
}

int propagSRegObs(Item* iptr, int nports, int nclks) {
  if (!iptr) return 0;
  return propagSRegObsRoles(iptr, findSRegRoles(iptr, false), nports, nclks);
}

int propagSRegObsRoles(Item* iptr, const SRegRoles& r, int nports, int nclks) {
  if (!r.complete()) return 0;
  const double multcons = r.clk->getCon() * r.mode->getCon();
  if (multcons == 0.0) return 0;
  if (!(r.serOut->getObs() + r.parOut->getObs() > 0.0)) return 0;
  int result = 0;
  // Via the serial output (shift), via the parallel output (load).
  const Candidate a = shift(r.serOut, 2, r.regWidth, multcons, nports, nclks);
  const Candidate b = shift(r.parOut, 2, 1, multcons, nports, nclks);
  const bool parViaScan = a.v > b.v;
  const Candidate& parBest = parViaScan ? a : b;
  if (r.parIn->getObs() < parBest.v) {
    updateObs(r.parIn, parViaScan ? r.serOut : r.parOut, parBest);
    addReady(iptr, r.parIn);
    result = 1;
  }
  // The serial input reaches the parallel output after regWidth shifts too.
  const Candidate cc = shift(r.parOut, 2, r.regWidth, multcons, nports, nclks);
  const bool serViaScan = a.v > cc.v;
  const Candidate& serBest = serViaScan ? a : cc;
  if (r.serIn->getObs() < serBest.v) {
    updateObs(r.serIn, serViaScan ? r.serOut : r.parOut, serBest);
    addReady(iptr, r.serIn);
    result = 1;
  }
  return result;
}
