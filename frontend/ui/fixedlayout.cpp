#include "ui/fixedlayout.h"

#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLayout>
#include <QMainWindow>
#include <QScreen>

namespace {

// Containers whose children are placed by hand; other widgets (scroll areas,
// combo boxes, ...) arrange their own parts.
bool isPlainContainer(const QWidget* widget) {
  const QMetaObject* type = widget->metaObject();
  return type == &QWidget::staticMetaObject || type == &QFrame::staticMetaObject ||
         qobject_cast<const QGroupBox*>(widget) != nullptr;
}

bool managedByLayout(const QWidget* container, QWidget* child) {
  return container->layout() != nullptr && container->layout()->indexOf(child) >= 0;
}

QSize scaledLimit(QSize limit, double factor) {
  auto scaled = [factor](int value) {
    return value >= QWIDGETSIZE_MAX ? QWIDGETSIZE_MAX : ScaledRect(QRect(0, 0, value, 0), factor).width();
  };
  return {scaled(limit.width()), scaled(limit.height())};
}

}  // namespace

ScreenMetrics ScreenMetricsOf(const QWidget* widget) {
  const QScreen* screen = widget != nullptr ? widget->screen() : nullptr;
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return {};
  return {screen->logicalDotsPerInchY(), screen->availableGeometry().size()};
}

FixedLayoutScale::Placed FixedLayoutScale::record(QWidget* widget) {
  Placed placed{widget, widget->geometry(), widget->minimumSize(), widget->maximumSize(), widget->font(), false};
  placed.ownFontSize = widget->testAttribute(Qt::WA_SetFont) && (widget->font().resolveMask() & QFont::SizeResolved);
  return placed;
}

void FixedLayoutScale::capture(QWidget* window) {
  placed_.clear();
  base_ = record(window);
  if (auto* main = qobject_cast<QMainWindow*>(window); main != nullptr && main->centralWidget() != nullptr)
    captureChildren(main->centralWidget());
  else
    captureChildren(window);
}

void FixedLayoutScale::captureChildren(QWidget* container) {
  for (QWidget* child : container->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
    if (child->isWindow()) continue;
    if (!managedByLayout(container, child)) placed_.push_back(record(child));
    if (isPlainContainer(child)) captureChildren(child);
  }
}

void FixedLayoutScale::applyTo(const Placed& placed, double factor, double dpi, bool window) {
  QWidget* widget = placed.widget;
  if (widget == nullptr) return;
  if (window || placed.ownFontSize) {
    QFont font = placed.font;
    if (font.pixelSize() > 0)
      font.setPixelSize(ScaledPixelSize(font.pixelSize(), factor));
    else if (font.pointSizeF() > 0)
      font.setPointSizeF(ScaledPointSize(font.pointSizeF(), factor, dpi));
    widget->setFont(font);
  }
  widget->setMinimumSize(scaledLimit(placed.minimum, factor));
  widget->setMaximumSize(scaledLimit(placed.maximum, factor));
  if (window)
    widget->resize(ScaledSize(placed.geometry.size(), factor));
  else
    widget->setGeometry(ScaledRect(placed.geometry, factor));
}

double FixedLayoutScale::apply(const ScreenMetrics& screen) {
  factor_ = WindowScaleFactor(base_.geometry.size(), screen);
  applyTo(base_, factor_, screen.logicalDpi, true);
  for (const Placed& placed : placed_) applyTo(placed, factor_, screen.logicalDpi, false);
  return factor_;
}
