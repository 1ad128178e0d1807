// The scan-readiness findings of `tarvex check`: the pins held in test mode,
// a button to run the checks, the summary, and one row per finding (rule,
// severity, object, source line, what to do). A click on a finding asks for
// its object (a register) to be shown on the schema. The panel runs
// nothing itself: it asks through signals and is told how the run went.
#pragma once

#include <QWidget>

#include "enginelink/checkreport.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class RunStatusLine;

class ChecksPanel : public QWidget {
  Q_OBJECT
 public:
  explicit ChecksPanel(QWidget* parent = nullptr);

  // Shows `report`.
  void setReport(const CheckReport& report);
  const CheckReport& report() const { return report_; }
  // Enables the checks (or disables them, `reason` in the tooltip).
  void setCheckable(bool checkable, const QString& reason = QString());
  // The pins held in test mode, as typed.
  QString testModeText() const;
  void setTestModeText(const QString& text);
  // "Run checks": asks for a run with the typed test-mode pins, or shows
  // why they cannot be taken.
  void runClicked();
  // A click on the finding in `row`: asks to show its object on the schema.
  void findingClicked(int row);
  // Says whether the object of the last finding clicked was found on the
  // schema (`shown`: the node selected, empty when none).
  void showLocated(const QString& object, const QString& shown);

  QTableWidget* table() const { return table_; }
  RunStatusLine* status() const { return status_; }
  QPushButton* runButton() const { return runButton_; }
  QLabel* summaryLabel() const { return summary_; }

 signals:
  // Run the checks with these pins held ("PORT=VALUE").
  void checksRequested(const QStringList& testModePins);
  // Show `object` (the register a finding names) on the schema.
  void objectChosen(const QString& object);

 private:
  void updateRunButton();

  CheckReport report_;
  QLineEdit* testMode_;
  QPushButton* runButton_;
  QLabel* summary_;
  QTableWidget* table_;
  RunStatusLine* status_;
  bool checkable_ = false;
  QString reason_;
};
