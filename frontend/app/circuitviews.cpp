#include "app/circuitviews.h"

#include <QCoreApplication>
#include <QDir>
#include <QDockWidget>
#include <QFileDialog>
#include <QScreen>
#include <QWidget>

#include <algorithm>

#include "enginelink/checkjob.h"
#include "enginelink/insertjob.h"
#include "enginelink/notation.h"
#include "enginelink/platform.h"
#include "models/appstate.h"
#include "views/checkspanel.h"
#include "views/comparisonview.h"
#include "views/graphschema.h"
#include "views/optimiserpanel.h"
#include "views/runstatusline.h"
#include "views/scanlayouteditor.h"

namespace {

// Makes `window` a top-level window of its own that is deleted when closed.
template <class Window>
Window* ownWindow(Window* window) {
  window->setWindowFlag(Qt::Window);
  window->setAttribute(Qt::WA_DeleteOnClose);
  return window;
}

// A save dialog for Verilog files.
QString saveVerilogDialog(QWidget* parent, const QString& offered) {
  return QFileDialog::getSaveFileName(parent, QStringLiteral("Write Verilog with this layout"), offered,
                                      QStringLiteral("Verilog (*.v)"));
}

}  // namespace

CircuitViews::CircuitViews(AppState& state, QWidget* owner)
    : QObject(owner),
      state_(state),
      owner_(owner),
      insertJob_(new InsertJob(this)),
      checkJob_(new CheckJob(this)),
      chooseSaveFile_(saveVerilogDialog) {
  connect(insertJob_, &InsertJob::written, this, &CircuitViews::verilogWritten);
  connect(insertJob_, &InsertJob::failed, this, &CircuitViews::verilogFailed);
  connect(checkJob_, &CheckJob::reported, this, &CircuitViews::checksReported);
  connect(checkJob_, &CheckJob::failed, this, &CircuitViews::checksFailed);
}

GraphSchemaWindow* CircuitViews::schema() const { return schema_; }
ScanLayoutEditor* CircuitViews::editor() const { return editor_; }
ComparisonView* CircuitViews::comparison() const { return comparison_; }
OptimiserPanel* CircuitViews::optimiser() const { return optimiser_; }
ChecksPanel* CircuitViews::checks() const { return checks_; }

QString CircuitViews::enginePath() const {
  const QString path = engineLocator_ ? engineLocator_() : QString();
  return path.isEmpty() ? FindEngine(QCoreApplication::applicationDirPath()) : path;
}

// A new window opens beside the main window (cascaded over the other new
// ones), never over it when the screen has the room.
void CircuitViews::placeBesideOwner(QWidget* window) const {
  const QRect frame = owner_->frameGeometry();
  const QScreen* screen = owner_->screen();
  const QRect room = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1920, 1080);
  int open = 0;
  for (const QWidget* other : std::initializer_list<const QWidget*>{editor_, comparison_, optimiser_, checks_})
    if (other != nullptr && other != window && other->isVisible()) ++open;
  const QSize size = window->size();
  int x = frame.right() + 1 + 8 + 24 * open;
  if (x + size.width() > room.right()) x = std::max(room.left(), room.right() - size.width());
  const int y = std::clamp(frame.top() + 24 * open, room.top(), std::max(room.top(), room.bottom() - size.height()));
  window->move(x, y);
}

void CircuitViews::openSchema(bool raise) {
  if (schema_ == nullptr) {
    if (schemaDock_ != nullptr) {
      // A panel of the main window: the dock makes it a child.
      schema_ = new GraphSchemaWindow(nullptr);
      schemaDock_->setWidget(schema_);
    } else {
      schema_ = ownWindow(new GraphSchemaWindow(owner_));
      placeBesideOwner(schema_);
    }
    connect(schema_, &GraphSchemaWindow::historyLine, this, &CircuitViews::historyLine);
    connect(schema_, &QObject::destroyed, this, &CircuitViews::schemaClosed);
  }
  // The circuit brings its test data paths (NAME.json "propagation").
  if (const CircuitResult* result = state_.circuitResult()) schema_->setCircuit(*result);
  schema_->setWindowTitle(QStringLiteral("Circuit Schema - %1").arg(state_.session().name));
  schema_->show();
  if (schemaDock_ != nullptr && schemaDock_->widget() == schema_) {
    schemaDock_->setWindowTitle(schema_->windowTitle());
    schemaDock_->show();
    if (raise) schemaDock_->raise();
  } else if (raise) {
    schema_->raise();
  }
}

void CircuitViews::openEditor(bool raise) {
  if (editor_ == nullptr) {
    editor_ = ownWindow(new ScanLayoutEditor(owner_));
    placeBesideOwner(editor_);
    connect(editor_, &ScanLayoutEditor::layoutChanged, this, &CircuitViews::editorLayoutChanged);
    connect(editor_, &ScanLayoutEditor::layoutApplied, this, &CircuitViews::layoutApplied);
    connect(editor_, &QObject::destroyed, this, &CircuitViews::editorClosed);
    connect(editor_, &ScanLayoutEditor::verilogRequested, this,
            [this](const QString& notation) { writeVerilog(editor_, editor_->verilogStatus(), notation); });
  }
  const CircuitSession& session = state_.session();
  editor_->setVerilogWritable(CanWriteVerilog(session), NotForThisCircuit(session, QStringLiteral("Writing Verilog")));
  if (const CircuitResult* result = state_.circuitResult()) editor_->setCircuit(*result);
  editor_->setWindowTitle(QStringLiteral("Scan Layout - %1").arg(state_.session().name));
  editor_->show();
  if (raise) editor_->raise();
}

// The editor's layout becomes the session's and is drawn over the schema.
void CircuitViews::editorLayoutChanged(const QString& notation) {
  state_.setCircuitLayout(notation);
  const CircuitResult* result = state_.circuitResult();
  if (schema_ == nullptr || result == nullptr) return;
  QStringList registers;
  for (const RegisterFigures& reg : result->registers) registers << reg.name;
  QString error;
  NamedChains named;
  for (const auto& chain : ParseNotation(notation, registers, &error)) {
    QStringList names;
    for (int r : chain) names << registers.value(r);
    named.push_back(names);
  }
  if (error.isEmpty()) schema_->setScanChains(named);
}

void CircuitViews::openOptimiser() {
  if (optimiser_ == nullptr) {
    optimiser_ = ownWindow(new OptimiserPanel(owner_));
    placeBesideOwner(optimiser_);
    connect(optimiser_, &OptimiserPanel::runRequested, this, &CircuitViews::optimiserRunRequested);
    connect(optimiser_, &OptimiserPanel::stopRequested, this, &CircuitViews::optimiserStopRequested);
    optimiser_->setMessageBoxHandler([this](QWidget* parent, QMessageBox::Icon icon, const QString& caption,
                                            const QString& text, QMessageBox::StandardButtons buttons) {
      return state_.showMessage(parent, icon, caption, text, buttons);
    });
  }
  optimiser_->setCircuitFile(state_.session().file, state_.session().workFolder);
  optimiser_->setWindowTitle(QStringLiteral("Optimiser - %1").arg(state_.session().name));
  optimiser_->show();
  optimiser_->raise();
}

void CircuitViews::showComparison(const CompareResult& comparison) {
  if (comparison_ == nullptr) {
    comparison_ = ownWindow(new ComparisonView(owner_));
    placeBesideOwner(comparison_);
    connect(comparison_, &ComparisonView::layoutChosen, this,
            [this](const QString& layout, const QString&) { emit layoutApplied(layout); });
    connect(comparison_, &ComparisonView::faultsimComparisonRequested, this, &CircuitViews::faultsimComparisonRequested);
    connect(comparison_, &ComparisonView::verilogRequested, this, [this](const QString& layout, const QString&) {
      writeVerilog(comparison_, comparison_->verilogStatus(), layout);
    });
  }
  const CircuitSession& session = state_.session();
  comparison_->setVerilogWritable(CanWriteVerilog(session), NotForThisCircuit(session, QStringLiteral("Writing Verilog")));
  comparison_->setFaultsimAvailable(IsGateLevelDesign(session),
                                    NotForThisCircuit(session, QStringLiteral("Fault simulation")));
  QStringList registers;  // the layouts are shown by register name
  if (const CircuitResult* result = state_.circuitResult())
    for (const RegisterFigures& reg : result->registers) registers << reg.name;
  comparison_->setRegisterNames(registers);
  comparison_->setComparison(comparison);
  comparison_->setWindowTitle(QStringLiteral("Method Comparison - %1").arg(comparison.circuit));
  comparison_->show();
  comparison_->raise();
}

void CircuitViews::openChecks() {
  if (checks_ == nullptr) {
    checks_ = ownWindow(new ChecksPanel(owner_));
    placeBesideOwner(checks_);
    connect(checks_, &ChecksPanel::checksRequested, this, &CircuitViews::runChecks);
    connect(checks_, &ChecksPanel::objectChosen, this,
            [this](const QString& object) { checks_->showLocated(object, showOnSchema(object)); });
  }
  const CircuitSession& session = state_.session();
  checks_->setCheckable(IsGateLevelDesign(session), NotForThisCircuit(session, QStringLiteral("The checks")));
  checks_->setWindowTitle(QStringLiteral("Scan-Readiness Checks - %1").arg(session.name));
  checks_->show();
  checks_->raise();
}

void CircuitViews::runChecks(const QStringList& testModePins) {
  const CircuitSession& session = state_.session();
  if (checkJob_->isRunning() || !IsGateLevelDesign(session)) return;
  QDir().mkpath(session.workFolder);
  if (checks_ != nullptr)
    checks_->status()->showRunning(QStringLiteral("Checking %1...").arg(QDir::toNativeSeparators(session.file)));
  emit historyLine(QStringLiteral("Checking scan readiness: %1").arg(CheckArguments(session, testModePins).join(u' ')));
  checkJob_->start(enginePath(), CheckArguments(session, testModePins), session.workFolder);
}

bool CircuitViews::isChecking() const { return checkJob_->isRunning(); }

void CircuitViews::checksReported(const CheckReport& report) {
  emit historyLine(QStringLiteral("\t-") + report.summary());
  if (checks_ == nullptr) return;
  checks_->setReport(report);
  checks_->status()->showSucceeded(QStringLiteral("%1 finding(s).").arg(report.findings.size()));
}

void CircuitViews::checksFailed(const QString& message) {
  emit historyLine(QStringLiteral("\t-checks failed: ") + message.section(u'\n', 0, 0));
  if (checks_ != nullptr) checks_->status()->showFailed(message);
}

QString CircuitViews::showOnSchema(const QString& object) {
  openSchema();
  return schema_ != nullptr ? schema_->search(object) : QString();
}

void CircuitViews::writeVerilog(QWidget* window, RunStatusLine* status, const QString& notation) {
  const CircuitSession& session = state_.session();
  if (insertJob_->isRunning() || !CanWriteVerilog(session)) return;
  const CircuitResult* result = state_.circuitResult();
  const QString file = chooseSaveFile_(window, SuggestedVerilogFile(session, result ? result->circuit : QString()));
  if (file.isEmpty()) return;
  insertStatus_ = status;
  QDir().mkpath(session.workFolder);
  const QStringList arguments = InsertArguments(session, notation, file);
  emit historyLine(QStringLiteral("Writing Verilog: %1").arg(arguments.join(u' ')));
  if (status != nullptr)
    status->showRunning(QStringLiteral("Writing %1 with layout '%2'...")
                            .arg(QDir::toNativeSeparators(file), notation.isEmpty() ? QStringLiteral("none") : notation));
  insertJob_->start(enginePath(), arguments, session.workFolder, file);
}

bool CircuitViews::isWritingVerilog() const { return insertJob_->isRunning(); }

void CircuitViews::verilogWritten(const ChainDescription& description) {
  emit historyLine(QStringLiteral("\t-") + description.summary());
  if (insertStatus_ != nullptr) insertStatus_->showSucceeded(description.summary() + u'.');
}

void CircuitViews::verilogFailed(const QString& message) {
  emit historyLine(QStringLiteral("\t-writing Verilog failed: ") + message.section(u'\n', 0, 0));
  if (insertStatus_ != nullptr) insertStatus_->showFailed(message);
}

void CircuitViews::showResult(bool optimised) {
  const CircuitResult* result = state_.circuitResult();
  if (result == nullptr) return;
  if (schema_ != nullptr) schema_->setCircuit(*result);
  if (editor_ != nullptr) editor_->setCircuit(*result);
  if (!optimised) return;
  // An optimised layout is shown at once, as for the benchmark, behind the
  // window the user works in (the optimiser's stays in front).
  state_.setCircuitLayout(result->layout);
  openEditor(false);
  openSchema(false);
  if (editor_ != nullptr) editor_->setOptimiserLayout(result->chains);
}

void CircuitViews::closeSchema() {
  if (schema_ != nullptr) schema_->deleteLater();
  if (schemaDock_ != nullptr) schemaDock_->hide();
}

void CircuitViews::closeEditor() {
  if (editor_ != nullptr) editor_->deleteLater();
}

void CircuitViews::closeAll() {
  checkJob_->abandon();  // its report would be the last circuit's
  for (QWidget* window : std::initializer_list<QWidget*>{schema_, editor_, comparison_, optimiser_, checks_}) {
    if (window == nullptr) continue;
    window->disconnect(this);
    window->hide();
    window->deleteLater();
  }
  if (schemaDock_ != nullptr) schemaDock_->hide();
}
