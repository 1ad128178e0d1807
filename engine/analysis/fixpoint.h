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

#include <vector>

class Circuit;
class Item;
class Port;

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

 private:
  void index(Circuit& c);
  void forward();
  void backward();
  void conOfItem(Item* i);
  void obsOfItem(Item* i);
  // Raises the controllability of `p` to `v` (coming from `from`) and passes it along its links.
  void raiseCon(Port* p, double v, Port* from);
  // The rules of a RAM: read data from a write through both addresses, and back.
  void conOfRam(Item* i);
  void obsOfRam(Item* i);
  // Raises the observability of `p` to `v` (coming from `from`) and passes it back to its drivers.
  void raiseObs(Port* p, double v, Port* from);
  void push(Item* i);

  FixpointSettings set;
  unsigned stamp = 0;
  std::vector<Item*> items;
  std::vector<Port*> ports;
  std::vector<int> driverStart;   // drivers of port k: driverList[driverStart[k] .. driverStart[k + 1])
  std::vector<Port*> driverList;
  std::vector<int> queue;         // items to visit
  std::vector<Port*> rising;      // ports whose value rose, still to pass on
  std::vector<char> queued;
};

// True for a port the design has of its own: no pin or port a scan layout added.
bool isOwnPort(const Port* p);
// The figures of the fixpoint measure of `c` as last analysed (by FixpointAnalyser).
OwnPortFigures ownPortFigures(const Circuit& c, const FixpointSettings& settings = {});
