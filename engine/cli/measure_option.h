// The --measure option of the modern commands: its names, its default and the
// line that names the measure of a run.
#pragma once

#include <string>

#include "base/measure_kind.h"

struct RunContext;

// The measure of the modern commands when --measure is not given.
inline constexpr MeasureKind kDefaultMeasure = MeasureKind::FIXPOINT;

// The option's name of `m`: "fixpoint" or "classic".
const char* measureName(MeasureKind m);

// Reads the value of --measure into `m`; "" or the usage problem.
std::string readMeasureName(const std::string& text, MeasureKind& m);

// Prints the line naming the measure of a run that uses the fixpoint one (the
// classic one goes unnamed, as it always did).
void announceMeasure(const RunContext& run);
