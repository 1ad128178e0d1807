// The optimiser run panel for any circuit: method, budgets, GA settings and
// seed, and a progress bar fed by the engine's progress lines. It builds the
// `tarvex optimise` arguments and asks for the run through a signal; whoever
// runs the engine (an EngineRun) passes its progress lines back and reports
// the end.
#pragma once

#include <QStringList>
#include <QWidget>

#include "enginelink/progressreader.h"
#include "models/appstate.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;

class OptimiserPanel : public QWidget {
  Q_OBJECT
 public:
  explicit OptimiserPanel(QWidget* parent = nullptr);

  // The circuit file the run is for and the folder its results go to.
  void setCircuitFile(const QString& file, const QString& outDir);
  // The engine arguments of the settings shown:
  // optimise FILE --method M [--area P --pins P ...] --json --progress --out DIR.
  QStringList arguments() const;

  // Sets the method ("ga", "exact", "loops", "full").
  void setMethod(const QString& method);
  // Sets a fixed seed; a negative value draws one from the clock.
  void setSeed(qint64 seed);
  // The last progress report shown.
  const ProgressReport& lastReport() const { return last_; }
  // The text beside the progress bar.
  QString statusText() const;
  // The progress bar's value and maximum.
  int progressValue() const;
  int progressMaximum() const;
  // True while a run is going on.
  bool running() const { return running_; }
  // The message boxes the panel asks through (the state's, so that tests
  // answer them); empty: modal boxes.
  void setMessageBoxHandler(MessageBoxHandler handler) { ask_ = std::move(handler); }

 public slots:
  // The engine was started.
  void runStarted();
  // A progress line of the running engine (other lines are ignored).
  void showProgressLine(const QString& line);
  // The run ended; `message` says how ("the run was stopped" for a Stop:
  // the previous results stay).
  void runFinished(bool ok, const QString& message);

 signals:
  // "Run" was pressed: start the engine with `arguments`.
  void runRequested(const QStringList& arguments);
  // "Stop" was pressed.
  void stopRequested();

 protected:
  // Closing the panel during a run asks whether to stop it.
  void closeEvent(QCloseEvent* event) override;

 private:
  void updateControls();
  QMessageBox::StandardButton askToStop();

  QString file_, outDir_;
  ProgressReport last_;
  bool running_ = false;
  MessageBoxHandler ask_;

  QComboBox* method_;
  QComboBox* objective_;
  QDoubleSpinBox* area_;
  QDoubleSpinBox* pins_;
  QSpinBox* population_;
  QSpinBox* patience_;
  QCheckBox* elitism_;
  QCheckBox* unordered_;
  QCheckBox* fixedSeed_;
  QSpinBox* seed_;
  QProgressBar* progress_;
  QLabel* status_;
  QPushButton* run_;
  QPushButton* stop_;
};
