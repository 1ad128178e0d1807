// Colours of the testability heat map of the schema and the figures of its
// legend. Pure unit, no widgets.
#pragma once

#include <QColor>
#include <QString>
#include <QStringList>

#include "enginelink/resultjson.h"

// The figure a heat map shows.
enum class HeatMeasure { None, Con, Obs, Tst };

// The short name of a measure ("con", "obs", "tst"; "" for none).
QString HeatMeasureName(HeatMeasure measure);
// The measure's value for a port.
double HeatValue(const PortFigures& port, HeatMeasure measure);
// The colour of a value in 0..1: red (0) through amber to green (1);
// values outside are clamped.
QColor HeatColour(double value);

// What the legend shows: the colour scale with its tick labels, and the
// lowest, mean and highest value over the circuit's ports.
struct HeatLegend {
  QString title;            // e.g. "tst of 42 ports"
  std::vector<double> ticks;  // 0, 0.25, 0.5, 0.75, 1
  QStringList tickLabels;   // "0.00" ... "1.00"
  double min = 0.0, mean = 0.0, max = 0.0;
  int ports = 0;
  QString summary;          // "min 0.000  mean 0.412  max 1.000"
};

// The legend of `measure` over the ports of `circuit`.
HeatLegend MakeHeatLegend(const CircuitResult& circuit, HeatMeasure measure);
