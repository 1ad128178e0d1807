// The fixpoint measure: controllability and observability as the least
// fixpoint of per-kind rules, so that no value depends on the order in which
// items are described or visited. A port with one driver has exactly its
// driver's controllability; a port driving several has the best observability
// of what it drives. Crossing a register costs the depth factor, a scanned
// register is set and read through its chain at no cost, and a register that
// a clear or load multiplexer, or a reset or set of its own, can set is controllable. The figures are taken
// over the design's own ports: the pins and ports a scan layout adds are left
// out, so that every layout of a design is measured on the same set.
#pragma once

#include <string_view>
#include <vector>

#include "model/kinds.h"

class Circuit;
class Item;
class Port;
enum class RamRole : unsigned char;

// The constants of the fixpoint measure.
struct FixpointSettings {
  double depthFactor = 0.5;  // cost of crossing one register (sequential depth)
  double threshold = 0.01;   // a bit counts as controllable (observable) when its value is above this
};

// The circuit figures of the fixpoint measure, over the design's own data ports.
struct OwnPortFigures {
  long bits = 0;              // bits of the design's own data ports
  long nC = 0, nO = 0, nT = 0;  // of them, bits above the threshold (both, for nT)
  double con = 0.0, obs = 0.0, tst = 0.0;  // averages per port
};

// Computes the fixpoint measure, keeping its work lists from one circuit to
// the next. One analyser serves one thread at a time.
class FixpointAnalyser {
 public:
  explicit FixpointAnalyser(FixpointSettings settings = {}) : set(settings) {}

  // Controllability, observability and tst of every port of `c`, left on its
  // ports with the port each value came from (its propagation source), and the averages on `c`.
  void analyse(Circuit& c);
  // Only the controllability (observability left 0), and the averages on `c`.
  void controllability(Circuit& c);
  const FixpointSettings& settings() const { return set; }
  // Indexes `c`, which has no scan layout, as the base of the analyses that follow:
  // until dropBase, an analysis of `c` with a layout applied takes its unchanged
  // ports and links from the base, walking only what the layout added. The
  // caller keeps `c` as it is meanwhile, but for applying and taking out layouts.
  void holdBase(Circuit& c);
  void dropBase();
  // The figures of the circuit last analysed, by this analyser's settings.
  const OwnPortFigures& figures() const { return last; }

 private:
  // The ports of a scan register by role, as indices into `ports` (-1: none).
  struct ScanRoles {
    int clk = -1, mode = -1, serIn = -1, parIn = -1, serOut = -1, parOut = -1;
  };
  // What one item's ports hold, by role, for the rules (port indices, -1: none).
  struct ItemView {
    double maxData = 0.0;        // best controllability of a data input
    double minDrivenData = 1.0;  // worst controllability of a driven data input
    int nData = 0;
    int nDrivenData = 0;
    double minSel = 1.0;  // worst select (1 without one)
    double minClk = 1.0;  // worst clock
    bool hasClk = false;
    double maxOutObs = 0.0;
    int bestData = -1;         // the data input of maxData
    int worstDrivenData = -1;  // the driven data input of minDrivenData
    int worstSel = -1;
    int bestOut = -1;  // the output of maxOutObs
  };

  void index(Circuit& c);
  // Empties the index (keeping its buffers) and takes a new schedule stamp of `c`.
  void startIndex(Circuit& c);
  // The index of `c` from the held base: false (nothing usable) when `c` is not
  // the base with a scan layout applied.
  bool indexOverBase(Circuit& c);
  // Indexes the ports of item `k` that the layout added (the first `added` of its list) from `first` on.
  void indexAddedPorts(size_t k, Port* first, int added);
  // The fan-out of every port: the base's renumbered, the added ports' walked.
  bool indexLinksOverBase();
  // The drivers of each port from the fan-out lists (counted per port in driverStart[k + 1]); only observability reads them.
  void indexDrivers();
  // Everything after the ports are numbered: values, links in by driver, scan roles, the queue.
  void finishIndex();
  void indexLinks();
  void indexScanRoles(size_t k);
  // Leaves the values found on the circuit's ports.
  void writeBack();
  // The figures of the values found, over the indexed ports (those ownPortFigures takes).
  OwnPortFigures indexedFigures() const;
  ItemView viewOf(size_t k) const;
  // What the controllability rules read, without the observabilities viewOf adds:
  // the driven data inputs (a functional unit), or the data inputs, selects and clocks.
  ItemView worstDrivenDataOf(size_t k) const;
  ItemView dataSelectClockOf(size_t k) const;
  // The worst controllability of the driven data inputs of item `k` other than port `skip` (1 without one).
  double othersCon(size_t k, int skip) const;
  void forward();
  void backward();
  void conOfItem(size_t k);
  void obsOfItem(size_t k);
  void conOfScanRegister(size_t k);
  void obsOfScanRegister(size_t k);
  // The rules of a RAM: read data from a write through both addresses, and back.
  void conOfRam(size_t k);
  void obsOfRam(size_t k);
  // The port of item `k` with RAM role `role` and number `number` (-1: none).
  int ramPortOf(size_t k, RamRole role, std::string_view number) const;
  // How well a write through the write port numbered `number` of RAM `k` can be made: worst of enable and clock.
  double ramWriteControl(size_t k, std::string_view number) const;
  // Raises the controllability of port `p` to `v` (coming from port `from`) and passes it along its links.
  void raiseCon(int p, double v, int from);
  // Raises the observability of port `p` to `v` (coming from port `from`) and passes it back to its drivers.
  void raiseObs(int p, double v, int from);
  void push(int item);

  FixpointSettings set;
  OwnPortFigures last;
  unsigned stamp = 0;
  // Items, and per item its rule, kind, first port and scan roles (an index into `roles`, -1 for none).
  std::vector<Item*> items;
  std::vector<item_type> itemKind;
  std::vector<PropagationRule> itemRule;
  std::vector<int> portStart;  // ports of item k: portStart[k] .. portStart[k + 1]
  std::vector<int> itemRoles;
  std::vector<ScanRoles> roles;
  // Ports, and per port what the rules read and the values found so far.
  std::vector<Port*> ports;
  std::vector<port_type> portKind;
  std::vector<int> portItem;
  std::vector<char> driven;  // some port drives it
  std::vector<char> drivenData;  // a data input some port drives
  std::vector<int> ownBits;  // bits of a design's own data port, -1 for a port the figures leave out
  std::vector<double> con, obs;
  std::vector<int> conSrc, obsSrc;
  std::vector<int> fanoutStart;  // links of port k to circuit ports: fanoutList[fanoutStart[k] .. fanoutStart[k + 1])
  std::vector<int> fanoutList;
  std::vector<int> driverStart;  // drivers of port k: driverList[driverStart[k] .. driverStart[k + 1])
  std::vector<int> driverList;
  std::vector<int> driverFill;  // scratch of indexDrivers
  // The held base: the index of its circuit without a layout.
  struct Base {
    Circuit* circuit = nullptr;
    std::vector<Item*> items;
    std::vector<item_type> itemKind;
    std::vector<PropagationRule> itemRule;
    std::vector<int> portStart;
    std::vector<Port*> ports;
    std::vector<port_type> portKind;
    std::vector<char> driven, drivenData;
    std::vector<int> ownBits;
    std::vector<int> fanoutStart, fanoutList;
  } base;
  std::vector<int> baseSlot;    // per base port its number in the current index
  std::vector<int> baseOf;      // per port of the current index its number in the base, -1 for an added one
  std::vector<int> queue;   // items to visit
  std::vector<int> rising;  // ports whose value rose, still to pass on
  std::vector<char> queued;
};

// True for a port the design has of its own: no pin or port a scan layout added.
bool isOwnPort(const Port* p);
// The figures of the fixpoint measure of `c` as last analysed (by FixpointAnalyser).
OwnPortFigures ownPortFigures(const Circuit& c, const FixpointSettings& settings = {});
