// The main window "Lumeno": action and parameter selection, engine runs on
// the benchmark diffeq, the summary figures, the run history, help, and the
// view boxes that open the companion windows. For the benchmark it is the
// classic panel of fixed size; for any other circuit a resizable window of
// docked panels (summary, history, schema, testability details).
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>
#include <optional>

#include "models/appstate.h"
#include "models/circuitsession.h"
#include "ui/fixedlayout.h"
#include "enginelink/resultjson.h"

class CircuitViews;
class ComparisonView;
class GraphSchemaWindow;
class OptimiserPanel;
class ScanLayoutEditor;
class QMenu;
class QSettings;
class EngineRun;
class TDftForm;
class TFormSchema;
class TFormTAres;
class THelpWindow;
class QAction;
class QCheckBox;
class QDockWidget;
class QScrollArea;
class PortDetailsView;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSlider;
class QTimer;
class TAboutBox;

// The views of the View menu and their keys (Ctrl+1..3).
enum MainView { kViewSchema = 1, kViewScanLayout = 2, kViewDetails = 3 };

// Size of the main window, in pixels.
inline constexpr int kMainWidth = 264;
inline constexpr int kMainHeight = 745;

// The actions of the main window: the two of its Action box, and for any
// circuit the comparison of every method and a run of the optimiser window.
enum MainAction { kActionAnalysis = 1, kActionAutoDesign = 2, kActionCompare = 3, kActionOptimiser = 4 };

// Engine parameter string of a testability analysis with `notation`
// ("-1" is passed when it is empty).
QString AnalysisParameters(const QString& notation);

// Engine parameter string of an auto-design (ordered scan) run.
QString AutoDesignParameters(long areaOverhead, long ioOverhead, long populationSize, bool elitism,
                             long unenhancedRuns);

// Value of a 0..100 quality bar: `value` x `scale`, truncated toward zero,
// kept within the bar.
int BarValue(double value, double scale);

// The history lines of a results record, "\t-results:" to the "-conRatio:" line.
QStringList ResultHistoryLines(const LastResults& results, bool autoDesign);

class TFormMain : public QMainWindow {
  Q_OBJECT
 public:
  // Creates the window (windowCreated) with a state of its own, on the
  // benchmark of the current folder: deletes its "diffeq.par".
  explicit TFormMain(QWidget* parent = nullptr);
  // The same on a state given by the caller, which outlives the window (and
  // names the folder worked in through its session).
  explicit TFormMain(AppState& state, QWidget* parent = nullptr);
  ~TFormMain() override;

  // Uses `path` as the engine executable (empty: look it up again).
  void setEnginePath(const QString& path);
  // The engine executable used by Run; empty when none was found.
  QString enginePath() const { return enginePath_; }
  // Replaces the save dialog with a function returning the chosen file (empty: cancelled).
  void setSaveFileNameProvider(std::function<QString()> provider);
  // Replaces the open dialog with a function returning the chosen file (empty: cancelled).
  void setOpenFileNameProvider(std::function<QString()> provider);
  // Keeps the recent-files list in the settings file `fileName` instead of the user's.
  void setSettingsFile(const QString& fileName);
  // Makes the folders of opened circuits below `folder` instead of the user's data folder.
  void setWorkRoot(const QString& folder);

  // Opens a circuit file (description, Verilog or Yosys netlist). The
  // benchmark diffeq works in its own folder with the classic windows; any
  // other circuit in a folder of its own, where a first analysis is started
  // at once. False, with a message, when the file cannot be read.
  bool OpenCircuit(const QString& file);
  // The circuit opened last; null while the window works on the diffeq of
  // the working folder it was started in.
  const CircuitSession* session() const { return state_.sessionOpened() ? &state_.session() : nullptr; }
  // True when the circuit is not the benchmark (the modern commands are used).
  bool anyCircuit() const { return state_.anyCircuit(); }
  // The recent files, newest first.
  QStringList recentFiles() const;
  // The figures and structure of the circuit from the last run; null before
  // one (and for the benchmark's classic runs).
  const CircuitResult* circuitResult() const { return state_.circuitResult(); }
  // The windows for any circuit; null while they are not open.
  GraphSchemaWindow* graphSchemaWindow() const;
  ScanLayoutEditor* layoutEditorWindow() const;
  ComparisonView* comparisonWindow() const;
  OptimiserPanel* optimiserWindow() const;
  // What opens and feeds them (and runs their own engine runs).
  CircuitViews* circuitViews() const { return views_; }

  // Appends one line to the history area.
  void AppendHistory(const QString& line);
  // The history, one entry per line.
  QStringList HistoryLines() const;
  // True while an engine run is in progress.
  bool isRunning() const;
  // Scales the window, drawn for 96 DPI, to the resolution and room of `screen`
  // (done for the window's own screen when it is created).
  void fitScreen(const ScreenMetrics& screen);
  // True when the history holds lines that were neither saved nor cleared.
  bool historyUnsaved() const { return historyUnsaved_; }
  // True while the figures shown are those of the last run (false after a
  // run failed: they are then greyed as figures of an earlier run).
  bool figuresCurrent() const { return figuresCurrent_; }
  // The scan layout window was closed by the user: its box is cleared.
  void ScanLayoutWindowClosed();
  // The schema window was closed by the user: its box is cleared.
  void SchemaWindowClosed();
  // The testability details window was closed by the user: its box is cleared.
  void DetailsWindowClosed();
  // Opens a view of the View menu (created on first use) and brings it to the front.
  void showView(int view);
  // True while the window shows docked panels (any circuit but the benchmark).
  bool docked() const { return docked_; }
  // The testability details of any circuit (the panel of DetailsDock).
  PortDetailsView* portDetails() const { return portDetails_; }
  // Opens the help window (created on first use) on `topic`, the tutorial
  // when there is no such page, and brings it to the front.
  void ShowHelpTopic(const QString& topic);

  // The state shared with the windows.
  AppState& state() { return state_; }
  // The companion windows; null while they are not open.
  TAboutBox* aboutBox() const;
  TDftForm* scanLayoutWindow() const;
  TFormSchema* schemaWindow() const;
  TFormTAres* detailsWindow() const;
  THelpWindow* helpWindow() const;
  // True once the window has been created.
  bool startupFinished() const { return startupFinished_; }

  // Event handlers, named for what happened.
  void windowCreated();
  void windowShown();
  void windowPainted();
  void windowClosing();
  void analysisChosen();
  void autoDesignChosen();
  void runClicked();
  void progressTick();
  void areaOverheadChanged();
  void ioOverheadChanged();
  void testTimeChanged();
  void populationSizeChanged();
  void patienceChanged();
  void schemaBoxClicked();
  void detailsBoxClicked();
  void scanLayoutBoxClicked();
  void loopsBoxClicked();
  void clearHistoryClicked();
  void saveHistoryClicked();
  void tutorialChosen();
  void helpModeChosen();
  void aboutChosen();
  void exitChosen();
  void openChosen();
  // "Compare Methods": runs every method of the engine and charts them
  // (with each layout's stuck-at coverage when `withFaultsim`).
  void compareChosen(bool withFaultsim = false);
  // "Optimiser...": the window with every setting of an optimiser run.
  void optimiserChosen();

  // Controls, named for what they hold or do.
  QRadioButton* AnalysisRadio = nullptr;    // "&Testability Analysis"
  QRadioButton* AutoDesignRadio = nullptr;  // "&Scan Layout Auto-Designer"
  QPushButton* RunButton = nullptr;         // "&Run"
  QPushButton* StopButton = nullptr;        // "Stop" in the status bar, while the engine runs
  QLabel* NodesValue = nullptr;
  QLabel* ConRatioValue = nullptr;
  QLabel* ObsRatioValue = nullptr;
  QLabel* AreaOverValue = nullptr;
  QLabel* IoOverValue = nullptr;
  QLabel* TestabilityValue = nullptr;
  QProgressBar* TestabilityBar = nullptr;
  QLabel* FitnessLabel = nullptr;
  QLabel* FitnessValue = nullptr;
  QProgressBar* FitnessBar = nullptr;
  QLabel* TestTimeLabel = nullptr;          // never shown
  QLabel* TestTimeValue = nullptr;          // never shown
  QCheckBox* SchemaBox = nullptr;           // "Circuit Schema"
  QCheckBox* ScanLayoutBox = nullptr;       // "Scan Layout Prefs"
  QCheckBox* DetailsBox = nullptr;          // "Testability Details"
  QCheckBox* LoopsBox = nullptr;            // unbroken feedback loops
  std::array<QLabel*, 3> LoopLabels{};      // "Unbroken", "Feedback", "Loops"
  QGroupBox* ConstraintsGroup = nullptr;    // "Design Constraints"
  QGroupBox* GaGroup = nullptr;             // "Genetic Algorithm Parameters"
  QCheckBox* ElitismBox = nullptr;          // "&Elitism"
  // The sliders: 0 area overhead, 1 I/O overhead, 2 test time (hidden),
  // 3 population size, 4 runs without increasing.
  std::array<QSlider*, 5> TrackBars{};
  std::array<QLabel*, 5> TrackBarCaptions{};
  std::array<QLabel*, 5> TrackBarValues{};
  std::array<QLabel*, 5> TrackBarUnits{};
  QProgressBar* RunProgress = nullptr;
  QPlainTextEdit* HistoryText = nullptr;      // history
  QPushButton* ClearHistoryButton = nullptr;  // "Clear"
  QPushButton* SaveHistoryButton = nullptr;   // "Save"
  QTimer* ProgressTimer = nullptr;
  QAction* TutorialAction = nullptr;          // "Tutorial"
  QAction* HelpModeAction = nullptr;          // "Help Mode off" / "Help Mode on"
  QAction* AboutAction = nullptr;
  QAction* ExitAction = nullptr;
  QAction* OpenAction = nullptr;              // "&Open..."
  QMenu* RecentMenu = nullptr;                // "Open &Recent"
  QAction* CompareAction = nullptr;           // "&Compare Methods"
  QAction* OptimiserAction = nullptr;         // "O&ptimiser..."
  QAction* SchemaViewAction = nullptr;        // "Circuit &Schema", Ctrl+1
  QAction* ScanLayoutViewAction = nullptr;    // "Scan &Layout", Ctrl+2
  QAction* DetailsViewAction = nullptr;       // "Testability &Details", Ctrl+3
  // The panels of the docked window (any circuit); hidden for the benchmark.
  QDockWidget* SummaryDock = nullptr;         // the action, figures, views and parameters
  QDockWidget* HistoryDock = nullptr;
  QDockWidget* SchemaDock = nullptr;          // the laid-out schema
  QDockWidget* DetailsDock = nullptr;         // the testability of every port

 protected:
  // Keeps the history filling the client area when the window lays it out anew.
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void setUp();
  void buildControls();
  void buildActionBox(QWidget* central);
  void buildInfoBox(QWidget* central);
  void buildViewBox(QWidget* central);
  void buildParameterBoxes(QWidget* central);
  void buildHistory(QWidget* central);
  void buildMenu();
  void buildViewMenu();
  void buildDocks();
  void arrangeWindow(bool docked);
  void dockPanels();
  void undockPanels();
  void balanceDocks();
  void showPortDetails();
  void keepOpenUndo();
  void finishOpen(bool opened, const QString& engineErrors = QString(), const QString& reason = QString());
  void refusedOpen(const QString& file, const QString& problem);
  void placeHistory(int clientHeight);
  QSlider* addSlider(QWidget* parent, int index, const QString& caption, int y, int max, int step,
                     int tickInterval, int value, const QString& unit);
  void trackBarMoved(int index);
  int trackValue(int index) const;
  void setActionControlsEnabled(bool autoDesign);
  void lockWindow();
  void unlockWindow();
  void updateViewBoxes();
  void startEngine(const QStringList& arguments);
  void startAnalysis();
  void startAutoDesign();
  void showDesignedLayout();
  QString engineFolder() const;
  QStringList analysisArguments() const;
  QStringList designArguments(long area, long io, long population, bool elitism, long runs) const;
  void removeOldResults();
  QString resultsFile() const;
  void engineProgress(const QString& line);
  void rememberRecentFile(const QString& file);
  void fillRecentMenu();
  void resetFigures();
  bool readCircuitResult();
  void loadCircuitResultThenFinish();
  void showCircuitResult(int action);
  void connectCircuitViews();
  void optimiserRunRequested(const QStringList& arguments);
  void optimiserStopRequested();
  void applyChosenLayout(const QString& layout);
  void showComparison();
  void stopEngine();
  void finishAction();
  // The end of a run the engine failed: figures withdrawn, the opening undone or the failure reported.
  void finishFailedAction(int action, const QString& engineErrors);
  void reportFailedRun(const QString& reason);
  bool readResults();
  void setFiguresCurrent(bool current);
  bool confirmDiscardHistory();
  void showResults();
  void showFigures(const LastResults& results);
  void showFiguresFirst();
  void openScanLayoutWindow();
  void discardScanLayoutWindow();
  void openSchemaWindow();
  void discardSchemaWindow();
  void discardDetailsWindow();
  void discardCompanions();
  QString timeText() const;

  std::unique_ptr<AppState> ownState_;
  AppState& state_;
  QString enginePath_;
  std::function<QString()> saveFileName_;
  std::function<QString()> openFileName_;
  std::unique_ptr<QSettings> settings_;
  FixedLayoutScale layoutScale_;
  QString workRoot_;
  long runPatience_ = 0;       // patience of the running optimisation, for its progress
  bool progressFed_ = false;   // the engine reports its progress itself
  QPointer<EngineRun> engine_;
  int runningAction_ = 0;      // the action whose engine is running, 0 when idle
  bool engineEnded_ = false;   // the engine of the running action has ended
  std::optional<ReadResult<CircuitResult>> loadedResult_;  // NAME.json as the worker read it
  bool engineFailed_ = false;  // ... without results (start failure, crash, error status)
  QString failureReason_;
  bool historyUnsaved_ = false;
  bool figuresCurrent_ = true;
  QString figuresTitle_;
  bool progressUpward_ = true;
  bool startupFinished_ = false;
  QPointer<TAboutBox> aboutBox_;
  QPointer<TDftForm> dftForm_;
  QPointer<TFormSchema> schemaForm_;
  QPointer<TFormTAres> detailsForm_;
  QPointer<THelpWindow> helpWindow_;
  CircuitViews* views_ = nullptr;  // the windows of any circuit (a child of this window)

  // What was worked on before a circuit is opened: put back when the
  // circuit's first analysis fails, so a file that cannot be read never
  // becomes the current circuit (nor a recent one).
  struct OpenUndo {
    QString file;  // the file being opened
    CircuitSession session;
    bool opened = false;
    std::optional<CircuitResult> result;
    LastResults results;
    QString circuitLayout;
    LayoutGrid grid;
  };
  std::optional<OpenUndo> openUndo_;
  // The docked arrangement.
  bool docked_ = false;
  QWidget* panel_ = nullptr;          // the classic client area: central, or in SummaryDock
  QScrollArea* summaryScroll_ = nullptr;
  QWidget* historyBox_ = nullptr;     // the history with Save and Clear, in HistoryDock
  std::array<QRect, 3> historyPlaces_{};  // history, Save, Clear in the classic panel
  QSize classicSize_;
  PortDetailsView* portDetails_ = nullptr;
};
