#include "scan/insertion.h"

#include <optional>

#include "model/model.h"

namespace {

// The three scan ports of a register made a scan register by toSreg (they head its port list).
struct ScanPorts {
  Port* out = nullptr;
  Port* in = nullptr;
  Port* mode = nullptr;
};

bool hasOwnName(const Port* p, const Item* owner, const char* own) {
  const std::string& n = p->getName();
  const std::string& item = owner->getName();
  return n.size() == item.size() + 1 + std::char_traits<char>::length(own) &&
         n.compare(0, item.size(), item) == 0 && n[item.size()] == NAME_SEPARATOR &&
         n.compare(item.size() + 1, std::string::npos, own) == 0;
}

std::optional<ScanPorts> scanPortsOf(Item* reg) {
  if (!reg || reg->getType() != SREG || !reg->isScanConverted()) return std::nullopt;
  ScanPorts s;
  s.out = reg->getPList();
  s.in = s.out ? s.out->getNext() : nullptr;
  s.mode = s.in ? s.in->getNext() : nullptr;
  if (!s.mode || !hasOwnName(s.out, reg, "SCAN_OUT") || !hasOwnName(s.in, reg, "SCAN_IN") ||
      !hasOwnName(s.mode, reg, "SCAN_MODE"))
    return std::nullopt;
  return s;
}

// Adds one scan pin of the layout to the circuit.
Port* addScanPin(Circuit& c, const std::string& pinName, port_type t) {
  Port* p = c.addPrimaryPort(pinName, 1, t);
  if (p) p->setLayoutPin(true);
  return p;
}

// Makes `reg` a scan register wired after `prev` (or to the chain's scan input); returns the chain's last register.
Item* chainRegister(Circuit& c, Item* reg, Item* prev, Port* scanMode, Port* scanIn) {
  if (!reg) return prev;
  reg->toSreg();
  const std::optional<ScanPorts> sp = scanPortsOf(reg);
  if (!sp) return prev;
  if (scanMode) scanMode->addToPort(sp->mode);
  if (!prev) {
    if (scanIn) scanIn->addToPort(sp->in);
  } else {
    c.connectSREGs(prev, reg);
  }
  return reg;
}

}  // namespace

void insertScanLayout(Circuit& c, const LayoutRegisters& regs, const ScanLayout& layout) {
  Port* scanMode = nullptr;
  long k = -1;
  for (const std::vector<int>& chain : layout) {
    if (chain.empty()) continue;
    if (!scanMode) scanMode = addScanPin(c, "SCAN_MODE", CIN_SEL);
    ++k;
    Port* scanIn = addScanPin(c, "SCAN_IN" + std::to_string(k), IN);
    Port* scanOut = addScanPin(c, "SCAN_OUT" + std::to_string(k), OUT);
    Item* prev = nullptr;
    for (int r : chain) prev = chainRegister(c, regs.item(r), prev, scanMode, scanIn);
    // The chain ends at its primary scan output.
    if (const std::optional<ScanPorts> last = scanPortsOf(prev); last && scanOut) last->out->addToPort(scanOut);
  }
}

void removeScanLayout(Circuit& c) {
  // The pins go first: a scan register's mode port then has no driver left,
  // so taking it out does not search the long fan-out of the SCAN_MODE pin.
  if (Item* holder = c.getPortHolder()) {
    Port* p = holder->getPList();
    while (p) {
      Port* following = p->getNext();
      if (p->isLayoutPin()) holder->removePort(p);
      p = following;
    }
  }
  for (Item* i = c.getIList(); i; i = i->getNext())
    if (i->getType() == SREG && i->isScanConverted()) i->toReg();
}

AppliedScanLayout::AppliedScanLayout(Circuit& circuit, const LayoutRegisters& regs, const ScanLayout& layout)
    : c(circuit), problem_(layoutProblem(layout, regs)) {
  if (applied()) insertScanLayout(c, regs, layout);
}

AppliedScanLayout::AppliedScanLayout(Circuit& circuit, const LayoutRegisters& regs, const ScanLayout& layout, Settled)
    : c(circuit) {
  insertScanLayout(c, regs, layout);
}

AppliedScanLayout::~AppliedScanLayout() {
  if (applied()) removeScanLayout(c);
}
