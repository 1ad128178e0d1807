// The windows of a circuit other than the benchmark, views over the
// session's circuit result: the laid-out schema, the scan layout editor,
// the comparison chart and the optimiser panel. The main window opens them
// from its view boxes and menu; they report back through signals and never
// touch the main window's controls.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include "enginelink/resultjson.h"

class AppState;
class ComparisonView;
class GraphSchemaWindow;
class OptimiserPanel;
class QWidget;
class ScanLayoutEditor;

class CircuitViews : public QObject {
  Q_OBJECT
 public:
  // Views over `state`; their windows are children of `owner`.
  CircuitViews(AppState& state, QWidget* owner);

  // The windows; null while they are not open.
  GraphSchemaWindow* schema() const;
  ScanLayoutEditor* editor() const;
  ComparisonView* comparison() const;
  OptimiserPanel* optimiser() const;

  // Opens the laid-out schema (created on first use) on the circuit result.
  void openSchema();
  // Opens the scan layout editor (created on first use) on the circuit result.
  void openEditor();
  // Opens the optimiser window (created on first use) on the session's circuit.
  void openOptimiser();
  // Shows `comparison` in the comparison chart (created on first use).
  void showComparison(const CompareResult& comparison);
  // Puts a new circuit result into the open windows; an optimised one also
  // opens the editor and the schema with its layout.
  void showResult(bool optimised);
  // Closes the schema or the editor (a view box was cleared).
  void closeSchema();
  void closeEditor();
  // Closes every window (another circuit is opened).
  void closeAll();

 signals:
  // A line for the history.
  void historyLine(const QString& line);
  // The schema or the editor window went away.
  void schemaClosed();
  void editorClosed();
  // A layout was chosen (editor or comparison) to be analysed.
  void layoutApplied(const QString& notation);
  // The optimiser window asks for a run with `arguments`, or to stop it.
  void optimiserRunRequested(const QStringList& arguments);
  void optimiserStopRequested();

 private:
  void editorLayoutChanged(const QString& notation);

  AppState& state_;
  QWidget* owner_;
  QPointer<GraphSchemaWindow> schema_;
  QPointer<ScanLayoutEditor> editor_;
  QPointer<ComparisonView> comparison_;
  QPointer<OptimiserPanel> optimiser_;
};
