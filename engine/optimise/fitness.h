// The fitness of a scan layout: what it rewards (objective), the bounds on
// its area and pin overheads, and the measure itself.
#pragma once

class Analyser;
class Circuit;

// Level of the upper-bound attenuation at its break point.
inline constexpr double BPup = 0.95;
// Level of the lower-bound attenuation (kept beside BPup; the solver does not use it).
inline constexpr double BPlow = 0.95;

// What a layout's fitness rewards.
enum class Objective {
  CLASSIC,  // all or nothing: 0 unless every port bit is controllable
  GRADED,   // the controllable share of port bits, in percent, scales the value
};

// Bounds and objective of the fitness.
struct FitnessLimits {
  double maxAreaOverhead = 0.0;  // percent
  double maxPinOverhead = 0.0;   // percent
  Objective objective = Objective::CLASSIC;
};

// The circuit as read, which the overheads of a layout are measured against.
struct FitnessBasis {
  int origArea = 0;
  int origNPins = 0;
  FitnessLimits limits;
};

// Upper-bound attenuation: 1 far below the bound, BPup + (1 - BPup)/e at it, falling above it.
double evalUBatt(double requiredVal, double realVal);

// Fitness of the layout currently applied to `c` (runs the controllability analysis with `analyser`).
double appliedLayoutFitness(Circuit& c, const FitnessBasis& basis, Analyser& analyser);
// Fitness of the layout applied to `c` from its last analysis (either kind).
double analysedLayoutFitness(const Circuit& c, const FitnessBasis& basis);
// The name of an objective ("classic", "graded").
const char* objectiveName(Objective o);

