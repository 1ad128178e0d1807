// The session model every window is a view over: the circuit worked on and
// its folder, what its last run gave (the classic figures, NAME.json), the
// scan layout grid, the action-run, help-mode and loop flags, and the
// dialog and clock services the windows use. It includes no window header;
// the main window owns one and hands it to every window it creates, and a
// window learns of changes through the signals.
#pragma once

#include <QDateTime>
#include <QMessageBox>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

#include "enginelink/enginemeasure.h"
#include "enginelink/resultjson.h"
#include "models/circuitsession.h"
#include "models/layoutgrid.h"
#include "enginelink/resultsfile.h"

class QWidget;

// Shows a message box and returns the button chosen. Tests install one that
// records the boxes so that no modal box blocks them.
using MessageBoxHandler = std::function<QMessageBox::StandardButton(
    QWidget* parent, QMessageBox::Icon icon, const QString& caption,
    const QString& text, QMessageBox::StandardButtons buttons)>;

class AppState : public QObject {
  Q_OBJECT
 public:
  // Empty grid, no results, every flag off, modal boxes, the system clock.
  explicit AppState(QObject* parent = nullptr);
  // The same, starting on `start` instead of the current folder's benchmark.
  explicit AppState(CircuitSession start, QObject* parent = nullptr);

  // The circuit worked on: the benchmark of the start folder until a
  // circuit is opened. Every window names its files through it.
  const CircuitSession& session() const { return session_; }
  // True once a circuit was opened (setSession).
  bool sessionOpened() const { return sessionOpened_; }
  // Works on `session` from now on: the figures and structure of the last
  // circuit are dropped; sessionChanged.
  void setSession(const CircuitSession& session);
  // Goes back to `session` after a circuit failed to open, `opened` as it
  // was then; its figures and structure are put back by the caller.
  void restoreSession(const CircuitSession& session, bool opened);
  // The file `fileName` of the session's work folder.
  QString workFile(const QString& fileName) const { return session_.path(fileName); }
  // True when the circuit is not the benchmark (the modern commands are used).
  bool anyCircuit() const { return !session_.benchmark; }
  // The figures and structure of the circuit from its last NAME.json; null
  // before one (and for the benchmark's classic runs).
  const CircuitResult* circuitResult() const { return circuitResult_ ? &*circuitResult_ : nullptr; }
  // Replaces them (nullopt: none); circuitResultChanged.
  void setCircuitResult(std::optional<CircuitResult> result);

  // The scan layout grid.
  const LayoutGrid& layout() const { return layout_; }
  // Replaces the grid; layoutChanged when it differs.
  void setLayout(const LayoutGrid& grid);
  // Empties the grid.
  void clearLayout();
  // LayoutGrid::place on the shared grid.
  void placeRegister(const QString& chainText, const QString& orderingText, int reg);
  // LayoutGrid::set on the shared grid.
  void setLayoutCell(int chain, int position, int reg);
  // LayoutGrid::load on the shared grid.
  void loadNotation(const QString& notation);
  // The notation of the grid; empty when no register is placed.
  QString layoutNotation() const { return layout_.notation(); }

  // The scan layout of a circuit other than the benchmark, in the named
  // form (or classic); empty for none.
  const QString& circuitLayout() const { return circuitLayout_; }
  // Replaces it; layoutChanged when it differs.
  void setCircuitLayout(const QString& notation);

  // The figures of the last results read.
  const LastResults& results() const { return results_; }
  // Replaces the results; resultsChanged.
  void setResults(const LastResults& results);

  // Set at the end of every Run; path display is refused while it is false.
  bool actionRun() const { return actionRun_; }
  void setActionRun(bool run) { actionRun_ = run; }

  // Schema clicks open the help page of the item kind instead of selecting.
  bool helpMode() const { return helpMode_; }
  // Sets help mode; helpModeChanged when it changes.
  void setHelpMode(bool on);

  // The unbroken feedback loops are wanted on the schema.
  bool showLoops() const { return showLoops_; }
  // Sets the wish; showLoopsChanged when it changes.
  void setShowLoops(bool on);

  // The testability measure of the modern engine runs (analyses, optimiser
  // runs, comparisons); the classic runs of the benchmark ignore it.
  EngineMeasure measure() const { return measure_; }
  // Sets the measure; measureChanged when it changes.
  void setMeasure(EngineMeasure measure);
  // `arguments` of an engine run with the measure, when its command takes one.
  QStringList engineArguments(const QStringList& arguments) const { return WithMeasure(arguments, measure_); }

  // Shows a message box through the current handler.
  QMessageBox::StandardButton showMessage(QWidget* parent, QMessageBox::Icon icon, const QString& caption,
                                          const QString& text,
                                          QMessageBox::StandardButtons buttons = QMessageBox::Ok) const;
  // Replaces the message box handler; an empty handler restores the modal boxes.
  void setMessageBoxHandler(MessageBoxHandler handler) { messageHandler_ = std::move(handler); }

  // The current date and time as used in the history.
  QDateTime now() const { return clock_ ? clock_() : QDateTime::currentDateTime(); }
  // Replaces the clock; an empty function restores the system clock.
  void setClock(std::function<QDateTime()> clock) { clock_ = std::move(clock); }

 signals:
  // Another circuit is worked on.
  void sessionChanged();
  // The circuit's NAME.json was read (or dropped).
  void circuitResultChanged();
  // The grid changed.
  void layoutChanged();
  // New results were read.
  void resultsChanged();
  // Help mode was switched.
  void helpModeChanged(bool on);
  // The wish to see the unbroken loops changed.
  void showLoopsChanged(bool on);
  // The measure of the modern engine runs changed.
  void measureChanged(EngineMeasure measure);

 private:
  void changeLayout(const LayoutGrid& grid);

  CircuitSession session_ = StartSession();
  bool sessionOpened_ = false;
  std::optional<CircuitResult> circuitResult_;
  LayoutGrid layout_;
  QString circuitLayout_;
  LastResults results_;
  bool actionRun_ = false;
  bool helpMode_ = false;
  bool showLoops_ = false;
  EngineMeasure measure_ = EngineMeasure::Fixpoint;
  MessageBoxHandler messageHandler_;
  std::function<QDateTime()> clock_;
};
