// Sizes of the windows laid out by hand for 96 DPI, on a screen of another
// font resolution or of too little room: one factor scales the whole layout,
// so that captions keep fitting their controls and the window its screen.
#pragma once

#include <QRect>
#include <QSize>

// What a window needs to know of the screen it opens on.
struct ScreenMetrics {
  // Logical (font) resolution, dots per inch; 96 is the resolution the
  // layouts are drawn for.
  double logicalDpi = 96.0;
  // Room the desktop leaves for windows, in device-independent pixels
  // (empty: unknown, nothing is clamped).
  QSize available;
};

// The resolution the fixed layouts are drawn for.
inline constexpr double kDesignDpi = 96.0;
// Room kept for the window frame and title bar at 96 DPI (grows with the DPI).
inline constexpr QSize kFrameAllowance(8, 34);
// The smallest factor a window is shrunk to on a tiny screen.
inline constexpr double kSmallestScale = 0.5;

// The factor a layout drawn as `base` at 96 DPI is scaled by: dpi / 96, made
// smaller when the scaled window and its frame would not fit `screen.available`.
double WindowScaleFactor(QSize base, const ScreenMetrics& screen);

// `size` scaled by `factor`, rounded to whole pixels (at least 1 x 1 when `size` is not empty).
QSize ScaledSize(QSize size, double factor);

// `rect` scaled by `factor`; edges are rounded, so neighbouring rectangles stay neighbours.
QRect ScaledRect(QRect rect, double factor);

// Pixel size of a font given in pixels, once the layout is scaled by `factor`.
int ScaledPixelSize(int pixelSize, double factor);

// Point size of a font given in points: points already grow with the DPI, so
// only what the factor leaves out of dpi / 96 is applied.
double ScaledPointSize(double pointSize, double factor, double dpi);

// The size a window drawn as `base` at 96 DPI opens with on `screen`.
QSize FittedWindowSize(QSize base, const ScreenMetrics& screen);
