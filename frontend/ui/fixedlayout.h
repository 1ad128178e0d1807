// Scaling of a window whose controls are placed by hand: the 96-DPI design
// (geometry, size limits and fonts of the window and of every placed
// control) is recorded once and can be applied at any factor, again and again.
#pragma once

#include <QFont>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QWidget>

#include <vector>

#include "ui/windowscale.h"

// The resolution and room of the screen `widget` opens on (the primary
// screen when it has none yet).
ScreenMetrics ScreenMetricsOf(const QWidget* widget);

class FixedLayoutScale {
 public:
  // Records `window` as designed: its size and font, and each control placed
  // by hand inside it, in plain containers (widgets, frames, group boxes).
  void capture(QWidget* window);
  // Scales the recorded design for `screen`; returns the factor used.
  double apply(const ScreenMetrics& screen);
  // The factor of the last apply (1 before any).
  double factor() const { return factor_; }
  // The window's size as designed.
  QSize baseSize() const { return base_.geometry.size(); }

 private:
  struct Placed {
    QPointer<QWidget> widget;
    QRect geometry;
    QSize minimum;
    QSize maximum;
    QFont font;
    bool ownFontSize = false;
  };
  static Placed record(QWidget* widget);
  void captureChildren(QWidget* container);
  static void applyTo(const Placed& placed, double factor, double dpi, bool window);

  Placed base_;
  std::vector<Placed> placed_;
  double factor_ = 1.0;
};
