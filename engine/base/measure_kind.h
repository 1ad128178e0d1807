// The testability measures an analysis can compute.
#pragma once

// The measure whose values the analysis leaves on a circuit's ports.
enum class MeasureKind : unsigned char {
  CLASSIC,   // one pass each way, figures over every port
  FIXPOINT,  // the least fixpoint of the rules, figures over the design's own ports
};
