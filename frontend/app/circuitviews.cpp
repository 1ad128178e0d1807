#include "app/circuitviews.h"

#include <QWidget>

#include "enginelink/notation.h"
#include "models/appstate.h"
#include "views/comparisonview.h"
#include "views/graphschema.h"
#include "views/optimiserpanel.h"
#include "views/scanlayouteditor.h"

namespace {

// Makes `window` a top-level window of its own that is deleted when closed.
template <class Window>
Window* ownWindow(Window* window) {
  window->setWindowFlag(Qt::Window);
  window->setAttribute(Qt::WA_DeleteOnClose);
  return window;
}

}  // namespace

CircuitViews::CircuitViews(AppState& state, QWidget* owner) : QObject(owner), state_(state), owner_(owner) {}

GraphSchemaWindow* CircuitViews::schema() const { return schema_; }
ScanLayoutEditor* CircuitViews::editor() const { return editor_; }
ComparisonView* CircuitViews::comparison() const { return comparison_; }
OptimiserPanel* CircuitViews::optimiser() const { return optimiser_; }

void CircuitViews::openSchema() {
  if (schema_ == nullptr) {
    schema_ = ownWindow(new GraphSchemaWindow(owner_));
    connect(schema_, &GraphSchemaWindow::historyLine, this, &CircuitViews::historyLine);
    connect(schema_, &QObject::destroyed, this, &CircuitViews::schemaClosed);
  }
  // The circuit brings its test data paths (NAME.json "propagation").
  if (const CircuitResult* result = state_.circuitResult()) schema_->setCircuit(*result);
  schema_->setWindowTitle(QStringLiteral("Circuit Schema - %1").arg(state_.session().name));
  schema_->show();
  schema_->raise();
}

void CircuitViews::openEditor() {
  if (editor_ == nullptr) {
    editor_ = ownWindow(new ScanLayoutEditor(owner_));
    connect(editor_, &ScanLayoutEditor::layoutChanged, this, &CircuitViews::editorLayoutChanged);
    connect(editor_, &ScanLayoutEditor::layoutApplied, this, &CircuitViews::layoutApplied);
    connect(editor_, &QObject::destroyed, this, &CircuitViews::editorClosed);
  }
  if (const CircuitResult* result = state_.circuitResult()) editor_->setCircuit(*result);
  editor_->setWindowTitle(QStringLiteral("Scan Layout - %1").arg(state_.session().name));
  editor_->show();
  editor_->raise();
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
    connect(optimiser_, &OptimiserPanel::runRequested, this, &CircuitViews::optimiserRunRequested);
    connect(optimiser_, &OptimiserPanel::stopRequested, this, &CircuitViews::optimiserStopRequested);
  }
  optimiser_->setCircuitFile(state_.session().file, state_.session().workFolder);
  optimiser_->setWindowTitle(QStringLiteral("Optimiser - %1").arg(state_.session().name));
  optimiser_->show();
  optimiser_->raise();
}

void CircuitViews::showComparison(const CompareResult& comparison) {
  if (comparison_ == nullptr) {
    comparison_ = ownWindow(new ComparisonView(owner_));
    connect(comparison_, &ComparisonView::layoutChosen, this,
            [this](const QString& layout, const QString&) { emit layoutApplied(layout); });
  }
  comparison_->setComparison(comparison);
  comparison_->setWindowTitle(QStringLiteral("Method Comparison - %1").arg(comparison.circuit));
  comparison_->show();
  comparison_->raise();
}

void CircuitViews::showResult(bool optimised) {
  const CircuitResult* result = state_.circuitResult();
  if (result == nullptr) return;
  if (schema_ != nullptr) schema_->setCircuit(*result);
  if (editor_ != nullptr) editor_->setCircuit(*result);
  if (!optimised) return;
  // An optimised layout is shown at once, as for the benchmark.
  state_.setCircuitLayout(result->layout);
  openEditor();
  openSchema();
  if (editor_ != nullptr) editor_->setOptimiserLayout(result->chains);
}

void CircuitViews::closeSchema() {
  if (schema_ != nullptr) schema_->deleteLater();
}

void CircuitViews::closeEditor() {
  if (editor_ != nullptr) editor_->deleteLater();
}

void CircuitViews::closeAll() {
  for (QWidget* window : std::initializer_list<QWidget*>{schema_, editor_, comparison_, optimiser_}) {
    if (window == nullptr) continue;
    window->disconnect(this);
    window->hide();
    window->deleteLater();
  }
}
