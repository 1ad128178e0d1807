// The text of a progress bar kept inside the bar: of the formats it is given,
// longest first, the bar shows the first whose text fits, checked again
// whenever the bar is resized, repainted or changes font (so also after a new
// value or range). When none fits, the shortest is elided.
#pragma once

#include <QObject>
#include <QStringList>

class QProgressBar;

class ProgressTextFitter : public QObject {
  Q_OBJECT
 public:
  // Fits the text of `bar` (which owns the fitter) to it from `formats`
  // (QProgressBar formats: %v value, %m maximum, %p percent).
  ProgressTextFitter(QProgressBar* bar, QStringList formats);

  // Chooses the format now.
  void refit();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QProgressBar* bar_;
  QStringList formats_;
};

// The text `bar` shows for `format` at its present value and range (as QProgressBar::text).
QString ExpandProgressFormat(const QString& format, const QProgressBar& bar);
// The width, in pixels, the text of `bar` may take inside it.
int ProgressTextRoom(const QProgressBar& bar);
// Fits the text of `bar` from `formats`, longest first (the bar owns the fitter).
ProgressTextFitter* FitProgressText(QProgressBar* bar, const QStringList& formats);
