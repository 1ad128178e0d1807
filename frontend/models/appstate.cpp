#include "models/appstate.h"

AppState::AppState(QObject* parent) : QObject(parent) {}

AppState::AppState(CircuitSession start, QObject* parent) : QObject(parent), session_(std::move(start)) {}

void AppState::setSession(const CircuitSession& session) {
  session_ = session;
  sessionOpened_ = true;
  circuitResult_.reset();
  emit sessionChanged();
}

void AppState::restoreSession(const CircuitSession& session, bool opened) {
  setSession(session);
  sessionOpened_ = opened;
}

void AppState::setCircuitResult(std::optional<CircuitResult> result) {
  circuitResult_ = std::move(result);
  emit circuitResultChanged();
}

void AppState::changeLayout(const LayoutGrid& grid) {
  if (grid == layout_) return;
  layout_ = grid;
  emit layoutChanged();
}

void AppState::setLayout(const LayoutGrid& grid) { changeLayout(grid); }

void AppState::clearLayout() { changeLayout(LayoutGrid()); }

void AppState::placeRegister(const QString& chainText, const QString& orderingText, int reg) {
  LayoutGrid grid = layout_;
  grid.place(chainText, orderingText, reg);
  changeLayout(grid);
}

void AppState::setLayoutCell(int chain, int position, int reg) {
  LayoutGrid grid = layout_;
  grid.set(chain, position, reg);
  changeLayout(grid);
}

void AppState::loadNotation(const QString& notation) {
  LayoutGrid grid = layout_;
  grid.load(notation);
  changeLayout(grid);
}

void AppState::setCircuitLayout(const QString& notation) {
  if (notation == circuitLayout_) return;
  circuitLayout_ = notation;
  emit layoutChanged();
}

void AppState::setResults(const LastResults& results) {
  results_ = results;
  emit resultsChanged();
}

void AppState::setHelpMode(bool on) {
  if (on == helpMode_) return;
  helpMode_ = on;
  emit helpModeChanged(on);
}

void AppState::setShowLoops(bool on) {
  if (on == showLoops_) return;
  showLoops_ = on;
  emit showLoopsChanged(on);
}

void AppState::setMeasure(EngineMeasure measure) {
  if (measure == measure_) return;
  measure_ = measure;
  emit measureChanged(measure);
}

QMessageBox::StandardButton AppState::showMessage(QWidget* parent, QMessageBox::Icon icon, const QString& caption,
                                                  const QString& text, QMessageBox::StandardButtons buttons) const {
  if (messageHandler_) return messageHandler_(parent, icon, caption, text, buttons);
  QMessageBox box(icon, caption, text, buttons, parent);
  return static_cast<QMessageBox::StandardButton>(box.exec());
}
