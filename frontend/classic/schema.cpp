#include "classic/schema.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QSvgRenderer>

#include <algorithm>
#include <cmath>

#include "ui/activation.h"
#include "models/appstate.h"
#include "models/layoutgrid.h"
#include "enginelink/txtreport.h"

namespace {

const QString kPictureResource = QStringLiteral(":/lumeno/schema/diffeq.svg");

// Where the window opens, and returns to when activated; kept for the run.
QPoint& remembered() {
  static QPoint position(263, 0);
  return position;
}

const QString kLayoutWarning = QStringLiteral(
    "To display test propagation path(s) of selected element (according to selected scan layout) "
    "properly,\nit is necessary to run the testability analysis of this scan layout first.\n"
    "Otherwise, displayed paths will correspond not to actually selected scan layout (see the Scan "
    "layout selection window),\nbut to previously selected one (see the Schema window).\n");

const QString kNoLoops = QStringLiteral(
    "According to selected scan layout, there are no uncontrollable loops in the circuit.");

void drawPolyline(QPainter& p, const std::vector<QPoint>& points) {
  if (points.size() >= 2) p.drawPolyline(points.data(), static_cast<int>(points.size()));
}

}  // namespace

QString RunAnalysisFirstMessage() {
  return QStringLiteral(
      "To validate selected scan layout (see the Scan layout window) and to display test "
      "propagation path(s) of selected element,\nit is necessary to run the testability analysis "
      "first.");
}

// ---------------------------------------------------------------------------
// TSchemaView

TSchemaView::TSchemaView(QWidget* parent)
    : QWidget(parent),
      picture_(std::make_unique<QSvgRenderer>(kPictureResource)),
      canvas_(kSchemaClientWidth, kSchemaClientHeight, QImage::Format_ARGB32_Premultiplied) {
  setFixedSize(kSchemaClientWidth, kSchemaClientHeight);
  setToolTip(QStringLiteral("Click a function unit (MUL1, MUL2, ADD, SUB, COMP) to follow its test "
                            "data paths"));
  clearCanvas();
}

TSchemaView::~TSchemaView() = default;

void TSchemaView::clearCanvas() {
  canvas_.fill(Qt::transparent);
  update();
}

void TSchemaView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), palette().window());
  // The picture and its overlays are drawn at 96 DPI and stretched with the window.
  p.scale(static_cast<double>(width()) / canvas_.width(), static_cast<double>(height()) / canvas_.height());
  if (picture_->isValid()) picture_->render(&p, QRectF(kPictureOrigin, QSizeF(kPictureSize)));
  p.drawImage(0, 0, canvas_);
}

void TSchemaView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const QPointF at = event->position();
  emit clicked(QPointF(at.x() * canvas_.width() / std::max(1, width()), at.y() * canvas_.height() / std::max(1, height()))
                   .toPoint());
}

// ---------------------------------------------------------------------------
// TFormSchema

TFormSchema::TFormSchema(AppState& state, QWidget* parent)
    : QWidget(parent, Qt::Window),
      state_(state),
      browser_(state.workFile(QStringLiteral("diffeq.pro"))),
      reportFile_(state.workFile(QStringLiteral("diffeq.txt"))) {
  setWindowTitle(QStringLiteral("Circuit Schema"));
  setAttribute(Qt::WA_DeleteOnClose, false);

  Schema = new TSchemaView(this);
  Schema->move(0, 0);
  connect(Schema, &TSchemaView::clicked, this, [this](QPoint p) { pictureClicked(p); });

  // The browser sits in the empty strip right of the comparator, clear of the
  // wires and of the scan chains drawn over the picture.
  PathsGroup = new QGroupBox(this);
  PathsGroup->setAccessibleName(QStringLiteral("Test Data Propagation Paths"));
  PathsGroup->setGeometry(706, 56, 64, 106);
  PathsGroup->setToolTip(QStringLiteral("Follow the test data of the selected unit step by step"));
  auto* caption = new QLabel(QStringLiteral("Test Data Propagation Paths"), PathsGroup);
  QFont small = caption->font();
  small.setPointSizeF(std::max(6.5, small.pointSizeF() - 1.5));
  caption->setFont(small);
  caption->setWordWrap(true);
  caption->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  caption->setGeometry(2, 3, 60, 44);
  auto addButton = [this](const QString& text, int x, int y, const QString& hint) {
    auto* b = new QPushButton(text, PathsGroup);
    b->setGeometry(x, y, 28, 24);
    b->setToolTip(hint);
    return b;
  };
  RestartButton = addButton(QStringLiteral("|<"), 3, 50, QStringLiteral("Back to the first step"));
  NextStepButton = addButton(QStringLiteral(">"), 33, 50, QStringLiteral("Next step"));
  ItemStepsButton = addButton(QStringLiteral("Itm"), 3, 77, QStringLiteral("List the paths of the selected unit"));
  AllStepsButton = addButton(QStringLiteral("All"), 33, 77, QStringLiteral("List the paths of every unit"));
  connect(RestartButton, &QPushButton::clicked, this, [this] { restartClicked(); });
  connect(NextStepButton, &QPushButton::clicked, this, [this] { nextStepClicked(); });
  connect(ItemStepsButton, &QPushButton::clicked, this, [this] { itemStepsClicked(); });
  connect(AllStepsButton, &QPushButton::clicked, this, [this] { allStepsClicked(); });

  connectBrowser();
  connect(&state_, &AppState::helpModeChanged, this, [this](bool on) { helpModeChanged(on); });
  connect(&state_, &AppState::resultsChanged, this, [this] { updateTitle(); });
  helpModeChanged(state_.helpMode());

  setFixedSize(kSchemaClientWidth, kSchemaClientHeight);
  layoutScale_.capture(this);
  fitScreen(ScreenMetricsOf(this));
  move(remembered());
  windowCreated();
}

TFormSchema::~TFormSchema() = default;

void TFormSchema::connectBrowser() {
  browser_.setLineSink([this](const QString& line) { appendHistory(line); });
  browser_.setMarkSink([this](const QString& names, bool obs) { MarkStepPorts(names, obs); });
}

void TFormSchema::setPropagationFile(const QString& fileName) {
  browser_ = PathBrowser(fileName);
  connectBrowser();
}

void TFormSchema::helpModeChanged(bool on) {
  if (on)
    setCursor(Qt::WhatsThisCursor);
  else
    unsetCursor();
  updateTitle();
}

void TFormSchema::updateTitle() {
  QString title = QStringLiteral("Circuit Schema");
  // Chains drawn that the last run did not analyse are named as such.
  if (state_.actionRun() && shownLayout_ != state_.results().scanLayout)
    title += QStringLiteral(" - layout %1 not analysed yet: paths and loops are those of the last run (%2)")
                 .arg(shownLayout_.isEmpty() ? QStringLiteral("none") : shownLayout_,
                      state_.results().scanLayout.isEmpty() ? QStringLiteral("no scan") : state_.results().scanLayout);
  if (state_.helpMode()) title += QStringLiteral(" - HELP MODE: click an item for its help page");
  setWindowTitle(title);
}

void TFormSchema::RunStarted() { NextStepButton->setEnabled(true); }

void TFormSchema::setReportFile(const QString& fileName) { reportFile_ = fileName; }

QPoint TFormSchema::rememberedPosition() { return remembered(); }

void TFormSchema::windowCreated() {
  RestartButton->setEnabled(false);
  NextStepButton->setEnabled(false);
  ItemStepsButton->setEnabled(false);
  AllStepsButton->setEnabled(true);
}

void TFormSchema::windowActivated() {
  if (pos() != remembered()) move(remembered());
  if (layoutWindowOpen_) {
    emit layoutRedrawRequested();
  } else {
    const QString notation = state_.layoutNotation();
    if (notation.isEmpty()) return;
    ShowLayout(notation);
  }
  if (loopsWanted()) DrawFeedbackLoops();
}

void TFormSchema::windowDeactivated() {
  if (isVisible()) remembered() = pos();
}

void TFormSchema::windowClosing() {
  if (closing_) return;
  closing_ = true;
  browser_.discard();
  emit closed();
}

void TFormSchema::changeEvent(QEvent* event) {
  DispatchActivationChange(this, event);
  QWidget::changeEvent(event);
}

void TFormSchema::closeEvent(QCloseEvent* event) {
  windowClosing();
  event->accept();
}

bool TFormSchema::loopsWanted() const { return state_.showLoops(); }

void TFormSchema::appendHistory(const QString& line) { emit historyLine(line); }

void TFormSchema::setBrowserEnabled(bool enabled) {
  PathsGroup->setEnabled(true);
  RestartButton->setEnabled(enabled);
  NextStepButton->setEnabled(enabled);
  ItemStepsButton->setEnabled(enabled);
}

void TFormSchema::RefreshCanvas() { Schema->clearCanvas(); }

// The chains of the notation over the bare picture: the canvas is refreshed,
// then every group (chain) gets, in its colour, a line from the left
// scan-input column to the first register, the connecting paths between
// consecutive registers, and a line from the last register to the right
// scan-output column; each wire end is recorded.
void TFormSchema::ShowLayout(const QString& notation) {
  RefreshCanvas();
  DrawChains(notation);
  shownLayout_ = notation;
  updateTitle();
}

const QImage& TFormSchema::canvas() const { return Schema->canvas(); }

QImage TFormSchema::renderClient() { return grab().toImage(); }

void TFormSchema::drawSelectionFrame() {
  const auto region = FunctionUnitRegion(selectedUnit_);
  if (!region) return;
  const QRect frame = SelectionFrame(*region);
  QPainter p(&Schema->canvas());
  p.setPen(QPen(QColor(255, 0, 0), 3));
  const QPoint corners[] = {frame.topLeft(), QPoint(frame.right(), frame.top()), frame.bottomRight(),
                            QPoint(frame.left(), frame.bottom()), frame.topLeft()};
  p.drawPolyline(corners, 5);
  Schema->update();
}

void TFormSchema::pictureClicked(QPoint clientPosition) {
  const QPoint outer = clientPosition + kFrameOffset;
  browser_.resetStepNumber();
  selectionMarked_ = false;
  RefreshCanvas();
  ShowLayout(state_.results().scanLayout);

  if (state_.helpMode()) {
    if (const auto kind = HitHelpRegion(outer)) emit helpRequested(HelpFileOf(*kind));
    return;
  }

  const QString unit = HitFunctionUnit(outer);
  if (!unit.isEmpty()) {
    selectionMarked_ = true;
    selectedUnit_ = unit;
    drawSelectionFrame();
  }

  if (!state_.actionRun()) {
    state_.showMessage(this, QMessageBox::NoIcon, QStringLiteral("Lumeno"), RunAnalysisFirstMessage());
    ShowLayout(state_.results().scanLayout);
    state_.setShowLoops(false);
    return;
  }

  if (!unit.isEmpty()) setBrowserEnabled(true);
  // A click beside every unit prepares the paths of the unit selected before.
  if (!selectedUnit_.isEmpty()) browser_.prepare(selectedUnit_);
  if (loopsWanted()) DrawFeedbackLoops();
}

void TFormSchema::checkLayoutAgreement() {
  if (state_.layoutNotation() != state_.results().scanLayout) {
    if (!layoutWarned_) {
      state_.showMessage(this, QMessageBox::Warning, QStringLiteral("Lumeno"), kLayoutWarning);
      layoutWarned_ = true;
    }
  } else {
    layoutWarned_ = false;
  }
}

void TFormSchema::restartClicked() {
  NextStepButton->setEnabled(true);
  checkLayoutAgreement();
  // A fresh start: the marks of the earlier steps go, the rest is drawn again.
  RefreshCanvas();
  ShowLayout(state_.results().scanLayout);
  if (selectionMarked_) drawSelectionFrame();
  if (loopsWanted()) DrawFeedbackLoops();
  browser_.restart();
}

void TFormSchema::nextStepClicked() {
  checkLayoutAgreement();
  if (loopsWanted()) DrawFeedbackLoops();
  if (!browser_.paths() && !selectedUnit_.isEmpty()) browser_.prepare(selectedUnit_);
  browser_.step();
  if (browser_.atEnd()) NextStepButton->setEnabled(false);
}

void TFormSchema::itemStepsClicked() {
  if (selectedUnit_.isEmpty()) return;
  browser_.listUnit(selectedUnit_);
  NextStepButton->setEnabled(true);
}

void TFormSchema::allStepsClicked() {
  if (!state_.actionRun()) {
    state_.showMessage(this, QMessageBox::NoIcon, QStringLiteral("Lumeno"), RunAnalysisFirstMessage());
    return;
  }
  browser_.listAll();
  selectedUnit_ = browser_.unit();
  setBrowserEnabled(true);
}

void TFormSchema::DrawChains(const QString& notation) {
  // Only the chains drawn now have wire ends.
  anchors_ = ChainAnchors();
  const ChainDrawing drawing = RouteScanChains(notation, &anchors_);

  QPainter p(&Schema->canvas());
  for (const auto& wire : drawing.wires) {
    const QColor colour = ChainColor(wire.group);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(colour, 2, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    drawPolyline(p, wire.points);
    if (wire.arrow && wire.points.size() >= 2) {
      // A small arrow head where the wire meets the register's scan input.
      const QPointF tip = wire.points.back();
      const QPointF from = wire.points[wire.points.size() - 2];
      const QPointF d = tip - from;
      const double len = std::hypot(d.x(), d.y());
      if (len > 0.0) {
        const QPointF u = d / len;
        const QPointF n(-u.y(), u.x());
        const QPointF base = tip - u * 6.0;
        const QPointF head[] = {tip, base + n * 3.5, base - n * 3.5};
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawPolygon(head, 3);
        p.setBrush(Qt::NoBrush);
      }
    }
  }
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setPen(QPen(Qt::black, 0.8));
  for (const auto& [group, point] : drawing.dots) {
    p.setBrush(ChainColor(group));
    p.drawEllipse(QPointF(point), 2.5, 2.5);
  }
  Schema->update();
}

void TFormSchema::DrawFeedbackLoops(bool announceNone) {
  const FeedbackLoopScan scan = ReadFeedbackLoops(reportFile_);
  if (!scan.opened) return;
  QPainter p(&Schema->canvas());
  QFont bold = font();
  bold.setBold(true);
  p.setFont(bold);
  const QFontMetrics metrics(bold);
  for (FeedbackLoop loop : scan.loops) {
    const LoopDrawing d = FeedbackLoopGeometry(loop);
    const QRect text = metrics.boundingRect(d.name).translated(d.label - metrics.boundingRect(d.name).topLeft());
    p.fillRect(text, palette().window());
    p.setPen(d.colour);
    p.drawText(text, Qt::AlignLeft | Qt::AlignTop, d.name);
    p.setPen(QPen(d.colour, 4, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    for (const auto& line : d.polylines) drawPolyline(p, line);
  }
  p.end();
  Schema->update();
  if (announceNone && scan.noLoops())
    state_.showMessage(this, QMessageBox::Information, QStringLiteral("Info"), kNoLoops);
}

void TFormSchema::MarkStepPorts(const QString& names, bool observation) {
  QPainter p(&Schema->canvas());
  int place = 0;
  for (const QString& name : names.split(u' ', Qt::SkipEmptyParts)) {
    ++place;
    const auto at = SchemaPortPosition(name, anchors_);
    if (!at) continue;
    p.setPen(QPen(StepMarkColour(place, observation), 4, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPoint(at->x(), at->y() - 4), QPoint(at->x(), at->y() + 4));
  }
  p.end();
  Schema->update();
}
