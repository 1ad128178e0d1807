// The testability analysis: controllability forward from the primary inputs,
// observability backward from the primary outputs; values are left on the
// circuit's ports, averages on the circuit.
//
// The analysis is defined as repeated full walks: every link pass walks the
// whole ready-port list, every item sweep walks every item, the backward link
// pass scans every link of the circuit for every ready port. The incremental
// schedule gives exactly the same values, sources, ready-list order and
// messages while visiting only what can still change: each pass starts where
// the previous one began, items are swept when one of their ports has become
// ready, and drivers are found through an index built once per direction. It
// is used when the circuit is well formed (every link leads to a port of the
// circuit, every register has its data, clock and output ports, every item
// has a known kind); otherwise, and on request, the full walks run.
#pragma once

#include <memory>

#include "analysis/fixpoint.h"
#include "base/run_context.h"

class Circuit;
class Diagnostics;
class IncrementalSchedule;

// Runs analyses, keeping its work lists from one to the next. One analyser
// serves one thread at a time; analyses side by side need one each.
class Analyser {
 public:
  // Reports malformed structure to `diagnostics`.
  explicit Analyser(Diagnostics& diagnostics, AnalysisOptions options = {});
  ~Analyser();
  Analyser(const Analyser&) = delete;
  Analyser& operator=(const Analyser&) = delete;

  // Controllability of every port, from the primary inputs.
  void controllability(Circuit& c);
  // Observability of every port, from the primary outputs.
  void observability(Circuit& c);
  // Both directions, then tst and the circuit averages, by the measure of the
  // options (the fixpoint one: see fixpoint.h).
  void bothDirections(Circuit& c);
  // Controllability, then tst and the circuit averages (the optimiser's analysis), by the options' measure.
  void controllabilityFigures(Circuit& c);
  // Where malformed structure is reported.
  Diagnostics& diagnostics() const { return diag; }
  // The fixpoint figures of the circuit last analysed by the fixpoint measure
  // with the default settings, or null when the last analysis was not such a one.
  const OwnPortFigures* defaultFixpointFigures() const;
  // Between beginLayoutBatch and the matching endLayoutBatch (they nest) the
  // caller changes the circuits it analyses only by applying and taking out
  // scan layouts; keepLayoutBase(c), called while `c` has no layout, then lets
  // the analyses of `c` index only what a layout adds.
  void beginLayoutBatch() { ++batchDepth; }
  void endLayoutBatch();
  void keepLayoutBase(Circuit& c);

 private:
  bool incremental(const Circuit& c, bool withDrivers);
  bool itemsConPropag(Circuit& c);
  bool itemsObsPropag(Circuit& c);

  Diagnostics& diag;
  AnalysisOptions options;
  std::unique_ptr<IncrementalSchedule> schedule;
  FixpointAnalyser fixpoint;  // the measure when options.measure is FIXPOINT
  int batchDepth = 0;         // layout batches open
};

// Circuit averages of con, obs and tst over all non-control ports.
void evalCon(Circuit& c);
void evalObs(Circuit& c);
void evalTst(Circuit& c);
// Bits of the ports with con > 0, with obs > 0, and with both.
int controllableBits(const Circuit& c);
int observableBits(const Circuit& c);
int testableBits(const Circuit& c);
