#include "model/model.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "base/diagnostics.h"
#include "model/kinds.h"
#include "model/ramports.h"

namespace {

// Items with more ports than this have their ports indexed by name.
constexpr int kNarrowItemPorts = 8;

// Area a layout adds when it turns a register into a scan register.
constexpr int kScanOverhead = 40;
// Largest area of one RAM (ten million units), so that circuit totals stay ints.
constexpr long long kMaxRamArea = 10000000LL;

// a == b, comparing the characters from the last one back.
bool sameFromEnd(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t k = a.size(); k > 0; --k)
    if (a[k - 1] != b[k - 1]) return false;
  return true;
}

template <class Entry>
Entry* newEntry(Pool<Entry>* pool) {
  return pool ? pool->create() : new Entry;
}

template <class Entry>
void freeEntry(Pool<Entry>* pool, Entry* e) {
  if (pool)
    pool->destroy(e);
  else
    delete e;
}

}  // namespace

const char* itemTypeName(item_type t) {
  const ItemKindInfo* k = itemKind(t);
  return k ? k->name : nullptr;
}

const char* portTypeName(port_type t) {
  switch (t) {
    case IN: return "in";
    case OUT: return "out";
    case INOUT: return "inout";
    case CIN_CLK: return "clk";
    case CIN_SEL: return "sel";
    default: return nullptr;
  }
}

// ---------------------------------------------------------------- Port

Port::Port(std::string n, int bits, port_type t) : name(std::move(n)), nbits(bits), type(t) {}

Port::~Port() {
  if (iptr) iptr->countBits(type, -nbits);
  const bool neighbours = pools && !pools->tearingDown;
  Pool<LinkToPort>* linkPool = pools ? &pools->links : nullptr;
  LinkToPort* l = link2ports;
  while (l) {
    LinkToPort* following = l->getNext();
    if (neighbours && l->getPort() && l->getPort()->pools == pools) l->getPort()->dropDriver(this);
    freeEntry(linkPool, l);
    l = following;
  }
  Pool<LinkFromPort>* driverPool = pools ? &pools->driverLinks : nullptr;
  for (LinkFromPort* d = drivers; d;) {
    LinkFromPort* following = d->getNext();
    freeEntry(driverPool, d);
    d = following;
  }
  if (neighbours) {
    setConSrc(nullptr);
    setObsSrc(nullptr);
  }
}

LinkToPort* Port::addToPort(Port* to) {
  auto* l = newEntry(pools ? &pools->links : nullptr);
  l->setPort(to);
  l->setNext(link2ports);
  link2ports = l;
  ++nLinksOut;
  // Drivers are tracked between ports of one circuit.
  if (to && pools && to->pools == pools) {
    auto* d = pools->driverLinks.create();
    d->setPort(this);
    d->setNext(to->drivers);
    to->drivers = d;
    ++to->nLinksIn;
  }
  return l;
}

void Port::dropDriver(const Port* from) {
  Pool<LinkFromPort>* pool = pools ? &pools->driverLinks : nullptr;
  LinkFromPort* before = nullptr;
  for (LinkFromPort* d = drivers; d; before = d, d = d->getNext()) {
    if (d->getPort() != from) continue;
    if (before)
      before->setNext(d->getNext());
    else
      drivers = d->getNext();
    freeEntry(pool, d);
    --nLinksIn;
    return;
  }
}

int Port::removeLinksTo(const Port* to) {
  int removed = 0;
  LinkToPort* prevLink = nullptr;
  LinkToPort* l = link2ports;
  while (l) {
    LinkToPort* following = l->getNext();
    if (l->getPort() == to) {
      if (prevLink)
        prevLink->setNext(following);
      else
        link2ports = following;
      if (l->getPort() && pools && l->getPort()->pools == pools) l->getPort()->dropDriver(this);
      freeEntry(pools ? &pools->links : nullptr, l);
      --nLinksOut;
      ++removed;
    } else {
      prevLink = l;
    }
    l = following;
  }
  return removed;
}

// ---------------------------------------------------------------- Item

Item::Item(const std::string& n, item_type t) : name(n), type(t), area(itemKind(t) ? itemKind(t)->area : 0) {}

Item::~Item() {
  if (cptr) {
    if (isFunctionalUnit(type))
      --cptr->nFUs;
    else if (type == REG)
      --cptr->nREGs;
    else if (type == MUX)
      --cptr->nMUXs;
  }
  Port* p = plist;
  while (p) {
    Port* following = p->getNext();
    disposePort(p);
    p = following;
  }
}

void Item::countBits(port_type t, int delta) {
  if (type == UUA) {
    if (!cptr) return;
    switch (t) {
      case IN: cptr->npins += delta; break;
      case OUT: cptr->npouts += delta; break;
      case INOUT: cptr->npinouts += delta; break;
      case CIN_CLK:
      case CIN_SEL: cptr->npcins += delta; break;
      default: break;
    }
    return;
  }
  int* own = nullptr;
  int* total = nullptr;
  switch (t) {
    case IN: own = &nins; total = cptr ? &cptr->nins : nullptr; break;
    case OUT: own = &nouts; total = cptr ? &cptr->nouts : nullptr; break;
    case INOUT: own = &ninouts; total = cptr ? &cptr->ninouts : nullptr; break;
    case CIN_CLK:
    case CIN_SEL: own = &ncins; total = cptr ? &cptr->ncins : nullptr; break;
    default: return;
  }
  *own += delta;
  if (total) *total += delta;
}

Port* Item::addPort(const std::string& portName, int nbits, port_type t) {
  std::string composed;
  composed.reserve(name.size() + 1 + portName.size());
  composed.append(name).push_back(NAME_SEPARATOR);
  composed.append(portName);
  Port* p = nullptr;
  if (cptr) {
    p = cptr->pools.ports.create(std::move(composed), nbits, t);
    p->pools = &cptr->pools;
  } else {
    p = new Port(composed, nbits, t);
  }
  p->setItem(this);
  p->setNext(plist);
  if (plist) plist->setPrev(p);
  plist = p;
  countBits(t, nbits);
  ++portCount;
  if (type == RAM) refreshRamArea();
  if (cptr && portsIndexed) {
    cptr->indexPort(p);
  } else if (cptr && portCount > kNarrowItemPorts) {
    // Index every port, oldest first so that the newest of a name stays.
    Port* last = plist;
    while (last->getNext()) last = last->getNext();
    for (Port* q = last; q; q = q->getPrev()) cptr->indexPort(q);
    portsIndexed = true;
  }
  return p;
}

void Item::refreshRamArea() {
  std::string_view number;
  int addressBits = -1;
  long long dataBits = 0;
  for (Port* p = plist; p; p = p->getNext()) {
    const RamRole role = ramRoleOf(p, number);
    if (role == RamRole::WRITE_ADDR && number.empty()) addressBits = p->getNBits();
    if (role == RamRole::WRITE_DATA && number.empty()) dataBits = p->getNBits();
  }
  // The words an address of that width reaches; capped so that the area stays an int.
  const long long words = addressBits < 0 ? 0 : 1LL << std::min(addressBits, 24);
  const long long wanted = std::min<long long>(words * dataBits * kRamAreaPerBit, kMaxRamArea);
  const int ramArea = static_cast<int>(wanted);
  if (cptr) cptr->area += ramArea - area;
  area = ramArea;
}

void Item::disposePort(Port* p) {
  if (CircuitPools* pools = p->pools)
    pools->ports.destroy(p);
  else
    delete p;
}

bool Item::removePort(Port* p) {
  if (!p || p->getItem() != this) return false;
  if (p->getPrev())
    p->getPrev()->setNext(p->getNext());
  else
    plist = p->getNext();
  if (p->getNext()) p->getNext()->setPrev(p->getPrev());
  --portCount;
  if (cptr) {
    if (portsIndexed) cptr->unindexPort(p);
    cptr->forgetPort(p);
  }
  disposePort(p);
  return true;
}

void Item::makeInnerIpaths(Diagnostics& diagnostics) {
  const PropagationRule rule = ruleOf(type);
  if (rule == PropagationRule::FUNCTIONAL_UNIT || rule == PropagationRule::MULTIPLEXER) {
    Port* out = nullptr;
    for (Port* p = plist; p && !out; p = p->getNext())
      if (p->getType() == OUT) out = p;
    for (Port* p = plist; p; p = p->getNext()) {
      if (p->getType() != IN) continue;
      if (out)
        p->addToPort(out);
      else
        diagnostics.error("makeInnerIpaths(%s):%s%s points to NULL\n", name.c_str(), "", " dst");
    }
  } else if (rule == PropagationRule::REGISTER) {
    Port* in = nullptr;
    Port* out = nullptr;
    for (Port* p = plist; p; p = p->getNext()) {
      if (p->getType() == IN) in = p;
      if (p->getType() == OUT) out = p;
    }
    if (in && out)
      in->addToPort(out);
    else
      diagnostics.error("makeInnerIpaths(%s):%s%s points to NULL\n", name.c_str(), in ? "" : " src", out ? "" : " dst");
  }
}

bool Item::toSreg() {
  if (type != REG) return false;
  addPort("SCAN_MODE", 1, CIN_SEL);
  addPort("SCAN_IN", 1, IN);
  addPort("SCAN_OUT", 1, OUT);
  type = SREG;
  scanConverted = true;
  if (cptr) cptr->area += kScanOverhead;
  return true;
}

bool Item::toReg() {
  if (type != SREG || !scanConverted) return false;
  for (int k = 0; k < 3 && plist; ++k) removePort(plist);
  type = REG;
  scanConverted = false;
  if (cptr) cptr->area -= kScanOverhead;
  return true;
}

// ---------------------------------------------------------------- Circuit

Circuit::Circuit(const std::string& n) : name(n) { addItem(n, UUA); }

Circuit::~Circuit() {
  destroyReadyPortList();
  pools.tearingDown = true;
  Item* i = ilist;
  while (i) {
    Item* next = i->getNext();
    pools.items.destroy(i);
    i = next;
  }
}

Item* Circuit::addItem(const std::string& itemName, item_type t) {
  Item* i = pools.items.create(itemName, t);
  i->setCircuit(this);
  i->setNext(ilist);
  if (ilist) ilist->setPrev(i);
  ilist = i;
  // Items are never removed, so the newest stays first.
  itemIndex.put(nameHash(itemName), i, [&](const Item* o) { return o->getName() == itemName; });
  if (t == UUA) portHolder = i;
  if (t == REG) layoutRegsValid = false;
  if (t != UUA) area += i->getArea();
  if (t == REG)
    ++nREGs;
  else if (t == MUX)
    ++nMUXs;
  else if (isFunctionalUnit(t))
    ++nFUs;
  return i;
}

Item* Circuit::getPortHolder() const { return portHolder; }

Port* Circuit::addPrimaryPort(const std::string& portName, int nbits, port_type t) {
  Item* holder = getPortHolder();
  if (!holder) return nullptr;
  return holder->addPort(portName, nbits, t);
}

Item* Circuit::findItem(std::string_view itemName) const { return findItemHashed(itemName, nameHash(itemName)); }

Item* Circuit::findItemHashed(std::string_view itemName, size_t h) const {
  return itemIndex.find(h, [&](const Item* i) { return i->getName() == itemName; });
}

Item* Circuit::getItemPtr(const std::string& itemName) const { return findItem(itemName); }

void Circuit::indexPort(Port* p) {
  const Item* owner = p->getItem();
  const std::string& n = p->getName();
  portIndex.put(nameHash(n), p, [&](const Port* o) { return o->getItem() == owner && o->getName() == n; });
}

void Circuit::unindexPort(const Port* p) {
  // The next port of the same name further down the item's list is the newest one left.
  Port* older = p->getNext();
  while (older && older->getName() != p->getName()) older = older->getNext();
  portIndex.replace(nameHash(p->getName()), p, older);
}

Port* Circuit::getPortPtr(const std::string& composed) const {
  const std::string_view whole(composed);
  Item* i = findItem(whole.substr(0, whole.find(NAME_SEPARATOR)));
  return i ? findPortOf(i, whole) : nullptr;
}

Port* Circuit::findPortOf(const Item* i, std::string_view whole) const {
  if (i->portsIndexed) {
    if (Port* p = portIndex.find(nameHash(whole), [&](const Port* o) { return o->getItem() == i && o->getName() == whole; }))
      return p;
  }
  // A narrow item, or ports it had before it joined the circuit. Its ports
  // share the item's name as a prefix, so names are compared from the end.
  for (Port* p = i->getPList(); p; p = p->getNext())
    if (sameFromEnd(p->getName(), whole)) return p;
  return nullptr;
}

bool Circuit::excludeFromLayouts(Item* reg) {
  if (!reg || reg->getType() != REG || !reg->isLayoutRegister()) return false;
  reg->layoutExcluded = true;
  --nREGs;
  layoutRegsValid = false;
  return true;
}

Item* Circuit::getRegPtr(int index) const {
  if (index < 0) return nullptr;
  if (!layoutRegsValid) {
    // A register stays a layout register when it becomes a scan register and back.
    layoutRegs.clear();
    for (Item* i = ilist; i; i = i->getNext())
      if (i->isLayoutRegister()) layoutRegs.push_back(i);
    layoutRegsValid = true;
  }
  return static_cast<size_t>(index) < layoutRegs.size() ? layoutRegs[static_cast<size_t>(index)] : nullptr;
}

bool Circuit::connectSREGs(Item* first, Item* second) {
  if (!first || !second) return false;
  Port* from = first->getPList();
  Port* to = second->getPList() ? second->getPList()->getNext() : nullptr;
  if (!from || !to) return false;
  from->addToPort(to);
  return true;
}

int Circuit::getNClks() const {
  int clks = 0;
  for (Item* i = ilist; i; i = i->getNext()) {
    if (i->getType() == REG || i->getType() == RAM) {  // a RAM is one clocked step, as a register
      ++clks;
    } else if (i->getType() == SREG) {
      for (Port* p = i->getPList(); p; p = p->getNext())
        if (p->getType() == IN && p->getName().find("SCAN") == std::string::npos) clks += p->getNBits();
    }
  }
  return clks;
}

ReadyPort* Circuit::addReadyPort(Port* p) {
  if (!p || p->inReadyList()) return nullptr;
  auto* r = pools.ready.create();
  r->setPort(p);
  r->setNext(rp);
  if (rp) rp->prev = r;
  rp = r;
  p->setReady(true);
  p->readyEntry = r;
  return r;
}

void Circuit::destroyReadyPortList() {
  ReadyPort* r = rp;
  while (r) {
    ReadyPort* next = r->getNext();
    if (Port* p = r->getPort()) {
      p->setReady(false);
      p->setMultC(0.0);
      p->setNPorts(0);
      p->setNClks(0);
      p->readyEntry = nullptr;
    }
    pools.ready.destroy(r);
    r = next;
  }
  rp = nullptr;
}

void Circuit::forgetPort(Port* gone) {
  if (gone->pools != &pools) {  // not one of ours: nothing is tracked, look everywhere
    for (Item* i = ilist; i; i = i->getNext())
      for (Port* p = i->getPList(); p; p = p->getNext()) {
        p->removeLinksTo(gone);
        if (p->getConSrc() == gone) p->setConSrc(nullptr);
        if (p->getObsSrc() == gone) p->setObsSrc(nullptr);
      }
  }
  // The fan-out entries leading to it, through its list of drivers.
  while (LinkFromPort* d = gone->drivers) {
    Port* from = d->getPort();
    if (!from || from->removeLinksTo(gone) == 0) {  // a stale entry: drop it by hand
      gone->drivers = d->getNext();
      freeEntry(gone->pools ? &gone->pools->driverLinks : nullptr, d);
      --gone->nLinksIn;
    }
  }
  // Sources are set along links and inside one item; the full walk runs only
  // when some reference is not found among those ports.
  auto clearSources = [gone](Port* p) {
    if (p->getConSrc() == gone) p->setConSrc(nullptr);
    if (p->getObsSrc() == gone) p->setObsSrc(nullptr);
  };
  if (gone->srcRefs > 0) {
    for (LinkToPort* l = gone->getLinkToPortPtr(); l && gone->srcRefs > 0; l = l->getNext())
      if (l->getPort()) clearSources(l->getPort());
    if (Item* own = gone->getItem())
      for (Port* p = own->getPList(); p && gone->srcRefs > 0; p = p->getNext()) clearSources(p);
  }
  for (Item* i = ilist; i && gone->srcRefs > 0; i = i->getNext())
    for (Port* p = i->getPList(); p; p = p->getNext()) clearSources(p);
  if (!gone->inReadyList() || !gone->readyEntry) return;
  ReadyPort* r = gone->readyEntry;
  if (r->prev)
    r->prev->setNext(r->getNext());
  else
    rp = r->getNext();
  if (r->getNext()) r->getNext()->prev = r->prev;
  gone->readyEntry = nullptr;
  pools.ready.destroy(r);
}

void Circuit::ResetPropagatedItems() {
  for (Item* i = ilist; i; i = i->getNext()) i->setPropagDone(false);
}

