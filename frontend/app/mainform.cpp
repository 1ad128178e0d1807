#include "app/mainform.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDockWidget>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLocale>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QMenu>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>
#include <QScrollBar>
#include <QSlider>
#include <QStatusBar>
#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>
#include <QTimer>

#include <cmath>
#include <string>

#include "app/aboutform.h"
#include "app/circuitviews.h"
#include "views/comparisonview.h"
#include "classic/dftform.h"
#include "views/graphschema.h"
#include "views/optimiserpanel.h"
#include "ui/elidingstatusbar.h"
#include "views/portdetailsview.h"
#include "views/scanlayouteditor.h"
#include "enginelink/enginerun.h"
#include "app/helpwindow.h"
#include "app/measuremenu.h"
#include "enginelink/notation.h"
#include "enginelink/platform.h"
#include "enginelink/runadvice.h"
#include "classic/schema.h"
#include "classic/tares.h"

namespace {

// The companion windows whose view boxes can be used.
constexpr bool kSchemaWindowAvailable = true;
constexpr bool kDetailsWindowAvailable = true;

const QString kRunningMessage = QStringLiteral("Running... Please wait until the progress bar stops.");
const QString kResultsFile = QStringLiteral("diffeq.par");

// Slider steps, by track bar: area, I/O, test time, population, runs.
constexpr std::array<int, 5> kTrackSteps = {1, 1, 1, 10, 50};

std::size_t at(int i) { return static_cast<std::size_t>(i); }

}  // namespace

QString AnalysisParameters(const QString& notation) {
  if (notation.isEmpty()) return QStringLiteral("diffeq -n 0 -1");
  return QStringLiteral("diffeq -n 0 %1").arg(notation);
}

QString AutoDesignParameters(long areaOverhead, long ioOverhead, long populationSize, bool elitism,
                             long unenhancedRuns) {
  return QString::asprintf("diffeq -n 1 1 %ld %ld %ld %s %ld", areaOverhead, ioOverhead, populationSize,
                           elitism ? "1" : "0", unenhancedRuns);
}

int BarValue(double value, double scale) {
  // A hair above the product keeps figures such as 0.29 from truncating to 28.
  const double product = value * scale;
  if (!std::isfinite(product) || product <= 0.0) return 0;
  if (product >= 100.0) return 100;
  return static_cast<int>(std::trunc(product + 1e-9));
}

QStringList ResultHistoryLines(const LastResults& results, bool autoDesign) {
  QStringList lines;
  lines << QStringLiteral("\t-results:");
  // A named layout (any circuit) is shown as it is.
  const QString layout =
      IsClassicNotation(results.scanLayout) ? RegisterForm(results.scanLayout) : results.scanLayout;
  lines << (results.scanLayout.isEmpty() ? QStringLiteral("\t\t-scanLayout: none")
                                         : QStringLiteral("\t\t-scanLayout: ") + layout);
  lines << QStringLiteral("\t\t-nNodes: ") + results.nodes;
  lines << QStringLiteral("\t\t-areaOver: ") + results.areaOverhead + QStringLiteral(" %");
  lines << QStringLiteral("\t\t-pinOver: ") + results.ioOverhead + QStringLiteral(" %");
  if (autoDesign) lines << QString::asprintf("\t\t-fitness: %f", results.fitnessValue);
  lines << QString::asprintf("\t\t-testability: %f", results.testabilityValue);
  lines << QStringLiteral("\t\t-obsRatio: ") + results.obsRatio + QStringLiteral(" %");
  lines << QStringLiteral("\t\t-conRatio: ") + results.conRatio + QStringLiteral(" %");
  return lines;
}

TFormMain::TFormMain(QWidget* parent)
    : QMainWindow(parent), ownState_(std::make_unique<AppState>()), state_(*ownState_) {
  setUp();
}

TFormMain::TFormMain(AppState& state, QWidget* parent) : QMainWindow(parent), state_(state) { setUp(); }

void TFormMain::setUp() {
  enginePath_ = FindEngine(QCoreApplication::applicationDirPath());
  settings_ = std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("lumeno"),
                                          QStringLiteral("lumeno"));
  workRoot_ = QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)).filePath(QStringLiteral("circuits"));
  buildControls();
  buildMenu();
  buildViewMenu();
  buildDocks();
  connectCircuitViews();
  windowCreated();
}

// The windows of any circuit report to the view boxes, the history and the runs.
void TFormMain::connectCircuitViews() {
  views_ = new CircuitViews(state_, this);
  connect(views_, &CircuitViews::historyLine, this, &TFormMain::AppendHistory);
  connect(views_, &CircuitViews::schemaClosed, this, [this] {
    const QSignalBlocker blocker(SchemaBox);
    SchemaBox->setChecked(false);
    updateViewBoxes();
  });
  connect(views_, &CircuitViews::editorClosed, this, [this] {
    const QSignalBlocker blocker(ScanLayoutBox);
    ScanLayoutBox->setChecked(false);
  });
  connect(views_, &CircuitViews::layoutApplied, this, &TFormMain::applyChosenLayout);
  connect(views_, &CircuitViews::optimiserRunRequested, this, &TFormMain::optimiserRunRequested);
  connect(views_, &CircuitViews::optimiserStopRequested, this, &TFormMain::optimiserStopRequested);
  // Every run of the engine can be stopped from the status bar.
  StopButton = new QPushButton(QStringLiteral("Stop"), this);
  StopButton->setToolTip(QStringLiteral("Stop the engine; the figures of the previous run stay, greyed"));
  StopButton->hide();  // in the status bar while the engine runs only: it would change its height
  connect(StopButton, &QPushButton::clicked, this, &TFormMain::optimiserStopRequested);
  connect(views_, &CircuitViews::faultsimComparisonRequested, this, [this] { compareChosen(true); });
  views_->setEngineLocator([this] { return enginePath_; });
}

TFormMain::~TFormMain() {
  discardCompanions();
  stopEngine();
}

TAboutBox* TFormMain::aboutBox() const { return aboutBox_; }
TDftForm* TFormMain::scanLayoutWindow() const { return dftForm_; }
TFormSchema* TFormMain::schemaWindow() const { return schemaForm_; }
TFormTAres* TFormMain::detailsWindow() const { return detailsForm_; }
THelpWindow* TFormMain::helpWindow() const { return helpWindow_; }
GraphSchemaWindow* TFormMain::graphSchemaWindow() const { return views_->schema(); }
ScanLayoutEditor* TFormMain::layoutEditorWindow() const { return views_->editor(); }
ComparisonView* TFormMain::comparisonWindow() const { return views_->comparison(); }
OptimiserPanel* TFormMain::optimiserWindow() const { return views_->optimiser(); }

void TFormMain::setEnginePath(const QString& path) {
  enginePath_ = path.isEmpty() ? FindEngine(QCoreApplication::applicationDirPath()) : path;
}

void TFormMain::setSaveFileNameProvider(std::function<QString()> provider) {
  saveFileName_ = std::move(provider);
}

void TFormMain::setOpenFileNameProvider(std::function<QString()> provider) { openFileName_ = std::move(provider); }

void TFormMain::setSettingsFile(const QString& fileName) {
  settings_ = std::make_unique<QSettings>(fileName, QSettings::IniFormat);
  fillRecentMenu();
}

void TFormMain::setWorkRoot(const QString& folder) { workRoot_ = folder; }

QSlider* TFormMain::addSlider(QWidget* parent, int index, const QString& caption, int y, int max, int step,
                              int tickInterval, int value, const QString& unit) {
  const int captionLines = static_cast<int>(caption.count(u'\n')) + 1;
  auto* label = new QLabel(caption, parent);
  const int captionWidth = captionLines > 1 ? 246 : 186;
  label->setGeometry(6, y, captionWidth, 13 * captionLines + 1);
  // Long captions shrink their font until every line fits the group.
  QFont captionFont = label->font();
  while (captionFont.pixelSize() > 8 &&
         QFontMetrics(captionFont).boundingRect(QRect(0, 0, 1000, 100), 0, caption).width() > captionWidth) {
    captionFont.setPixelSize(captionFont.pixelSize() - 1);
  }
  label->setFont(captionFont);
  auto* valueLabel = new QLabel(parent);
  valueLabel->setGeometry(196, y + 13 * (captionLines - 1), 32, 14);
  valueLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  auto* unitLabel = new QLabel(unit, parent);
  unitLabel->setGeometry(231, y + 13 * (captionLines - 1), 22, 14);
  auto* slider = new QSlider(Qt::Horizontal, parent);
  slider->setGeometry(4, y + 13 * captionLines + 1, 248, 22);
  slider->setRange(0, max);
  slider->setSingleStep(step);
  slider->setPageStep(step);
  slider->setTickPosition(QSlider::TicksBelow);
  slider->setTickInterval(tickInterval);
  slider->setValue(value);
  TrackBars[at(index)] = slider;
  TrackBarCaptions[at(index)] = label;
  TrackBarValues[at(index)] = valueLabel;
  TrackBarUnits[at(index)] = unitLabel;
  connect(slider, &QSlider::valueChanged, this, [this, index] { trackBarMoved(index); });
  return slider;
}

void TFormMain::buildControls() {
  setWindowTitle(QStringLiteral("Lumeno"));
  QFont f = font();
  f.setPixelSize(11);
  setFont(f);

  auto* central = new QWidget(this);
  setCentralWidget(central);
  panel_ = central;
  central->installEventFilter(this);

  buildActionBox(central);
  buildInfoBox(central);
  buildViewBox(central);
  buildParameterBoxes(central);
  buildHistory(central);
}

// The Action box: the two actions and Run.
void TFormMain::buildActionBox(QWidget* central) {
  // Action
  auto* action = new QGroupBox(QStringLiteral("Action"), central);
  action->setGeometry(3, 1, 258, 58);
  AnalysisRadio = new QRadioButton(QStringLiteral("&Testability Analysis"), action);
  AnalysisRadio->setGeometry(8, 16, 176, 18);
  AnalysisRadio->setToolTip(QStringLiteral("Analyse the testability of diffeq with the scan layout chosen"));
  AutoDesignRadio = new QRadioButton(QStringLiteral("&Scan Layout Auto-Designer"), action);
  AutoDesignRadio->setGeometry(8, 35, 176, 18);
  AutoDesignRadio->setToolTip(QStringLiteral("Let the genetic algorithm design the best scan layout"));
  RunButton = new QPushButton(QStringLiteral("&Run"), action);
  RunButton->setGeometry(190, 19, 60, 30);
  RunButton->setToolTip(QStringLiteral("Perform the selected action"));
  connect(AnalysisRadio, &QRadioButton::clicked, this, [this] { analysisChosen(); });
  connect(AutoDesignRadio, &QRadioButton::clicked, this, [this] { autoDesignChosen(); });
  connect(RunButton, &QPushButton::clicked, this, [this] { runClicked(); });
}

// The Circuit Info box: the figures of the last run.
void TFormMain::buildInfoBox(QWidget* central) {
  // Circuit Info
  auto* info = new QGroupBox(QStringLiteral("Circuit Info"), central);
  info->setObjectName(QStringLiteral("InfoGroup"));
  info->setGeometry(3, 61, 258, 166);
  const std::array<QString, 5> captions = {
      QStringLiteral("Number of nodes:"), QStringLiteral("Contollable nodes (%):"),
      QStringLiteral("Observable nodes (%):"), QStringLiteral("Area overhead (%):"),
      QStringLiteral("I/O overhead (%):")};
  const std::array<QString, 5> hints = {
      QStringLiteral("Number of port bits (nodes) of the circuit"),
      QStringLiteral("Share of the nodes that can be controlled from the primary inputs"),
      QStringLiteral("Share of the nodes that can be observed at the primary outputs"),
      QStringLiteral("Extra area of the scan registers, in percent"),
      QStringLiteral("Extra pins of the scan chains, in percent")};
  std::array<QLabel*, 5> values{};
  for (std::size_t i = 0; i < captions.size(); ++i) {
    const int y = 16 + 16 * static_cast<int>(i);
    auto* caption = new QLabel(captions[i], info);
    caption->setGeometry(8, y, 150, 14);
    caption->setToolTip(hints[i]);
    auto* value = new QLabel(info);
    value->setGeometry(160, y, 90, 14);
    value->setToolTip(hints[i]);
    values[i] = value;
  }
  NodesValue = values[0];
  ConRatioValue = values[1];
  ObsRatioValue = values[2];
  AreaOverValue = values[3];
  IoOverValue = values[4];

  auto* testabilityLabel = new QLabel(QStringLiteral("Testability:"), info);
  testabilityLabel->setGeometry(8, 98, 70, 14);
  TestabilityValue = new QLabel(info);
  TestabilityValue->setGeometry(80, 98, 70, 14);
  auto* legend = new QLabel(QStringLiteral("Bad      Perfect"), info);
  legend->setGeometry(160, 98, 90, 14);
  TestabilityBar = new QProgressBar(info);
  TestabilityBar->setGeometry(8, 113, 242, 12);
  TestabilityBar->setRange(0, 100);
  TestabilityBar->setTextVisible(false);
  for (QWidget* w : std::initializer_list<QWidget*>{testabilityLabel, TestabilityValue, legend, TestabilityBar})
    w->setToolTip(QStringLiteral("Testability of the circuit: 0 (bad) to 1 (perfect)"));

  FitnessLabel = new QLabel(QStringLiteral("Fitness:"), info);
  FitnessLabel->setGeometry(8, 130, 70, 14);
  FitnessValue = new QLabel(info);
  FitnessValue->setGeometry(80, 130, 70, 14);
  FitnessBar = new QProgressBar(info);
  FitnessBar->setGeometry(8, 145, 242, 12);
  FitnessBar->setRange(0, 100);
  FitnessBar->setTextVisible(false);
  for (QWidget* w : std::initializer_list<QWidget*>{FitnessLabel, FitnessValue, FitnessBar})
    w->setToolTip(QStringLiteral("Fitness of the designed scan layout: how well it meets the constraints"));
  TestTimeLabel = new QLabel(QStringLiteral("Test time estimation:"), info);
  TestTimeLabel->setGeometry(8, 130, 120, 14);
  TestTimeLabel->hide();
  TestTimeValue = new QLabel(info);
  TestTimeValue->setGeometry(160, 130, 90, 14);
  TestTimeValue->hide();
}

// The View box: the boxes that open the companion windows.
void TFormMain::buildViewBox(QWidget* central) {
  // View
  auto* view = new QGroupBox(QStringLiteral("View"), central);
  view->setObjectName(QStringLiteral("ViewGroup"));
  view->setGeometry(3, 229, 258, 72);
  SchemaBox = new QCheckBox(QStringLiteral("Circuit Schema"), view);
  SchemaBox->setGeometry(8, 15, 150, 18);
  SchemaBox->setToolTip(QStringLiteral("Show the schema of diffeq"));
  ScanLayoutBox = new QCheckBox(QStringLiteral("Scan Layout Prefs"), view);
  ScanLayoutBox->setGeometry(8, 33, 150, 18);
  ScanLayoutBox->setToolTip(QStringLiteral("Choose the scan layout to analyse"));
  DetailsBox = new QCheckBox(QStringLiteral("Testability Details"), view);
  DetailsBox->setGeometry(8, 51, 150, 18);
  DetailsBox->setToolTip(QStringLiteral("Show the testability of every port"));
  LoopsBox = new QCheckBox(view);
  LoopsBox->setGeometry(166, 33, 18, 18);
  const std::array<QString, 3> loopCaptions = {QStringLiteral("Unbroken"), QStringLiteral("Feedback"),
                                               QStringLiteral("Loops")};
  for (std::size_t i = 0; i < loopCaptions.size(); ++i) {
    auto* label = new QLabel(loopCaptions[i], view);
    label->setGeometry(186, 18 + 16 * static_cast<int>(i), 66, 14);
    label->setToolTip(QStringLiteral("Draw the feedback loops that no scan register breaks"));
    LoopLabels[i] = label;
  }
  LoopsBox->setToolTip(QStringLiteral("Draw the feedback loops that no scan register breaks"));
  connect(SchemaBox, &QCheckBox::toggled, this, [this] { schemaBoxClicked(); });
  connect(DetailsBox, &QCheckBox::toggled, this, [this] { detailsBoxClicked(); });
  connect(ScanLayoutBox, &QCheckBox::toggled, this, [this] { scanLayoutBoxClicked(); });
  // The state learns the wish before the box's handler draws.
  connect(LoopsBox, &QCheckBox::toggled, &state_, &AppState::setShowLoops);
  connect(&state_, &AppState::showLoopsChanged, LoopsBox, &QCheckBox::setChecked);
  connect(LoopsBox, &QCheckBox::toggled, this, [this] { loopsBoxClicked(); });
}

// The Design Constraints and Genetic Algorithm Parameters boxes.
void TFormMain::buildParameterBoxes(QWidget* central) {
  // Design Constraints
  ConstraintsGroup = new QGroupBox(QStringLiteral("Design Constraints"), central);
  ConstraintsGroup->setGeometry(3, 303, 258, 90);
  addSlider(ConstraintsGroup, 0, QStringLiteral("Max Area Overhead:"), 16, 20, 1, 1, 7, QStringLiteral("%"))
      ->setToolTip(QStringLiteral("Largest area the scan registers may add, in percent"));
  addSlider(ConstraintsGroup, 1, QStringLiteral("Max I/O Overhead:"), 52, 100, 1, 10, 13, QStringLiteral("%"))
      ->setToolTip(QStringLiteral("Largest number of pins the scan chains may add, in percent"));
  // The test time limit is kept with its default and never shown.
  auto* testTime = addSlider(ConstraintsGroup, 2, QStringLiteral("Max test time:"), 52, 9999, 1, 1000, 1000,
                             QStringLiteral("clks"));
  for (QWidget* w : std::initializer_list<QWidget*>{testTime, TrackBarCaptions[2], TrackBarValues[2], TrackBarUnits[2]})
    w->hide();

  // Genetic Algorithm Parameters
  GaGroup = new QGroupBox(QStringLiteral("Genetic Algorithm Parameters"), central);
  GaGroup->setGeometry(3, 395, 258, 142);
  ElitismBox = new QCheckBox(QStringLiteral("&Elitism"), GaGroup);
  ElitismBox->setGeometry(8, 15, 120, 18);
  ElitismBox->setToolTip(QStringLiteral("Always keep the best layout of a generation in the next one"));
  addSlider(GaGroup, 3, QStringLiteral("Population Size:"), 36, 100, 10, 10, 20, QString())
      ->setToolTip(QStringLiteral("Number of scan layouts in each generation"));
  addSlider(GaGroup, 4,
            QStringLiteral("Maximum Number of Runs Without Increasing\nof Average Fitness\nin Population"), 72,
            9000, 50, 900, 500, QString())
      ->setToolTip(QStringLiteral("The search stops after this many generations without a better average fitness"));
}

// The progress bar, the history with its buttons, the status bar and the timer.
void TFormMain::buildHistory(QWidget* central) {
  // Progress and history
  RunProgress = new QProgressBar(central);
  RunProgress->setGeometry(3, 540, 258, 14);
  RunProgress->setRange(0, 100);
  RunProgress->setTextVisible(false);
  RunProgress->setToolTip(QStringLiteral("Moves while the engine runs; full when the action is done"));

  HistoryText = new QPlainTextEdit(central);
  HistoryText->setReadOnly(true);
  // Long lines wrap at the window's edge instead of hiding behind its border.
  HistoryText->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  // A line without spaces (the header's rule) breaks anywhere rather than running out of sight.
  HistoryText->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  HistoryText->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  HistoryText->setToolTip(QStringLiteral("History of the actions performed"));
  SaveHistoryButton = new QPushButton(QStringLiteral("Save"), central);
  SaveHistoryButton->setToolTip(QStringLiteral("Save the history to a text file"));
  ClearHistoryButton = new QPushButton(QStringLiteral("Clear"), central);
  ClearHistoryButton->setToolTip(QStringLiteral("Clear the history"));
  connect(ClearHistoryButton, &QPushButton::clicked, this, [this] { clearHistoryClicked(); });
  connect(SaveHistoryButton, &QPushButton::clicked, this, [this] { saveHistoryClicked(); });

  auto* status = new ElidingStatusBar(this);
  status->setSizeGripEnabled(false);
  setStatusBar(status);

  ProgressTimer = new QTimer(this);
  ProgressTimer->setInterval(100);
  connect(ProgressTimer, &QTimer::timeout, this, [this] { progressTick(); });
}

void TFormMain::buildMenu() {
  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  OpenAction = file->addAction(QStringLiteral("&Open..."), this, [this] { openChosen(); });
  OpenAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
  OpenAction->setToolTip(QStringLiteral("Open a circuit description, a Verilog file or a Yosys netlist"));
  RecentMenu = file->addMenu(QStringLiteral("Open &Recent"));
  fillRecentMenu();
  file->addSeparator();
  OptimiserAction = file->addAction(QStringLiteral("O&ptimiser..."), this, [this] { optimiserChosen(); });
  OptimiserAction->setToolTip(QStringLiteral("Optimise the scan layout with any method, budget and seed"));
  CompareAction = file->addAction(QStringLiteral("&Compare Methods"), this, [this] { compareChosen(); });
  CompareAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
  CompareAction->setToolTip(QStringLiteral("Run every optimiser method and chart testability against area"));
  file->addAction(QStringLiteral("Compare Methods with &Fault Simulation"), this, [this] { compareChosen(true); })
      ->setToolTip(QStringLiteral("Compare the methods and the stuck-at coverage of each layout (Verilog designs)"));
  file->addAction(QStringLiteral("Scan-Readiness C&hecks..."), this, [this] { views_->openChecks(); })
      ->setToolTip(QStringLiteral("Which registers can be scanned, and why not (Verilog designs)"));
  AddMeasureMenu(file, state_);

  QMenu* menu = menuBar()->addMenu(QStringLiteral("Main Menu"));
  TutorialAction = menu->addAction(QStringLiteral("Tutorial"), this, [this] { tutorialChosen(); });
  TutorialAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
  HelpModeAction = menu->addAction(QStringLiteral("Help Mode off"), this, [this] { helpModeChosen(); });
  HelpModeAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
  // Help mode is used in the schema window above all: the key works in every window.
  HelpModeAction->setShortcutContext(Qt::ApplicationShortcut);
  AboutAction = menu->addAction(QStringLiteral("About"), this, [this] { aboutChosen(); });
  menu->addSeparator();
  ExitAction = menu->addAction(QStringLiteral("Exit"), this, [this] { exitChosen(); });
  ExitAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
  ExitAction->setShortcutContext(Qt::ApplicationShortcut);

  // Save and Clear sit above the history, so they hide none of its text.
  const int buttonsTop = 556;
  const int memoTop = buttonsTop + 19;
  HistoryText->setGeometry(3, memoTop, 258, 60);
  const int buttonsLeft = 3 + 258 - 2 * 40;
  SaveHistoryButton->setGeometry(buttonsLeft, buttonsTop, 40, 18);
  ClearHistoryButton->setGeometry(buttonsLeft + 40, buttonsTop, 40, 18);
  ClearHistoryButton->raise();
  SaveHistoryButton->raise();
  setFixedSize(kMainWidth, kMainHeight);
  layoutScale_.capture(this);
  fitScreen(ScreenMetricsOf(this));
}

void TFormMain::fitScreen(const ScreenMetrics& screen) {
  layoutScale_.apply(screen);
  HistoryText->setTabStopDistance(14.0 * layoutScale_.factor());
  // Until the window lays out its parts, the client area is what the menu and
  // the status bar are expected to leave.
  placeHistory(height() - menuBar()->sizeHint().height() - statusBar()->sizeHint().height());
}

void TFormMain::placeHistory(int clientHeight) {
  if (docked_) return;  // the history dock lays it out
  // The history fills the client area below Save and Clear.
  const double factor = layoutScale_.factor();
  const int margin = static_cast<int>(std::lround(2 * factor));
  const int smallest = static_cast<int>(std::lround(60 * factor));
  HistoryText->resize(HistoryText->width(), std::max(smallest, clientHeight - HistoryText->y() - margin));
}

bool TFormMain::eventFilter(QObject* watched, QEvent* event) {
  if (watched == panel_ && event->type() == QEvent::Resize) placeHistory(panel_->height());
  return QMainWindow::eventFilter(watched, event);
}

void TFormMain::windowCreated() {
  // An earlier run's results are never taken for a new one.
  QFile::remove(state_.workFile(kResultsFile));

  HistoryText->clear();
  const QDateTime now = state_.now();
  const QLocale locale;
  AppendHistory(QStringLiteral("History (program started %1, %2)")
                    .arg(locale.toString(now.date(), QLocale::ShortFormat),
                         locale.toString(now.time(), QLocale::ShortFormat)));
  AppendHistory(QString(72, u'-'));

  startupFinished_ = true;
  LoopsBox->setEnabled(false);
  for (QLabel* label : LoopLabels) label->setEnabled(false);

  for (QLabel* value : {NodesValue, TestabilityValue, ConRatioValue, ObsRatioValue, AreaOverValue, IoOverValue,
                        TestTimeValue})
    value->setText(QStringLiteral("0"));
  FitnessValue->setText(QStringLiteral("0"));

  AnalysisRadio->setChecked(true);
  analysisChosen();
  state_.clearLayout();
  ProgressTimer->stop();
  RunProgress->setValue(0);
  statusBar()->showMessage(QStringLiteral("Please select an action to be performed."));

  for (int i = 0; i < 5; ++i) trackBarMoved(i);
  updateViewBoxes();
}

void TFormMain::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  windowShown();
}

void TFormMain::paintEvent(QPaintEvent* event) {
  QMainWindow::paintEvent(event);
  windowPainted();
}

void TFormMain::closeEvent(QCloseEvent* event) {
  if (!confirmDiscardHistory()) {
    event->ignore();
    return;
  }
  windowClosing();
  event->accept();
}

bool TFormMain::confirmDiscardHistory() {
  if (!historyUnsaved_) return true;
  const auto choice = state_.showMessage(
      this, QMessageBox::Question, QStringLiteral("Lumeno"),
      QStringLiteral("The history has not been saved. Save it before quitting?"),
      QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
  if (choice == QMessageBox::Discard) return true;
  if (choice != QMessageBox::Save) return false;
  saveHistoryClicked();
  return !historyUnsaved_;  // quits only once the history was written
}

void TFormMain::windowShown() {
  if (!docked_ && pos() != QPoint(0, 0)) move(0, 0);
}

void TFormMain::windowPainted() {
  if (!docked_ && pos() != QPoint(0, 0)) move(0, 0);
}

void TFormMain::windowClosing() {
  discardCompanions();
  stopEngine();
}

void TFormMain::stopEngine() {
  if (engine_ == nullptr) return;
  EngineRun* run = engine_;
  engine_ = nullptr;
  run->disconnect(this);
  run->abandon();
  run->deleteLater();
}

void TFormMain::discardCompanions() {
  views_->closeAll();
  discardScanLayoutWindow();
  delete aboutBox_.data();
  delete helpWindow_.data();
  discardSchemaWindow();
  discardDetailsWindow();
}

void TFormMain::setActionControlsEnabled(bool autoDesign) {
  ConstraintsGroup->setEnabled(autoDesign);
  GaGroup->setEnabled(autoDesign);
  FitnessLabel->setEnabled(autoDesign);
  FitnessValue->setEnabled(autoDesign);
  FitnessBar->setEnabled(autoDesign);
}

void TFormMain::analysisChosen() {
  RunProgress->setValue(0);
  setActionControlsEnabled(false);
}

void TFormMain::autoDesignChosen() {
  RunProgress->setValue(0);
  setActionControlsEnabled(true);
}

void TFormMain::trackBarMoved(int index) {
  QSlider* slider = TrackBars[at(index)];
  const int step = kTrackSteps[at(index)];
  const int position = slider->value();
  const int snapped = position - position % step;
  if (snapped != position) {
    slider->setValue(snapped);  // comes back here with the snapped position
    return;
  }
  TrackBarValues[at(index)]->setText(QString::number(snapped));
}

int TFormMain::trackValue(int index) const {
  const int position = TrackBars[at(index)]->value();
  return position - position % kTrackSteps[at(index)];
}

void TFormMain::areaOverheadChanged() { trackBarMoved(0); }
void TFormMain::ioOverheadChanged() { trackBarMoved(1); }
void TFormMain::testTimeChanged() { trackBarMoved(2); }
void TFormMain::populationSizeChanged() { trackBarMoved(3); }
void TFormMain::patienceChanged() { trackBarMoved(4); }

QString TFormMain::timeText() const {
  return QLocale().toString(state_.now().time(), QLocale::ShortFormat);
}

void TFormMain::AppendHistory(const QString& line) {
  if (startupFinished_) historyUnsaved_ = true;
  HistoryText->appendPlainText(line);
  HistoryText->horizontalScrollBar()->setValue(0);  // lines start at the left edge
}

QStringList TFormMain::HistoryLines() const { return HistoryText->toPlainText().split(u'\n'); }

bool TFormMain::isRunning() const { return runningAction_ != 0; }

void TFormMain::updateViewBoxes() {
  // While an auto-design run locks the window its groups are disabled as a
  // whole; the boxes keep the states set here for when it is unlocked.
  SchemaBox->setEnabled(kSchemaWindowAvailable);
  DetailsBox->setEnabled(kDetailsWindowAvailable);
  ScanLayoutBox->setEnabled(true);
  const bool loops = kSchemaWindowAvailable && SchemaBox->isChecked();
  LoopsBox->setEnabled(loops);
  for (QLabel* label : LoopLabels) label->setEnabled(loops);
}

void TFormMain::lockWindow() {
  for (QObject* child : panel_->children()) {
    auto* w = qobject_cast<QWidget*>(child);
    if (w != nullptr && w != RunProgress) w->setEnabled(false);
  }
}

void TFormMain::unlockWindow() {
  for (QObject* child : panel_->children()) {
    auto* w = qobject_cast<QWidget*>(child);
    if (w != nullptr) w->setEnabled(true);
  }
  RunButton->setEnabled(true);
  AnalysisRadio->setEnabled(true);
  AutoDesignRadio->setEnabled(true);
  setActionControlsEnabled(AutoDesignRadio->isChecked());
  updateViewBoxes();
}

void TFormMain::runClicked() {
  if (isRunning()) {
    statusBar()->showMessage(kRunningMessage);
    return;
  }
  if (enginePath_.isEmpty() || !QFileInfo(enginePath_).isExecutable()) setEnginePath(QString());
  if (enginePath_.isEmpty()) {
    statusBar()->showMessage(QStringLiteral("The engine was not found."));
    state_.showMessage(this, QMessageBox::Critical, QStringLiteral("Error"),
                QStringLiteral("The engine '%1' was found neither next to lumeno (%2) nor on the PATH.\n"
                               "Please install it or put it next to lumeno, then press Run again.")
                    .arg(QString::fromLatin1(kEngineName), QCoreApplication::applicationDirPath()));
    return;
  }

  // The circuit file must still be there and readable: checked before anything is removed.
  const QFileInfo input(state_.session().file);
  const QString problem = DescriptionProblem(input.absolutePath(), input.fileName());
  if (!problem.isEmpty()) {
    statusBar()->showMessage(QStringLiteral("Not run: the circuit description cannot be read."));
    setFiguresCurrent(false);
    state_.showMessage(this, QMessageBox::Critical, QStringLiteral("Error"), problem);
    return;
  }

  if (schemaForm_ != nullptr) schemaForm_->RunStarted();
  LoopsBox->setChecked(false);
  // A result is only ever the one this run writes: every file it replaces
  // goes first, so a failed run leaves none of the previous run's behind.
  removeOldResults();

  const bool autoDesign = AutoDesignRadio->isChecked();
  runningAction_ = autoDesign ? kActionAutoDesign : kActionAnalysis;
  engineEnded_ = false;
  engineFailed_ = false;
  failureReason_.clear();

  if (autoDesign)
    startAutoDesign();
  else
    startAnalysis();
  state_.setActionRun(true);
}

void TFormMain::startAnalysis() {
  AppendHistory(QStringLiteral("Performing testability analysis"));
  AppendHistory(QStringLiteral("\t-start time: ") + timeText());
  RunButton->setEnabled(false);
  AnalysisRadio->setEnabled(false);
  AutoDesignRadio->setEnabled(false);
  ProgressTimer->start();
  statusBar()->showMessage(kRunningMessage);
  startEngine(analysisArguments());
  if (!docked_) DetailsBox->setChecked(false);  // the docked details follow the run
  RunButton->setEnabled(true);
  AnalysisRadio->setEnabled(true);
  AutoDesignRadio->setEnabled(true);
  for (QSlider* slider : TrackBars) slider->setEnabled(true);
  updateViewBoxes();
}

void TFormMain::startAutoDesign() {
  AppendHistory(QStringLiteral("Performing Scan-DFT"));
  AppendHistory(QStringLiteral("\t-start time: ") + timeText());
  lockWindow();
  statusBar()->showMessage(kRunningMessage);
  ProgressTimer->start();
  RunProgress->setValue(0);
  progressUpward_ = true;
  const long area = trackValue(0);
  const long io = trackValue(1);
  const long population = trackValue(3);
  const long runs = trackValue(4);
  const bool elitism = ElitismBox->isChecked();
  AppendHistory(QStringLiteral("\t-run parameters:"));
  AppendHistory(QString::asprintf("\t\tAreaOver: %ld %%", area));
  AppendHistory(QString::asprintf("\t\tPinOver: %ld %%", io));
  AppendHistory(QString::asprintf("\t\tPopulSize: %ld", population));
  AppendHistory(QString::asprintf("\t\tUnenhRuns: %ld", runs));
  AppendHistory(QStringLiteral("\t\tElitism: ") + (elitism ? QStringLiteral("on") : QStringLiteral("off")));
  startEngine(designArguments(area, io, population, elitism, runs));
  if (!docked_) DetailsBox->setChecked(false);
}

QString TFormMain::engineFolder() const {
  const QString& folder = state_.session().workFolder;
  return folder.isEmpty() ? QDir::currentPath() : folder;
}

QStringList TFormMain::analysisArguments() const {
  if (anyCircuit()) return AnalyseArguments(state_.session(), state_.circuitLayout());
  return AnalysisParameters(state_.layoutNotation()).split(u' ', Qt::SkipEmptyParts);
}

QStringList TFormMain::designArguments(long area, long io, long population, bool elitism, long runs) const {
  if (!anyCircuit())
    return AutoDesignParameters(area, io, population, elitism, runs).split(u' ', Qt::SkipEmptyParts);
  OptimiseSettings settings;
  settings.area = area;
  settings.pins = io;
  settings.population = population;
  settings.elitism = elitism;
  settings.patience = runs;
  return OptimiseArguments(state_.session(), settings);
}

void TFormMain::removeOldResults() {
  if (anyCircuit())
    RemoveResultFiles(state_.session().workFolder);
  else
    for (const QString& file : ReplacedResultFiles(QString::fromLatin1(kBenchmarkName)))
      QFile::remove(state_.workFile(file));
}

QString TFormMain::resultsFile() const {
  if (!anyCircuit()) return state_.workFile(kResultsFile);
  const CircuitSession& session = state_.session();
  const QString json = FindResultJson(session.workFolder);
  if (json.isEmpty()) return session.path(session.name + QStringLiteral(".par"));
  return json.left(json.size() - 5) + QStringLiteral(".par");
}

void TFormMain::engineProgress(const QString& line) {
  if (runningAction_ == kActionOptimiser && views_->optimiser() != nullptr) views_->optimiser()->showProgressLine(line);
  const int percent = ProgressPercent(line, runPatience_);
  if (percent < 0) return;
  progressFed_ = true;
  RunProgress->setValue(percent);
}

void TFormMain::startEngine(const QStringList& arguments) {
  stopEngine();
  auto* run = new EngineRun(this);
  engine_ = run;
  progressFed_ = false;
  runPatience_ = anyCircuit() && runningAction_ == kActionAutoDesign ? trackValue(4) : 0;
  connect(run, &EngineRun::progressLine, this, [this](const QString& line) { engineProgress(line); });
  // The end of the run is taken up at once, not at the next tick of the bar.
  connect(run, &EngineRun::finished, this, [this] {
    engineEnded_ = true;
    if (ProgressTimer->isActive()) progressTick();
  });
  connect(run, &EngineRun::failed, this, [this](const QString& reason) {
    engineEnded_ = true;
    engineFailed_ = true;
    failureReason_ = reason;
    if (ProgressTimer->isActive()) progressTick();
  });
  if (anyCircuit()) QDir().mkpath(state_.session().workFolder);
  run->start(enginePath_, state_.engineArguments(arguments), engineFolder());
  statusBar()->addPermanentWidget(StopButton);
  StopButton->show();
}

void TFormMain::progressTick() {
  if (!engineEnded_) {
    if (progressFed_) return;  // the engine's own reports move the bar
    // Still running: the bar bounces between its ends.
    int value = RunProgress->value() + (progressUpward_ ? 1 : -1);
    value = std::clamp(value, 0, 100);
    RunProgress->setValue(value);
    if (value >= 100) progressUpward_ = false;
    if (value <= 0) progressUpward_ = true;
    return;
  }
  if (anyCircuit() && !engineFailed_ && runningAction_ != kActionCompare) {
    loadCircuitResultThenFinish();
    return;
  }
  finishAction();
}

// NAME.json of a large design takes a while to read: it is read by a worker
// while the window goes on answering (still running, so that no other run
// starts), and the action finishes with what it gave.
void TFormMain::loadCircuitResultThenFinish() {
  ProgressTimer->stop();
  statusBar()->removeWidget(StopButton);  // the engine has ended: nothing left to stop
  const QString file = FindResultJson(state_.session().workFolder);
  showFiguresFirst();
  auto* watcher = new QFutureWatcher<ReadResult<CircuitResult>>(this);
  connect(watcher, &QFutureWatcher<ReadResult<CircuitResult>>::finished, this, [this, watcher] {
    watcher->deleteLater();
    loadedResult_ = watcher->future().takeResult();
    finishAction();
  });
  watcher->setFuture(QtConcurrent::run(
      [file] { return ::readCircuitResult(file.isEmpty() ? QStringLiteral("NAME.json") : file); }));
}

void TFormMain::finishFailedAction(int action, const QString& engineErrors) {
  loadedResult_.reset();
  setFiguresCurrent(false);
  RunProgress->setValue(0);
  statusBar()->showMessage(QStringLiteral("Action failed."));
  if (action == kActionOptimiser && views_->optimiser() != nullptr) views_->optimiser()->runFinished(false, failureReason_);
  if (openUndo_)
    finishOpen(false, engineErrors, failureReason_);
  else
    reportFailedRun(engineErrors);
}

void TFormMain::finishAction() {
  ProgressTimer->stop();
  statusBar()->removeWidget(StopButton);
  const int action = runningAction_;
  runningAction_ = 0;
  QString engineErrors;
  if (engine_ != nullptr) {
    engineErrors = engine_->errorText().trimmed();
    stopEngine();
  }
  unlockWindow();

  if (engineFailed_) {
    finishFailedAction(action, engineErrors);
    return;
  }

  RunProgress->setValue(100);
  statusBar()->showMessage(QStringLiteral("Action done."));
  if (action == kActionCompare) {
    showComparison();
    return;
  }
  if (action == kActionOptimiser && views_->optimiser() != nullptr)
    views_->optimiser()->runFinished(true, QStringLiteral("done"));
  if (action == kActionAutoDesign) state_.clearLayout();
  if (anyCircuit() && !readCircuitResult()) {
    // The figures shown first are withdrawn: those of the earlier run come back, greyed.
    showResults();
    setFiguresCurrent(false);
    statusBar()->showMessage(QStringLiteral("Action done. No results were read."));
    finishOpen(false, QString(), QStringLiteral("its results could not be read"));
    return;
  }
  finishOpen(true);
  if (!readResults()) {
    setFiguresCurrent(false);
    statusBar()->showMessage(QStringLiteral("Action done. No results were read."));
    return;
  }
  if (anyCircuit()) {
    // The layout as the engine names it, for any register count.
    LastResults results = state_.results();
    results.scanLayout = state_.circuitResult()->layout;
    state_.setResults(results);
  }
  showResults();
  setFiguresCurrent(true);
  for (const QString& line : ResultHistoryLines(state_.results(), action == kActionAutoDesign)) AppendHistory(line);
  AppendHistory(QStringLiteral("\t-end time: ") + timeText());
  AppendHistory(QString(20, u'-'));

  if (action == kActionAutoDesign && state_.results().fitnessValue < 50.0) {
    state_.showMessage(this, QMessageBox::Information, QStringLiteral("Info"),
                QStringLiteral("Probably, solution does not meet design constraints as desired (fitness value is "
                               "too low).\nIt is possible design constraints are too strict.\nPlease check design "
                               "constraints and start the process again."));
  }

  if (anyCircuit()) {
    showCircuitResult(action);
    return;
  }
  if (action == kActionAutoDesign) showDesignedLayout();
}

// After an auto-design: the scan layout and schema windows show its layout.
void TFormMain::showDesignedLayout() {
  {
    const QSignalBlocker blocker(ScanLayoutBox);
    ScanLayoutBox->setChecked(true);
  }
  openScanLayoutWindow();
  {
    const QSignalBlocker blocker(SchemaBox);
    SchemaBox->setChecked(true);
  }
  updateViewBoxes();
  openSchemaWindow();
  if (dftForm_ != nullptr) dftForm_->loadLastLayout();
}

void TFormMain::reportFailedRun(const QString& engineErrors) {
  if (failureReason_ == RunStoppedReason()) {
    // The user asked for it: said in the history and the status bar, not as an error.
    AppendHistory(QStringLiteral("\t-stopped: the figures shown (greyed) are those of an earlier run"));
    AppendHistory(QStringLiteral("\t-end time: ") + timeText());
    AppendHistory(QString(20, u'-'));
    statusBar()->showMessage(QStringLiteral("Run stopped; the figures shown are those of an earlier run."));
    return;
  }
  AppendHistory(QStringLiteral("\t-failed: ") + failureReason_);
  AppendHistory(QStringLiteral("\t-end time: ") + timeText());
  AppendHistory(QString(20, u'-'));
  const QString name =
      anyCircuit() ? QDir::toNativeSeparators(state_.session().file) : QString::fromLatin1(kBenchmarkName);
  QString text = PlainFailureAdvice(engineErrors, name) +
                 QStringLiteral("\n\nThe action was not completed: %1.\nNo new results are shown; the figures "
                                "shown (greyed) are those of an earlier run.")
                     .arg(failureReason_);
  if (!engineErrors.isEmpty()) {
    QString details = engineErrors;
    if (details.size() > 2000) details = details.left(2000) + QStringLiteral("\n...");
    text += QStringLiteral("\n\nThe engine reported:\n") + details;
  }
  state_.showMessage(this, QMessageBox::Critical, QStringLiteral("Error"), text);
}

bool TFormMain::readResults() {
  const QString fileName = resultsFile();
  for (;;) {
    QFile file(fileName);
    QString problem = QStringLiteral("Can't read from '%1'!").arg(QFileInfo(fileName).fileName());
    if (file.open(QIODevice::ReadOnly)) {
      const QByteArray content = file.readAll();
      if (ResultsComplete(content)) {
        state_.setResults(ParseResults(content));
        return true;
      }
      // Cut short (truncated or still being written): never shown as figures.
      problem = QStringLiteral("The results file '%1' is incomplete (%2 bytes); its figures are not shown.\n"
                               "Retry once the engine has finished writing it, or run the action again.")
                    .arg(QFileInfo(fileName).fileName())
                    .arg(content.size());
    }
    const auto choice = state_.showMessage(this, QMessageBox::Warning, QStringLiteral("Error"), problem,
                                           QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore);
    if (choice != QMessageBox::Retry) return false;
  }
}

void TFormMain::setFiguresCurrent(bool current) {
  figuresCurrent_ = current;
  for (QWidget* figure : std::initializer_list<QWidget*>{NodesValue, TestabilityValue, ConRatioValue, ObsRatioValue,
                                                         AreaOverValue, IoOverValue, FitnessValue, TestabilityBar,
                                                         FitnessBar})
    figure->setEnabled(current);
  // The group's title says why the figures are greyed.
  if (auto* group = qobject_cast<QGroupBox*>(NodesValue->parentWidget())) {
    if (figuresTitle_.isEmpty()) figuresTitle_ = group->title();
    group->setTitle(current ? figuresTitle_ : figuresTitle_ + QStringLiteral(" (earlier run)"));
  }
}

void TFormMain::showResults() { showFigures(state_.results()); }

void TFormMain::showFigures(const LastResults& lastResults) {
  NodesValue->setText(lastResults.nodes);
  TestabilityValue->setText(lastResults.testability);
  TestabilityBar->setValue(BarValue(lastResults.testabilityValue, 100.0));
  ConRatioValue->setText(lastResults.conRatio);
  ObsRatioValue->setText(lastResults.obsRatio);
  IoOverValue->setText(lastResults.ioOverhead);
  AreaOverValue->setText(lastResults.areaOverhead);
  FitnessValue->setText(lastResults.fitness);
  FitnessBar->setValue(BarValue(lastResults.fitnessValue, 1.0));
}

void TFormMain::schemaBoxClicked() {
  updateViewBoxes();
  if (anyCircuit()) {
    if (SchemaBox->isChecked())
      views_->openSchema();
    else
      views_->closeSchema();
    balanceDocks();
    return;
  }
  if (SchemaBox->isChecked())
    openSchemaWindow();
  else
    discardSchemaWindow();
}

void TFormMain::detailsBoxClicked() {
  discardDetailsWindow();
  if (docked_) {
    // Any circuit: the details dock, a sortable view of NAME.json.
    if (DetailsBox->isChecked()) showPortDetails();
    DetailsDock->setVisible(DetailsBox->isChecked());
    if (DetailsBox->isChecked()) DetailsDock->raise();
    balanceDocks();
    return;
  }
  if (!DetailsBox->isChecked()) return;
  auto* window = new TFormTAres(this);
  detailsForm_ = window;
  connect(window, &TFormTAres::closed, this, [this] { DetailsWindowClosed(); });
  window->Fill(resultsFile().chopped(4) + QStringLiteral(".txt"));
  window->show();
  window->raise();
}

void TFormMain::scanLayoutBoxClicked() {
  if (anyCircuit()) {
    if (ScanLayoutBox->isChecked())
      views_->openEditor();
    else
      views_->closeEditor();
    return;
  }
  if (ScanLayoutBox->isChecked())
    openScanLayoutWindow();
  else
    discardScanLayoutWindow();
}

void TFormMain::loopsBoxClicked() {
  if (anyCircuit()) return;  // the laid-out schema lists and highlights its loops itself
  if (schemaForm_ == nullptr) return;
  schemaForm_->ShowLayout(state_.layoutNotation());
  if (LoopsBox->isChecked()) schemaForm_->DrawFeedbackLoops(true);
}

void TFormMain::openScanLayoutWindow() {
  discardScanLayoutWindow();
  auto* window = new TDftForm(state_, this);
  dftForm_ = window;
  connect(window, &TDftForm::closed, this, [this] { ScanLayoutWindowClosed(); });
  connect(window, &TDftForm::drawLayoutRequested, this, [this](const QString& notation) {
    if (schemaForm_ != nullptr) schemaForm_->ShowLayout(notation);
  });
  if (schemaForm_ != nullptr) schemaForm_->setLayoutWindowOpen(true);
  window->show();
  window->raise();
}

void TFormMain::discardScanLayoutWindow() {
  if (dftForm_ == nullptr) return;
  TDftForm* window = dftForm_;
  dftForm_ = nullptr;
  if (schemaForm_ != nullptr) schemaForm_->setLayoutWindowOpen(false);
  window->disconnect(this);
  window->hide();
  window->deleteLater();
}

void TFormMain::ScanLayoutWindowClosed() { ScanLayoutBox->setChecked(false); }

void TFormMain::openSchemaWindow() {
  discardSchemaWindow();
  auto* window = new TFormSchema(state_, this);
  schemaForm_ = window;
  window->setLayoutWindowOpen(dftForm_ != nullptr);
  connect(window, &TFormSchema::closed, this, [this] { SchemaWindowClosed(); });
  connect(window, &TFormSchema::historyLine, this, [this](const QString& line) { AppendHistory(line); });
  connect(window, &TFormSchema::helpRequested, this, [this](const QString& topic) { ShowHelpTopic(topic); });
  connect(window, &TFormSchema::layoutRedrawRequested, this, [this] {
    if (dftForm_ != nullptr) dftForm_->drawLayoutClicked();
  });
  window->show();
  window->raise();
}

void TFormMain::discardSchemaWindow() {
  if (schemaForm_ == nullptr) return;
  TFormSchema* window = schemaForm_;
  schemaForm_ = nullptr;
  window->disconnect(this);
  window->hide();
  window->deleteLater();
}

void TFormMain::SchemaWindowClosed() { SchemaBox->setChecked(false); }

void TFormMain::discardDetailsWindow() {
  if (detailsForm_ == nullptr) return;
  TFormTAres* window = detailsForm_;
  detailsForm_ = nullptr;
  window->disconnect(this);
  window->hide();
  window->deleteLater();
}

void TFormMain::DetailsWindowClosed() { DetailsBox->setChecked(false); }

void TFormMain::clearHistoryClicked() {
  const QStringList lines = HistoryLines();
  historyUnsaved_ = false;  // cleared on purpose: nothing is left to lose
  if (lines.size() <= 2) return;
  HistoryText->setPlainText(lines.mid(0, 2).join(u'\n'));
}

void TFormMain::saveHistoryClicked() {
  // The dialog starts in the user's documents, away from the engine's result files.
  const QString suggested = QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
                                .filePath(QStringLiteral("lumeno-history.txt"));
  const QString file = WithTextSuffix(saveFileName_ ? saveFileName_()
                                                    : QFileDialog::getSaveFileName(
                                                          this, QStringLiteral("Save the history to..."), suggested,
                                                          QStringLiteral("Text files (*.txt);;All files (*)")));
  if (file.isEmpty()) return;
  QSaveFile out(file);
  bool ok = out.open(QIODevice::WriteOnly | QIODevice::Text);
  if (ok) {
    for (const QString& line : HistoryLines()) {
      const QByteArray bytes = line.toLocal8Bit() + '\n';
      if (out.write(bytes) != bytes.size()) ok = false;
    }
    ok = ok && out.commit();
  }
  if (ok) historyUnsaved_ = false;
  if (!ok)
    state_.showMessage(this, QMessageBox::Critical, QStringLiteral("Error"), QStringLiteral("Can't write to '%1'!").arg(file));
}

void TFormMain::tutorialChosen() { ShowHelpTopic(QString::fromLatin1(kHelpTutorial)); }

void TFormMain::ShowHelpTopic(const QString& topic) {
  if (helpWindow_ == nullptr) helpWindow_ = new THelpWindow(this);
  if (!helpWindow_->showTopic(topic)) helpWindow_->showTopic(QString::fromLatin1(kHelpTutorial));
  helpWindow_->show();
  helpWindow_->raise();
  helpWindow_->activateWindow();
}

void TFormMain::helpModeChosen() {
  state_.setHelpMode(!state_.helpMode());
  HelpModeAction->setText(state_.helpMode() ? QStringLiteral("Help Mode on") : QStringLiteral("Help Mode off"));
  statusBar()->showMessage(HelpModeAction->text());
}

void TFormMain::aboutChosen() {
  if (aboutBox_ == nullptr) aboutBox_ = new TAboutBox(enginePath_, engineFolder(), this);
  aboutBox_->show();
  aboutBox_->raise();
  aboutBox_->activateWindow();
}

void TFormMain::exitChosen() { close(); }

void TFormMain::openChosen() {
  const QString file =
      openFileName_ ? openFileName_()
                    : QFileDialog::getOpenFileName(this, QStringLiteral("Open a circuit"), QString(),
                                                   QStringLiteral("Circuits (*.v *.sv *.json *);;Verilog (*.v *.sv);;"
                                                                  "Yosys netlists (*.json);;All files (*)"));
  if (!file.isEmpty()) OpenCircuit(file);
}

QStringList TFormMain::recentFiles() const {
  return settings_->value(QStringLiteral("recentFiles")).toStringList();
}

void TFormMain::rememberRecentFile(const QString& file) {
  settings_->setValue(QStringLiteral("recentFiles"), WithRecentFile(recentFiles(), file));
  settings_->sync();
  fillRecentMenu();
}

void TFormMain::fillRecentMenu() {
  if (RecentMenu == nullptr || settings_ == nullptr) return;
  RecentMenu->clear();
  const QStringList files = recentFiles();
  for (const QString& file : files)
    RecentMenu->addAction(QFileInfo(file).fileName(), this, [this, file] { OpenCircuit(file); })->setToolTip(file);
  RecentMenu->setEnabled(!files.isEmpty());
}

void TFormMain::resetFigures() {
  for (QLabel* value : {NodesValue, TestabilityValue, ConRatioValue, ObsRatioValue, AreaOverValue, IoOverValue})
    value->setText(QStringLiteral("0"));
  FitnessValue->setText(QStringLiteral("0"));
  TestabilityBar->setValue(0);
  FitnessBar->setValue(0);
  RunProgress->setValue(0);
}

bool TFormMain::OpenCircuit(const QString& file) {
  if (isRunning()) {
    statusBar()->showMessage(kRunningMessage);
    return false;
  }
  const QFileInfo info(file);
  if (!info.isFile() || !info.isReadable()) {
    refusedOpen(file, QStringLiteral("Can't read the circuit file '%1'.\nPlease check that it exists and "
                                     "that you may read it, then open it again.")
                          .arg(QDir::toNativeSeparators(file)));
    return false;
  }
  CircuitSession session = SessionFor(file, workRoot_);
  if (!session.benchmark && !QDir().mkpath(session.workFolder)) {
    refusedOpen(file, QStringLiteral("Can't create the folder '%1' for the results of '%2'.")
                          .arg(session.workFolder, session.name));
    return false;
  }

  keepOpenUndo();
  openUndo_->file = session.file;
  // Nothing of the previous circuit stays on show.
  discardCompanions();
  for (QCheckBox* box : {SchemaBox, DetailsBox, ScanLayoutBox, LoopsBox}) {
    const QSignalBlocker blocker(box);
    box->setChecked(false);
  }
  DetailsDock->hide();
  state_.clearLayout();
  state_.setCircuitLayout(QString());
  state_.setResults(LastResults());
  state_.setActionRun(false);
  resetFigures();
  setFiguresCurrent(true);
  state_.setSession(session);
  arrangeWindow(!session.benchmark);
  showPortDetails();
  setWindowTitle(WindowTitleFor(&state_.session()));
  updateViewBoxes();

  if (session.benchmark) {
    finishOpen(true);
    QFile::remove(state_.workFile(kResultsFile));
    statusBar()->showMessage(QStringLiteral("Please select an action to be performed."));
    return true;
  }
  // Any other circuit: a first analysis gives its schema and figures, and
  // decides whether it is opened at all.
  AppendHistory(QStringLiteral("Opening circuit: ") + session.file);
  AnalysisRadio->setChecked(true);
  analysisChosen();
  runClicked();
  if (!isRunning()) finishOpen(false);  // runClicked said why
  return true;
}

// Remembers what is worked on now, to go back to when the opening fails.
void TFormMain::keepOpenUndo() {
  OpenUndo undo;
  undo.session = state_.session();
  undo.opened = state_.sessionOpened();
  if (const CircuitResult* result = state_.circuitResult()) undo.result = *result;
  undo.results = state_.results();
  undo.circuitLayout = state_.circuitLayout();
  undo.grid = state_.layout();
  openUndo_ = std::move(undo);
}

// The first analysis of a circuit being opened ended: it becomes current and
// recent, or lumeno goes back to what it worked on and says why, with the
// engine's own (line-numbered) messages.
void TFormMain::finishOpen(bool opened, const QString& engineErrors, const QString& reason) {
  if (!openUndo_) return;
  OpenUndo undo = std::move(*openUndo_);
  openUndo_.reset();
  if (opened) {
    rememberRecentFile(undo.file);
    AppendHistory(QStringLiteral("Circuit opened: ") + undo.file);
    return;
  }
  views_->closeAll();
  state_.restoreSession(undo.session, undo.opened);
  state_.setCircuitResult(undo.result);
  state_.setResults(undo.results);
  state_.setCircuitLayout(undo.circuitLayout);
  state_.setLayout(undo.grid);
  arrangeWindow(state_.anyCircuit());
  showPortDetails();
  setWindowTitle(WindowTitleFor(state_.sessionOpened() ? &state_.session() : nullptr));
  if (undo.results.nodes.isEmpty())
    resetFigures();
  else
    showResults();
  setFiguresCurrent(true);
  AppendHistory(QStringLiteral("\t-not opened: ") + undo.file);
  AppendHistory(QString(20, u'-'));
  statusBar()->showMessage(QStringLiteral("Not opened: %1").arg(QFileInfo(undo.file).fileName()));
  const QString goesOn = QStringLiteral("Lumeno goes on with '%1' (%2).")
                             .arg(state_.session().name, QDir::toNativeSeparators(state_.session().file));
  if (engineErrors.isEmpty()) {
    // Not the file's fault (the engine did not start, its results were lost), or said already.
    if (!reason.isEmpty())
      state_.showMessage(this, QMessageBox::Critical, QStringLiteral("Error"),
                         QStringLiteral("The circuit file '%1' was not opened: %2.\n\n%3")
                             .arg(QDir::toNativeSeparators(undo.file), reason, goesOn));
    return;
  }
  QString details = engineErrors.trimmed();
  if (details.size() > 2000) details = details.left(2000) + QStringLiteral("\n...");
  state_.showMessage(this, QMessageBox::Critical, QStringLiteral("Error"),
                     QStringLiteral("The circuit file '%1' could not be opened. The engine reported:\n\n%2\n\n"
                                    "Correct the file and open it again. %3")
                         .arg(QDir::toNativeSeparators(undo.file), details, goesOn));
}

// A file that cannot even be given to the engine: said with what lumeno goes on with.
void TFormMain::refusedOpen(const QString& file, const QString& problem) {
  AppendHistory(QStringLiteral("Not opened: ") + file);
  statusBar()->showMessage(QStringLiteral("Not opened: %1").arg(QFileInfo(file).fileName()));
  state_.showMessage(this, QMessageBox::Critical, QStringLiteral("Error"),
                     problem + QStringLiteral("\n\nLumeno goes on with '%1' (%2).")
                                   .arg(state_.session().name, QDir::toNativeSeparators(state_.session().file)));
}

// The figures of the run's .par line, shown while NAME.json is still being
// read; the state takes them only with the rest of the results.
void TFormMain::showFiguresFirst() {
  QFile file(resultsFile());
  if (!file.open(QIODevice::ReadOnly)) return;
  const QByteArray content = file.readAll();
  if (!ResultsComplete(content)) return;
  showFigures(ParseResults(content));
  setFiguresCurrent(true);
}

bool TFormMain::readCircuitResult() {
  ReadResult<CircuitResult> read;
  if (loadedResult_) {
    read = std::move(*loadedResult_);  // read by the worker
    loadedResult_.reset();
  } else {
    const QString file = FindResultJson(state_.session().workFolder);
    read = ::readCircuitResult(file.isEmpty() ? QStringLiteral("NAME.json") : file);
  }
  if (!read) {
    state_.setCircuitResult(std::nullopt);
    state_.showMessage(this, QMessageBox::Warning, QStringLiteral("Error"),
                       QStringLiteral("The results of '%1' could not be read:\n%2")
                           .arg(state_.session().name, read.errors.join(u'\n')));
    return false;
  }
  state_.setCircuitResult(*read.value);
  return true;
}

void TFormMain::showCircuitResult(int action) {
  const bool optimised = action == kActionAutoDesign || action == kActionOptimiser;
  if (optimised) {
    for (QCheckBox* box : {ScanLayoutBox, SchemaBox}) {
      const QSignalBlocker blocker(box);
      box->setChecked(true);
    }
    updateViewBoxes();
  }
  views_->showResult(optimised);
  showPortDetails();
}

void TFormMain::applyChosenLayout(const QString& layout) {
  if (anyCircuit()) {
    state_.setCircuitLayout(layout);
  } else {
    state_.clearLayout();
    state_.loadNotation(layout);
    // The scan layout window shows the layout the next analysis applies.
    if (dftForm_ != nullptr) dftForm_->showAppliedLayout(QStringLiteral("Chosen layout"));
  }
  AnalysisRadio->setChecked(true);
  analysisChosen();
  runClicked();
}

void TFormMain::compareChosen(bool withFaultsim) {
  if (isRunning()) {
    statusBar()->showMessage(kRunningMessage);
    return;
  }
  if (withFaultsim && !IsGateLevelDesign(state_.session())) {
    state_.showMessage(this, QMessageBox::Information, QStringLiteral("Info"),
                       NotForThisCircuit(state_.session(), QStringLiteral("Fault simulation")));
    return;
  }
  if (enginePath_.isEmpty()) setEnginePath(QString());
  // The comparison names its output folder: the start folder's benchmark gets its absolute one.
  CircuitSession session = state_.session();
  if (session.workFolder.isEmpty()) session = SessionFor(QFileInfo(session.file).absoluteFilePath(), workRoot_);
  if (const QString old = FindCompareJson(session.workFolder); !old.isEmpty()) QFile::remove(old);
  runningAction_ = kActionCompare;
  engineEnded_ = false;
  engineFailed_ = false;
  failureReason_.clear();
  AppendHistory(withFaultsim ? QStringLiteral("Comparing the optimiser methods with fault simulation")
                             : QStringLiteral("Comparing the optimiser methods"));
  AppendHistory(QStringLiteral("\t-start time: ") + timeText());
  lockWindow();
  statusBar()->showMessage(kRunningMessage);
  RunProgress->setValue(0);
  progressUpward_ = true;
  ProgressTimer->start();
  startEngine(withFaultsim ? CompareFaultsimArguments(session) : CompareArguments(session));
}

void TFormMain::showComparison() {
  const QString folder = engineFolder();
  const QString file = FindCompareJson(folder);
  const ReadResult<CompareResult> read = readCompareResult(file);
  if (!read) {
    state_.showMessage(this, QMessageBox::Warning, QStringLiteral("Error"),
                       QStringLiteral("The comparison could not be read:\n%1").arg(read.errors.join(u'\n')));
    return;
  }
  for (const CompareRow& row : read.value->rows)
    AppendHistory(QString::asprintf("\t\t-%s: testability %f, area %.3f %%", qPrintable(row.method), row.testability,
                                    row.areaPercent));
  AppendHistory(QStringLiteral("\t-end time: ") + timeText());
  AppendHistory(QString(20, u'-'));
  views_->showComparison(*read.value);
}

void TFormMain::optimiserChosen() {
  if (!anyCircuit()) {
    state_.showMessage(this, QMessageBox::Information, QStringLiteral("Info"),
                       QStringLiteral("The optimiser window works on a circuit opened with File > Open.\n"
                                      "For diffeq, use the Scan Layout Auto-Designer."));
    return;
  }
  views_->openOptimiser();
}

// The optimiser window asks for a run.
void TFormMain::optimiserRunRequested(const QStringList& arguments) {
  if (isRunning()) {
    statusBar()->showMessage(kRunningMessage);
    return;
  }
  removeOldResults();
  runningAction_ = kActionOptimiser;
  engineEnded_ = false;
  engineFailed_ = false;
  failureReason_.clear();
  AppendHistory(QStringLiteral("Performing Scan-DFT"));
  AppendHistory(QStringLiteral("\t-start time: ") + timeText());
  AppendHistory(QStringLiteral("\t-run parameters: ") + arguments.mid(2).join(u' '));
  lockWindow();
  statusBar()->showMessage(kRunningMessage);
  RunProgress->setValue(0);
  ProgressTimer->start();
  startEngine(arguments);
  views_->optimiser()->runStarted();
}

// The optimiser window or the status bar's Stop ends the run going on.
void TFormMain::optimiserStopRequested() {
  // Once the engine has ended well its results are being read: nothing to stop.
  if (!isRunning() || (engineEnded_ && !engineFailed_)) return;
  stopEngine();
  engineEnded_ = true;
  engineFailed_ = true;
  failureReason_ = RunStoppedReason();
}
