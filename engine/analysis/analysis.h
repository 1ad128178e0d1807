// Scheduling of the testability analysis (the analysis itself is made of
// Circuit methods, declared in model.h).
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

enum class AnalysisSchedule { INCREMENTAL, FULL_WALKS };

// Selects the schedule of later analyses (INCREMENTAL by default); returns the previous one.
AnalysisSchedule setAnalysisSchedule(AnalysisSchedule s);
