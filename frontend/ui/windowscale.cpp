#include "ui/windowscale.h"

#include <algorithm>
#include <cmath>

namespace {

// The DPI used for `screen`: anything unusable counts as the design DPI.
double usableDpi(double dpi) { return std::isfinite(dpi) && dpi > 0.0 ? dpi : kDesignDpi; }

int roundedEdge(int coordinate, double factor) {
  return static_cast<int>(std::lround(static_cast<double>(coordinate) * factor));
}

}  // namespace

double WindowScaleFactor(QSize base, const ScreenMetrics& screen) {
  const double dpi = usableDpi(screen.logicalDpi);
  double factor = dpi / kDesignDpi;
  if (base.isEmpty() || screen.available.isEmpty()) return factor;
  const QSize frame = ScaledSize(kFrameAllowance, factor);
  const double roomWidth = screen.available.width() - frame.width();
  const double roomHeight = screen.available.height() - frame.height();
  factor = std::min({factor, roomWidth / base.width(), roomHeight / base.height()});
  return std::max(factor, kSmallestScale);
}

QSize ScaledSize(QSize size, double factor) {
  if (size.isEmpty()) return size;
  return {std::max(1, roundedEdge(size.width(), factor)), std::max(1, roundedEdge(size.height(), factor))};
}

QRect ScaledRect(QRect rect, double factor) {
  const int left = roundedEdge(rect.x(), factor);
  const int top = roundedEdge(rect.y(), factor);
  const int right = roundedEdge(rect.x() + rect.width(), factor);
  const int bottom = roundedEdge(rect.y() + rect.height(), factor);
  return {left, top, std::max(0, right - left), std::max(0, bottom - top)};
}

int ScaledPixelSize(int pixelSize, double factor) {
  return std::max(1, static_cast<int>(std::lround(pixelSize * factor)));
}

double ScaledPointSize(double pointSize, double factor, double dpi) {
  return pointSize * factor * kDesignDpi / usableDpi(dpi);
}

QSize FittedWindowSize(QSize base, const ScreenMetrics& screen) {
  return ScaledSize(base, WindowScaleFactor(base, screen));
}
