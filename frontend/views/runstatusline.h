// The line under a view that shows an engine run started from it: a busy
// bar and what is being done while it runs, then what came of it (errors in
// red, the full text in the tooltip). The window stays usable throughout.
#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;

class RunStatusLine : public QWidget {
  Q_OBJECT
 public:
  explicit RunStatusLine(QWidget* parent = nullptr);

  // A run has started: `text` says what it does.
  void showRunning(const QString& text);
  // The run succeeded: `text` says what it gave.
  void showSucceeded(const QString& text);
  // The run failed: `text` says why (only its first lines are shown).
  void showFailed(const QString& text);

  // True between showRunning and the end of the run.
  bool isBusy() const { return busy_; }
  // The text shown.
  QString text() const;
  // True when the last run failed.
  bool hasFailed() const { return failed_; }

 signals:
  // The line went from busy to idle or back.
  void busyChanged(bool busy);

 private:
  void setBusy(bool busy);

  QProgressBar* bar_;
  QLabel* label_;
  bool busy_ = false;
  bool failed_ = false;
};
