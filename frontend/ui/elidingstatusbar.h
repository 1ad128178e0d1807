// A status bar whose message never runs under its permanent widgets (the
// Stop button) or off the window's edge: it is elided to the room left, and
// the whole message is the bar's tooltip while it does not fit. The message
// itself (currentMessage) stays as it was shown.
#pragma once

#include <QStatusBar>

class ElidingStatusBar : public QStatusBar {
  Q_OBJECT
 public:
  explicit ElidingStatusBar(QWidget* parent = nullptr);

  // The room the message is drawn in, left of the visible permanent widgets.
  QRect messageRoom() const;
  // The message as drawn: elided to the room when it does not fit.
  QString shownMessage() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void updateToolTip();
};
