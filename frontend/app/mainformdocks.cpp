// The two arrangements of the main window: the classic panel of fixed size
// for the benchmark, and for any other circuit a resizable window whose
// panels (summary, history, schema, testability details) are docked; and
// the View menu that opens every view with a key.
#include <QAction>
#include <QCheckBox>
#include <QDockWidget>
#include <QHBoxLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

#include "app/circuitviews.h"
#include "app/mainform.h"
#include "classic/dftform.h"
#include "classic/schema.h"
#include "classic/tares.h"
#include "views/graphschema.h"
#include "views/portdetailsview.h"
#include "views/scanlayouteditor.h"

namespace {

// A dock of the main window that the user moves or floats but never loses.
QDockWidget* fixedDock(const QString& title, const QString& name, QMainWindow* window) {
  auto* dock = new QDockWidget(title, window);
  dock->setObjectName(name);
  dock->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
  dock->hide();
  return dock;
}

}  // namespace

void TFormMain::buildDocks() {
  setDockNestingEnabled(true);
  SummaryDock = fixedDock(QStringLiteral("Summary"), QStringLiteral("SummaryDock"), this);
  summaryScroll_ = new QScrollArea(SummaryDock);
  summaryScroll_->setWidgetResizable(false);
  summaryScroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  SummaryDock->setWidget(summaryScroll_);
  HistoryDock = fixedDock(QStringLiteral("History"), QStringLiteral("HistoryDock"), this);
  historyBox_ = new QWidget(HistoryDock);
  auto* history = new QVBoxLayout(historyBox_);
  history->setContentsMargins(2, 2, 2, 2);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  history->addLayout(buttons);
  HistoryDock->setWidget(historyBox_);
  SchemaDock = fixedDock(QStringLiteral("Circuit Schema"), QStringLiteral("SchemaDock"), this);
  DetailsDock = fixedDock(QStringLiteral("Testability Details"), QStringLiteral("DetailsDock"), this);
  portDetails_ = new PortDetailsView(DetailsDock);
  portDetails_->clear();
  DetailsDock->setWidget(portDetails_);
  addDockWidget(Qt::LeftDockWidgetArea, SummaryDock);
  addDockWidget(Qt::RightDockWidgetArea, SchemaDock);
  addDockWidget(Qt::RightDockWidgetArea, DetailsDock);
  splitDockWidget(SchemaDock, DetailsDock, Qt::Vertical);
  addDockWidget(Qt::BottomDockWidgetArea, HistoryDock);
}

void TFormMain::buildViewMenu() {
  QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
  SchemaViewAction = view->addAction(QStringLiteral("Circuit &Schema"), this, [this] { showView(kViewSchema); });
  SchemaViewAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_1));
  ScanLayoutViewAction = view->addAction(QStringLiteral("Scan &Layout"), this, [this] { showView(kViewScanLayout); });
  ScanLayoutViewAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_2));
  DetailsViewAction = view->addAction(QStringLiteral("Testability &Details"), this, [this] { showView(kViewDetails); });
  DetailsViewAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_3));
  for (QAction* action : {SchemaViewAction, ScanLayoutViewAction, DetailsViewAction})
    action->setShortcutContext(Qt::ApplicationShortcut);
}

void TFormMain::showView(int view) {
  QCheckBox* box = view == kViewSchema ? SchemaBox : view == kViewScanLayout ? ScanLayoutBox : DetailsBox;
  if (box == nullptr) return;
  if (!box->isChecked()) {
    box->setChecked(true);  // opens it
    return;
  }
  // Already open: to the front.
  QWidget* window = nullptr;
  if (view == kViewSchema) window = docked_ ? static_cast<QWidget*>(SchemaDock) : schemaForm_.data();
  if (view == kViewScanLayout) window = docked_ ? static_cast<QWidget*>(views_->editor()) : dftForm_.data();
  if (view == kViewDetails) window = docked_ ? static_cast<QWidget*>(DetailsDock) : detailsForm_.data();
  if (window == nullptr) return;
  window->show();
  window->raise();
  window->activateWindow();
}

void TFormMain::showPortDetails() {
  if (const CircuitResult* result = state_.circuitResult())
    portDetails_->setCircuit(*result);
  else
    portDetails_->clear();
  DetailsDock->setWindowTitle(QStringLiteral("Testability Details - %1").arg(state_.session().name));
}

void TFormMain::arrangeWindow(bool docked) {
  if (docked == docked_) return;
  docked_ = docked;
  views_->setSchemaDock(docked ? SchemaDock : nullptr);
  if (docked)
    dockPanels();
  else
    undockPanels();
}

// The classic panel goes into the summary dock, the history into its own;
// the window can be resized and opens beside room for the other windows.
void TFormMain::dockPanels() {
  classicSize_ = size();
  historyPlaces_ = {HistoryText->geometry(), SaveHistoryButton->geometry(), ClearHistoryButton->geometry()};
  const double factor = layoutScale_.factor();
  panel_ = takeCentralWidget();
  panel_->setFixedSize(panel_->width(), RunProgress->geometry().bottom() + static_cast<int>(4 * factor));
  summaryScroll_->setWidget(panel_);
  summaryScroll_->setFixedWidth(panel_->width() + 2 * summaryScroll_->frameWidth() +
                                summaryScroll_->verticalScrollBar()->sizeHint().width());
  auto* history = static_cast<QVBoxLayout*>(historyBox_->layout());
  auto* buttons = static_cast<QHBoxLayout*>(history->itemAt(0)->layout());
  buttons->addWidget(SaveHistoryButton);
  buttons->addWidget(ClearHistoryButton);
  history->addWidget(HistoryText, 1);
  for (QWidget* w : std::initializer_list<QWidget*>{HistoryText, SaveHistoryButton, ClearHistoryButton}) w->show();

  setMinimumSize(QSize(640, 480));
  setMaximumSize(QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
  const QScreen* screen = this->screen();
  const QRect room = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1920, 1080);
  // Room to the right for a window of the editor's size.
  const int width = std::clamp(room.width() - 776, 900, 1400);
  const int height = std::clamp(room.height() - 60, 480, 900);
  resize(std::min(width, room.width()), std::min(height, room.height()));
  move(room.topLeft());
  SummaryDock->show();
  HistoryDock->show();
  if (DetailsBox->isChecked()) DetailsDock->show();
  balanceDocks();
  // Once the window has laid the docks out: again, with their real room.
  QTimer::singleShot(0, this, [this] { balanceDocks(); });
}

// The history keeps a strip at the foot; the schema gets most of the right.
void TFormMain::balanceDocks() {
  if (!docked_) return;
  const double factor = layoutScale_.factor();
  resizeDocks({HistoryDock}, {static_cast<int>(150 * factor)}, Qt::Vertical);
  const int right = std::max(200, height() - static_cast<int>(230 * factor));
  resizeDocks({SchemaDock, DetailsDock}, {right * 3 / 5, right * 2 / 5}, Qt::Vertical);
}

// Back to the classic panel of fixed size with the history at its foot.
void TFormMain::undockPanels() {
  for (QDockWidget* dock : {SummaryDock, HistoryDock, SchemaDock, DetailsDock}) dock->hide();
  QWidget* panel = summaryScroll_->takeWidget();
  panel->setMinimumSize(0, 0);
  panel->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  setCentralWidget(panel);
  const std::array<QWidget*, 3> parts = {HistoryText, SaveHistoryButton, ClearHistoryButton};
  for (std::size_t i = 0; i < parts.size(); ++i) {
    parts[i]->setParent(panel);
    parts[i]->setGeometry(historyPlaces_[i]);
    parts[i]->show();
  }
  ClearHistoryButton->raise();
  SaveHistoryButton->raise();
  setMinimumSize(classicSize_);
  setMaximumSize(classicSize_);
  resize(classicSize_);
  placeHistory(panel->height());
}
