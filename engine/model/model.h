// The circuit model: a circuit owns its items, an item its ports, a port the
// links to the ports it drives. Every list inserts at its head, so lists
// iterate newest first; register numbering and "first port of a kind" rely on it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "model/blocks.h"
#include "model/defs.h"
#include "model/nameindex.h"
#include "base/pool.h"

class Circuit;
class Item;
class Port;
class Diagnostics;

// One entry of a singly linked list of ports that it does not own.
template <class Entry>
class PortListEntry {
 public:
  PortListEntry() = default;
  PortListEntry(const PortListEntry&) = delete;
  PortListEntry& operator=(const PortListEntry&) = delete;

  Port* getPort() const { return ptr; }
  void setPort(Port* p) { ptr = p; }
  Entry* getNext() const { return next; }
  void setNext(Entry* n) { next = n; }

 private:
  Port* ptr = nullptr;
  Entry* next = nullptr;
};

// One fan-out entry: the port driven by the owning port.
class LinkToPort : public PortListEntry<LinkToPort> {};

// One entry of the circuit's ready-port work list.
class ReadyPort : public PortListEntry<ReadyPort> {
 private:
  friend class Circuit;
  ReadyPort* prev = nullptr;  // the entry before, so that an entry leaves the list at once
};

// One entry of a port's list of the ports whose fan-out leads to it.
class LinkFromPort : public PortListEntry<LinkFromPort> {};

struct CircuitPools;

class Port {
 public:
  // Creates a detached port named `name` (already composed).
  Port(std::string name, int nbits, port_type t);
  // Undoes the bit counting of Item::addPort and frees the fan-out list.
  ~Port();
  Port(const Port&) = delete;
  Port& operator=(const Port&) = delete;

  // Adds a fan-out link to `to` at the head of the list (no duplicate check).
  LinkToPort* addToPort(Port* to);
  // Removes every fan-out entry pointing at `to`; returns how many were removed.
  int removeLinksTo(const Port* to);

  const std::string& getName() const { return name; }
  port_type getType() const { return type; }
  int getNBits() const { return nbits; }
  Item* getItem() const { return iptr; }
  void setItem(Item* i) { iptr = i; }
  Port* getNext() const { return next; }
  void setNext(Port* p) { next = p; }
  Port* getPrev() const { return prev; }
  void setPrev(Port* p) { prev = p; }
  LinkToPort* getLinkToPortPtr() const { return link2ports; }
  // Entries in the fan-out list.
  std::uint32_t getNLinksOut() const { return nLinksOut; }
  // Entries in the list of ports driving this one (ports of the same circuit).
  std::uint32_t getNLinksIn() const { return nLinksIn; }
  bool inReadyList() const { return inREADY; }
  void setReady(bool r) { inREADY = r; }
  int getNClks() const { return nclks; }
  void setNClks(int n) { nclks = n; }
  int getNPorts() const { return nports; }
  void setNPorts(int n) { nports = n; }
  double getCon() const { return con; }
  void setCon(double v) { con = v; }
  double getObs() const { return obs; }
  void setObs(double v) { obs = v; }
  double getTst() const { return tst; }
  void setTst(double v) { tst = v; }
  double getMultC() const { return multC; }
  void setMultC(double v) { multC = v; }
  Port* getConSrc() const { return conSrc; }
  void setConSrc(Port* p) {
    if (conSrc) --conSrc->srcRefs;
    conSrc = p;
    if (p) ++p->srcRefs;
  }
  Port* getObsSrc() const { return obsSrc; }
  void setObsSrc(Port* p) {
    if (obsSrc) --obsSrc->srcRefs;
    obsSrc = p;
    if (p) ++p->srcRefs;
  }
  // True for a primary scan pin added by a scan layout (taken out with the layout).
  bool isLayoutPin() const { return layoutPin; }
  // Marks the port as a scan pin of a layout.
  void setLayoutPin(bool v) { layoutPin = v; }
  // Scratch number of the analysis schedule, valid while the stamp is its current one (else -1).
  int scheduleSlot(unsigned stamp) const { return slotStamp == stamp ? slot : -1; }
  void setScheduleSlot(unsigned stamp, int s) {
    slotStamp = stamp;
    slot = s;
  }

 private:
  friend class Item;
  friend class Circuit;
  // Removes one entry naming `from` from the list of ports driving this one.
  void dropDriver(const Port* from);

  std::string name;
  Port* next = nullptr;
  Port* prev = nullptr;
  LinkToPort* link2ports = nullptr;
  Item* iptr = nullptr;
  int nbits;
  port_type type;
  double multC = 0.0;
  double con = 0.0;
  double obs = 0.0;
  double tst = 0.0;
  Port* conSrc = nullptr;
  Port* obsSrc = nullptr;
  int nports = 0;
  int nclks = 0;
  int srcRefs = 0;                     // ports whose conSrc or obsSrc is this one
  unsigned slotStamp = 0;
  int slot = -1;
  std::uint32_t nLinksOut = 0;         // entries of link2ports
  std::uint32_t nLinksIn = 0;          // entries of drivers
  bool inREADY = false;
  bool layoutPin = false;
  LinkFromPort* drivers = nullptr;     // one entry per fan-out entry leading here
  ReadyPort* readyEntry = nullptr;     // the ready-list entry while in the list
  CircuitPools* pools = nullptr;       // where the port and its entries live (null: heap)
};

class Item {
 public:
  // Creates a detached item; its area follows from its kind.
  Item(const std::string& name, item_type t);
  // Uncounts the item from its circuit and deletes its ports.
  ~Item();
  Item(const Item&) = delete;
  Item& operator=(const Item&) = delete;

  // Creates the port "item.port" at the head of the port list and counts its bits.
  Port* addPort(const std::string& portName, int nbits, port_type t);
  // Unlinks `p` from the port list and destroys it; false when it is not ours.
  bool removePort(Port* p);
  // Creates the links from the item's inputs to its output (inner paths);
  // reports each path that lacks its source or destination port.
  void makeInnerIpaths(Diagnostics& diagnostics);
  // Turns a REG into an SREG with the three scan ports; false (nothing
  // changed) for an item of another kind.
  bool toSreg();
  // Turns an SREG made by toSreg back into a REG; false (nothing changed) for another item.
  bool toReg();
  // True for a REG, or an SREG made from one by toSreg: the registers a scan
  // layout numbers (SREGs declared as such are not the layout's).
  bool isLayoutRegister() const { return !layoutExcluded && (type == REG || (type == SREG && scanConverted)); }
  // True for a register that cannot be scanned (Circuit::excludeFromLayouts): no layout numbers it.
  bool isLayoutExcluded() const { return layoutExcluded; }
  // True for an SREG made by toSreg.
  bool isScanConverted() const { return scanConverted; }
  // True for a register that a reset, set or load can set to a constant (the
  // importer leaves those pins out of the item; the fixpoint measure counts them).
  bool isSettable() const { return settable; }
  void setSettable(bool s) { settable = s; }
  // Scratch number of the analysis schedule, valid while the stamp is its current one (else -1).
  int scheduleSlot(unsigned stamp) const { return slotStamp == stamp ? slot : -1; }
  void setScheduleSlot(unsigned stamp, int s) {
    slotStamp = stamp;
    slot = s;
  }

  const std::string& getName() const { return name; }
  item_type getType() const { return type; }
  Circuit* getCircuit() const { return cptr; }
  void setCircuit(Circuit* c) { cptr = c; }
  Port* getPList() const { return plist; }
  void setPList(Port* p) { plist = p; }
  Item* getNext() const { return next; }
  void setNext(Item* i) { next = i; }
  Item* getPrev() const { return prev; }
  void setPrev(Item* i) { prev = i; }
  bool propagDone() const { return propDone; }
  void setPropagDone(bool d) { propDone = d; }
  int getArea() const { return area; }
  void setArea(int a) { area = a; }
  int getNIns() const { return nins; }
  void setNIns(int n) { nins = n; }
  int getNCins() const { return ncins; }
  void setNCins(int n) { ncins = n; }
  int getNOuts() const { return nouts; }
  void setNOuts(int n) { nouts = n; }
  int getNInouts() const { return ninouts; }
  void setNInouts(int n) { ninouts = n; }
  // The number of the block (Circuit::blocks) the item was flattened out of; -1 for the top module.
  int getBlock() const { return block; }
  void setBlock(int b) { block = b; }

 private:
  // Adds `delta` bits of kind `t` to the item's and the circuit's counts.
  void countBits(port_type t, int delta);
  // A RAM's area: kRamAreaPerBit for each bit its first write port's address reaches.
  void refreshRamArea();
  // Frees a port made by addPort (from its circuit's pool) or by new.
  static void disposePort(Port* p);
  friend class Port;
  friend class Circuit;

  std::string name;
  Item* next = nullptr;
  Item* prev = nullptr;
  item_type type;
  Circuit* cptr = nullptr;
  bool propDone = false;
  Port* plist = nullptr;
  int area = 0;
  int nins = 0;
  int ncins = 0;
  int nouts = 0;
  int ninouts = 0;
  bool scanConverted = false;
  bool layoutExcluded = false;
  bool settable = false;
  bool portsIndexed = false;  // its ports are in the circuit's port index (wide items)
  int portCount = 0;
  unsigned slotStamp = 0;
  int slot = -1;
  int block = -1;
};

// The storage of a circuit's items, ports and list entries.
struct CircuitPools {
  CircuitPools() {
    items.prefaultWith(&prefaulter);
    ports.prefaultWith(&prefaulter);
    links.prefaultWith(&prefaulter);
    driverLinks.prefaultWith(&prefaulter);
    ready.prefaultWith(&prefaulter);
  }
  CircuitPools(const CircuitPools&) = delete;
  CircuitPools& operator=(const CircuitPools&) = delete;

  Pool<Item> items;
  Pool<Port> ports;
  Pool<LinkToPort> links;
  Pool<LinkFromPort> driverLinks;
  Pool<ReadyPort> ready;
  bool tearingDown = false;  // the circuit is going: ports leave their neighbours alone
  // Declared last, so that it stops before the pools free their memory.
  Prefaulter prefaulter;
};

class Circuit {
 public:
  // Creates the circuit and its primary-port holder item (kind UUA, same name).
  explicit Circuit(const std::string& name);
  // Deletes the items (with their ports and links) and the ready-port list.
  ~Circuit();
  Circuit(const Circuit&) = delete;
  Circuit& operator=(const Circuit&) = delete;

  // Creates an item at the head of the item list and counts it.
  Item* addItem(const std::string& name, item_type t);
  // Adds a port to the primary-port holder and counts its bits.
  Port* addPrimaryPort(const std::string& portName, int nbits, port_type t);
  // First item named exactly `name`, or null.
  Item* getItemPtr(const std::string& name) const;
  // Port by composed name "item.port", or null.
  Port* getPortPtr(const std::string& composed) const;
  // The port named `composed` among the ports of `i`, or null; no message.
  Port* findPortOf(const Item* i, std::string_view composed) const;
  // Lookups in batches: the newest item named `name`, whose hash (nameHash) is `h`, or null.
  Item* findItemHashed(std::string_view name, size_t h) const;
  // Starts fetching the index entry of the item name hash `h` (a hint only).
  void prefetchItemEntry(size_t h) const { itemIndex.prefetchEntry(h); }
  // Starts fetching the item the index entry of `h` names (a hint only).
  void prefetchItemOf(size_t h) const { itemIndex.prefetchValue(h); }
  // The i-th REG or SREG item in list order, or null.
  Item* getRegPtr(int i) const;
  // Links first's SCAN_OUT (head port) to second's SCAN_IN (second port).
  bool connectSREGs(Item* first, Item* second);
  // REG and RAM items plus the parallel input bits of every SREG.
  int getNClks() const;
  // Puts `p` at the head of the ready-port list unless it is there already (or null).
  ReadyPort* addReadyPort(Port* p);
  // Empties the ready-port list, clearing the scratch values of its ports.
  void destroyReadyPortList();
  // Clears the propagation mark of every item.
  void ResetPropagatedItems();
  // The primary-port holder (first UUA item in list order), or null.
  Item* getPortHolder() const;
  // A stamp that no item or port of this circuit holds yet (never 0), for the
  // scratch numbering of an analysis schedule (Item/Port::setScheduleSlot).
  unsigned newScheduleStamp() const {
    unsigned s = ++lastScheduleStamp;
    while (s == 0) s = ++lastScheduleStamp;
    return s;
  }

  const std::string& getName() const { return name; }
  Item* getIList() const { return ilist; }
  ReadyPort* getReadyPorts() const { return rp; }
  int getNFUs() const { return nFUs; }
  void setNFUs(int n) { nFUs = n; }
  int getNMUXs() const { return nMUXs; }
  void setNMUXs(int n) { nMUXs = n; }
  int getNREGs() const { return nREGs; }
  void setNREGs(int n) { nREGs = n; }
  // Takes register `reg` out of every scan layout: it stays a register of the
  // analysis, but layouts no longer number it (nor count it in getNREGs). False
  // when `reg` is no unscanned register of the layouts.
  bool excludeFromLayouts(Item* reg);
  int getArea() const { return area; }
  void setArea(int a) { area = a; }
  int getNPins() const { return npins; }
  void setNPins(int n) { npins = n; }
  int getNPCins() const { return npcins; }
  void setNPCins(int n) { npcins = n; }
  int getNPouts() const { return npouts; }
  void setNPouts(int n) { npouts = n; }
  int getNPinouts() const { return npinouts; }
  void setNPinouts(int n) { npinouts = n; }
  int getNIns() const { return nins; }
  void setNIns(int n) { nins = n; }
  int getNCins() const { return ncins; }
  void setNCins(int n) { ncins = n; }
  int getNOuts() const { return nouts; }
  void setNOuts(int n) { nouts = n; }
  int getNInouts() const { return ninouts; }
  void setNInouts(int n) { ninouts = n; }
  double getCon() const { return con; }
  void setCon(double v) { con = v; }
  double getObs() const { return obs; }
  void setObs(double v) { obs = v; }
  double getTst() const { return tst; }
  void setTst(double v) { tst = v; }
  const std::string& getNotation() const { return notation; }
  void setNotation(const std::string& n) { notation = n; }
  int getOrigArea() const { return origArea; }
  void setOrigArea(int a) { origArea = a; }
  int getOrigNPIOs() const { return origNPIOs; }
  void setOrigNPIOs(int n) { origNPIOs = n; }
  double getFitness() const { return fitness; }
  void setFitness(double f) { fitness = f; }
  // The measure of the values the last analysis left on the ports.
  MeasureKind measureKind() const { return measure; }
  void setMeasureKind(MeasureKind m) { measure = m; }
  // The hierarchy the items were flattened out of (empty for a description).
  BlockHierarchy& blocks() { return hierarchy; }
  const BlockHierarchy& blocks() const { return hierarchy; }
  // The instance path of the block `i` came from ("" for the top module).
  const std::string& blockPathOf(const Item* i) const { return hierarchy.path(i->getBlock()); }
  // Sum of the primary port bits (inputs, control inputs, bidirectional, outputs).
  int getNPIOs() const { return npins + npcins + npinouts + npouts; }
  // Bits of every port of the circuit, primary and item ports.
  int getNPortBits() const { return getNPIOs() + nins + ncins + nouts + ninouts; }

 private:
  friend class Item;
  // Drops every reference to a port about to be destroyed: links, sources, ready entry.
  void forgetPort(Port* gone);
  // The newest item named `itemName`, or null.
  Item* findItem(std::string_view itemName) const;
  // Records `p` as the newest port of its item with its name.
  void indexPort(Port* p);
  // Forgets `p` in the port index (an older port of the same name takes its place).
  void unindexPort(const Port* p);

  // Declared first so that they outlive every item and port.
  CircuitPools pools;
  std::string name;
  Item* ilist = nullptr;
  // Item by name: the first of that name in list order (the newest), for lookups.
  NameIndex<Item> itemIndex;
  // Port by item and composed name: the first in the item's port list (the
  // newest), for items with many ports; narrow items are searched directly.
  NameIndex<Port> portIndex;
  // The first UUA item in list order (the newest one).
  Item* portHolder = nullptr;
  // The layout registers in list order; rebuilt after an item is added.
  mutable std::vector<Item*> layoutRegs;
  mutable bool layoutRegsValid = false;
  // The last stamp handed out by newScheduleStamp (scratch, like the slots it guards).
  mutable unsigned lastScheduleStamp = 0;
  ReadyPort* rp = nullptr;
  int nFUs = 0;
  int nMUXs = 0;
  int nREGs = 0;
  int area = 0;
  int npins = 0;
  int npcins = 0;
  int npouts = 0;
  int npinouts = 0;
  int nins = 0;
  int ncins = 0;
  int nouts = 0;
  int ninouts = 0;
  double con = 0.0;
  double obs = 0.0;
  double tst = 0.0;
  std::string notation;
  int origArea = 0;
  int origNPIOs = 0;
  double fitness = 0.0;
  MeasureKind measure = MeasureKind::CLASSIC;
  BlockHierarchy hierarchy;
};

// Text name of an item kind ("UUA", "ADD", ...), or null for an unknown kind.
const char* itemTypeName(item_type t);
// Text name of a port kind as descriptions write it ("in", "clk", ...), or null for an unknown kind.
const char* portTypeName(port_type t);
