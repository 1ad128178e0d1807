// The windows of a circuit other than the benchmark, views over the
// session's circuit result: the laid-out schema, the scan layout editor,
// the comparison chart, the optimiser panel and the scan-readiness checks.
// The main window opens them from its view boxes and menu; they report back
// through signals and never touch the main window's controls. The engine
// runs the views start themselves (writing the design as Verilog, the
// checks) are run here, beside the main window's, without locking it.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>

#include "enginelink/chaindescription.h"
#include "enginelink/checkreport.h"
#include "enginelink/resultjson.h"

class AppState;
class CheckJob;
class ChecksPanel;
class ComparisonView;
class InsertJob;
class RunStatusLine;
class GraphSchemaWindow;
class OptimiserPanel;
class QDockWidget;
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
  ChecksPanel* checks() const;

  // Where the engine is, asked for each run the views start.
  void setEngineLocator(std::function<QString()> locator) { engineLocator_ = std::move(locator); }
  // Chooses the Verilog file to write (a save dialog by default): given the
  // window asking and the file offered, returns the file or "" to cancel.
  using SaveFileChooser = std::function<QString(QWidget* parent, const QString& offered)>;
  void setSaveFileChooser(SaveFileChooser chooser) { chooseSaveFile_ = std::move(chooser); }

  // Shows the laid-out schema in `dock` (a panel of the main window) instead
  // of a window of its own; null: a window again.
  void setSchemaDock(QDockWidget* dock) { schemaDock_ = dock; }
  // Opens the laid-out schema (created on first use) on the circuit result,
  // brought to the front when `raise`.
  void openSchema(bool raise = true);
  // Opens the scan layout editor (created on first use) on the circuit result,
  // brought to the front when `raise`.
  void openEditor(bool raise = true);
  // Opens the optimiser window (created on first use) on the session's circuit.
  void openOptimiser();
  // Opens the scan-readiness checks (created on first use).
  void openChecks();
  // Runs `tarvex check` on the session's design with `testModePins` held;
  // the checks panel shows how it goes and what it found.
  void runChecks(const QStringList& testModePins);
  // Selects `object` on the schema (opened on the circuit result); returns
  // the node selected, "" when none.
  QString showOnSchema(const QString& object);
  // Asks for a file and writes the session's design with `notation` into it
  // as Verilog (`tarvex insert`); `status` shows how it goes.
  void writeVerilog(QWidget* window, RunStatusLine* status, const QString& notation);
  // True while a design is being written or checked.
  bool isWritingVerilog() const;
  bool isChecking() const;
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
  // The comparison window asks for a comparison with fault simulation.
  void faultsimComparisonRequested();

 private:
  void editorLayoutChanged(const QString& notation);
  void verilogWritten(const ChainDescription& description);
  void verilogFailed(const QString& message);
  void checksReported(const CheckReport& report);
  void checksFailed(const QString& message);
  QString enginePath() const;
  void placeBesideOwner(QWidget* window) const;

  AppState& state_;
  QWidget* owner_;
  QDockWidget* schemaDock_ = nullptr;
  QPointer<GraphSchemaWindow> schema_;
  QPointer<ScanLayoutEditor> editor_;
  QPointer<ComparisonView> comparison_;
  QPointer<OptimiserPanel> optimiser_;
  QPointer<ChecksPanel> checks_;
  InsertJob* insertJob_;
  CheckJob* checkJob_;
  QPointer<RunStatusLine> insertStatus_;
  std::function<QString()> engineLocator_;
  SaveFileChooser chooseSaveFile_;
};
