#include "views/heatmap.h"

#include <algorithm>

QString HeatMeasureName(HeatMeasure measure) {
  switch (measure) {
    case HeatMeasure::Con: return QStringLiteral("con");
    case HeatMeasure::Obs: return QStringLiteral("obs");
    case HeatMeasure::Tst: return QStringLiteral("tst");
    case HeatMeasure::None: break;
  }
  return {};
}

double HeatValue(const PortFigures& port, HeatMeasure measure) {
  switch (measure) {
    case HeatMeasure::Con: return port.con;
    case HeatMeasure::Obs: return port.obs;
    case HeatMeasure::Tst: return port.tst;
    case HeatMeasure::None: break;
  }
  return 0.0;
}

QColor HeatColour(double value) {
  const double v = std::clamp(value, 0.0, 1.0);
  // Hue from red (0) over amber to green (120), fully saturated.
  return QColor::fromHsvF(static_cast<float>(v / 3.0), 0.85f, 0.95f);
}

HeatLegend MakeHeatLegend(const CircuitResult& circuit, HeatMeasure measure) {
  HeatLegend legend;
  for (int i = 0; i <= 4; ++i) {
    legend.ticks.push_back(i / 4.0);
    legend.tickLabels << QString::number(i / 4.0, 'f', 2);
  }
  double sum = 0.0;
  for (const auto& port : circuit.ports) {
    const double v = HeatValue(port, measure);
    legend.min = legend.ports == 0 ? v : std::min(legend.min, v);
    legend.max = legend.ports == 0 ? v : std::max(legend.max, v);
    sum += v;
    ++legend.ports;
  }
  if (legend.ports > 0) legend.mean = sum / legend.ports;
  legend.title = QStringLiteral("%1 of %2 ports").arg(HeatMeasureName(measure)).arg(legend.ports);
  legend.summary = QStringLiteral("min %1  mean %2  max %3")
                       .arg(legend.min, 0, 'f', 3)
                       .arg(legend.mean, 0, 'f', 3)
                       .arg(legend.max, 0, 'f', 3);
  return legend;
}
