#include "ui/elidingstatusbar.h"

#include <QPainter>
#include <QPaintEvent>
#include <QSizeGrip>
#include <QStyleOption>

#include <algorithm>

namespace {

// QStatusBar's own margins around the message.
constexpr int kLeftMargin = 6;
constexpr int kRightMargin = 12;
constexpr int kWidgetGap = 2;

}  // namespace

ElidingStatusBar::ElidingStatusBar(QWidget* parent) : QStatusBar(parent) {
  connect(this, &QStatusBar::messageChanged, this, [this] { updateToolTip(); });
}

QRect ElidingStatusBar::messageRoom() const {
  // While a message shows, the visible widgets of the bar are its permanent ones.
  int right = width() - kRightMargin;
  for (const QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (!child->isVisible() || qobject_cast<const QSizeGrip*>(child) != nullptr) continue;
    right = std::min(right, child->x() - kWidgetGap);
  }
  return QRect(kLeftMargin, 0, std::max(0, right - kLeftMargin), height());
}

QString ElidingStatusBar::shownMessage() const {
  return fontMetrics().elidedText(currentMessage(), Qt::ElideRight, messageRoom().width());
}

void ElidingStatusBar::paintEvent(QPaintEvent* event) {
  const QString message = currentMessage();
  if (message.isEmpty()) {
    QStatusBar::paintEvent(event);
    return;
  }
  // As QStatusBar draws it, with the message elided.
  QPainter painter(this);
  QStyleOption option;
  option.initFrom(this);
  style()->drawPrimitive(QStyle::PE_PanelStatusBar, &option, &painter, this);
  for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (!child->isVisible() || qobject_cast<QSizeGrip*>(child) != nullptr) continue;
    QStyleOption frame(0);
    frame.rect = child->geometry().adjusted(-2, -1, 2, 1);
    frame.palette = palette();
    frame.state = QStyle::State_None;
    if (event->rect().intersects(frame.rect)) style()->drawPrimitive(QStyle::PE_FrameStatusBarItem, &frame, &painter, child);
  }
  painter.setPen(palette().windowText().color());
  painter.drawText(messageRoom(), Qt::AlignLeading | Qt::AlignVCenter | Qt::TextSingleLine, shownMessage());
}

void ElidingStatusBar::resizeEvent(QResizeEvent* event) {
  QStatusBar::resizeEvent(event);
  updateToolTip();
}

void ElidingStatusBar::updateToolTip() {
  const QString message = currentMessage();
  setToolTip(shownMessage() != message ? message : QString());
}
