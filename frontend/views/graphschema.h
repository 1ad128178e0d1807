// The schema window of any circuit: the circuit laid out by Graphviz and
// drawn in a QGraphicsView, items shaped by kind with their ports and wires;
// zoom, pan, fit and search; a heat map of con, obs or tst with its legend;
// the feedback loops of the register graph (unbroken ones highlighted); the
// scan chains over the schema; and step-by-step browsing of the test data
// paths of a clicked unit. It takes its data through setters and reports
// through signals; it knows no other window.
#pragma once

#include <QElapsedTimer>
#include <QFutureWatcher>
#include <QGraphicsView>
#include <QHash>
#include <QImage>
#include <QPointer>
#include <QSet>
#include <QTimer>
#include <QWidget>

#include <atomic>
#include <memory>
#include <optional>

#include "views/blockpalette.h"
#include "views/circuitgraph.h"
#include "views/graphlayout.h"
#include "views/heatmap.h"
#include "models/propagpaths.h"
#include "models/propagrecords.h"
#include "enginelink/resultjson.h"

class QCheckBox;
class QComboBox;
class QGraphicsItem;
class QGraphicsPathItem;
class QGraphicsScene;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;

// What the worker hands back: the layout, and per loop of the circuit the
// layout's edges and nodes on it.
struct SchemaDrawing {
  GraphLayout layout;
  std::vector<std::vector<int>> loopEdges;
  std::vector<std::vector<int>> loopNodes;
  // Lookups into the circuit laid out (valid while it lives): the figures
  // of every composed port, and per node the figures it is coloured by.
  QHash<QString, const PortFigures*> figures;
  std::vector<std::vector<const PortFigures*>> nodeFigures;
  // Per node the block path it is coloured by (empty: the top level).
  std::vector<QString> nodeBlocks;
  // The test data paths of the circuit, when its NAME.json has them.
  std::optional<PropagRecordList> records;
  // The wires of a dense summary as a picture over `bundleArea` (null: each
  // wire drawn alone).
  QImage bundle;
  QRectF bundleArea;
};

// What a schema window shows of a circuit.
enum class SchemaKind { Full, Registers, Blocks };

// One layout to make: what to show, with its loops (register summary) or
// blocks (block summary) opened by the user.
struct SchemaRequest {
  SchemaKind kind = SchemaKind::Full;
  QSet<int> expandedLoops{};
  int blockDepth = 1;
  QSet<QString> expandedBlocks{};
};

// Lays `circuit` out as `request` asks and finds its loops on the layout.
// Runs on any thread.
SchemaDrawing DrawSchema(const CircuitResult& circuit, const SchemaRequest& request, const LayoutControl& control = {});

// The legend of the block colours: a swatch and the name of every block.
class BlockLegendWidget : public QWidget {
  Q_OBJECT
 public:
  explicit BlockLegendWidget(QWidget* parent = nullptr);
  // Shows `legend`.
  void setLegend(const BlockLegend& legend);
  // The legend shown.
  const BlockLegend& legend() const { return legend_; }
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  BlockLegend legend_;
};

// The legend of the heat map: a colour bar with its tick labels and the
// circuit's lowest, mean and highest value.
class HeatLegendWidget : public QWidget {
  Q_OBJECT
 public:
  explicit HeatLegendWidget(QWidget* parent = nullptr);
  // Shows `legend`; an empty title hides the bar.
  void setLegend(const HeatLegend& legend);
  // The legend shown.
  const HeatLegend& legend() const { return legend_; }
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  HeatLegend legend_;
};

// The view: wheel zoom around the cursor, drag to pan, clicks reported by
// the name of the node under the cursor. Until the user zooms it keeps the
// whole scene fitted, also when it is resized.
class SchemaGraphicsView : public QGraphicsView {
  Q_OBJECT
 public:
  explicit SchemaGraphicsView(QGraphicsScene* scene, QWidget* parent = nullptr);
  // Multiplies the zoom by `factor`.
  void zoomBy(double factor);
  // The current zoom (1 = one point per pixel).
  double zoom() const { return transform().m11(); }
  // Fits the scene and keeps it fitted on resizes until the next zoom.
  void fitScene();
  // Shows `area` of the scene as large as it fits (ends the fitting).
  void zoomTo(const QRectF& area);
  // True while the scene is kept fitted.
  bool autoFit() const { return autoFit_; }

 signals:
  // A click on the node called `name` (an item or a primary port).
  void nodeClicked(const QString& name);
  // A double click on the node called `name`.
  void nodeDoubleClicked(const QString& name);

 protected:
  void wheelEvent(QWheelEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  QString nodeAt(QPoint position) const;
  bool autoFit_ = true;
};

class GraphSchemaWindow : public QWidget {
  Q_OBJECT
 public:
  explicit GraphSchemaWindow(QWidget* parent = nullptr);
  ~GraphSchemaWindow() override;

  // Shows `circuit`: lays it out in the background (above
  // kFullSchemaItemLimit items the block summary at the first depth with
  // two blocks, or the register summary of a circuit without hierarchy),
  // then draws it with its loops and scan chains. The window answers all
  // the while; Cancel drops the layout. The path steps of the previous
  // circuit are dropped.
  void setCircuit(const CircuitResult& circuit);
  // True while a layout is being made.
  bool isLayingOut() const { return layingOut_; }
  // Processes events until the layout is drawn (tests); false on a timeout
  // or when it was cancelled.
  bool waitForLayout(int timeoutMs = 120000);
  // Drops the layout being made; the schema stays empty.
  void cancelLayout();
  // True when the register or block summary is shown rather than the full schema.
  bool isSummary() const { return layout_.summary; }
  // True when the block summary is shown.
  bool isBlockSummary() const { return layout_.blockDepth > 0; }
  // Summary: draws the registers of loop `index` (0-based) one by one.
  void expandLoop(int index);
  // Lays out the full schema, however large the circuit.
  void showFullSchema();
  // Lays out the register summary.
  void showRegisterSummary();
  // Lays out the block summary with the blocks at `depth` collapsed (the
  // register summary for a circuit without hierarchy).
  void showBlocks(int depth);
  // Block summary: shows the sub-blocks and own items of block `path`.
  void expandBlock(const QString& path);
  // The depth blocks are collapsed to and coloured by.
  int blockDepth() const { return blockDepth_; }
  // Colours the nodes by their block at blockDepth() instead of by figures.
  void setBlockColouring(bool byBlock);
  bool blockColouring() const { return byBlock_; }
  // The block colours shown (empty unless colouring by block).
  const BlockLegend& blockLegend() const;
  // The fill of the node called `name` (invalid when there is none).
  QColor nodeFill(const QString& name) const;
  // Shows or hides the loop highlights on the schema.
  void setLoopsShown(bool shown);
  bool loopsShown() const { return loopsShown_; }
  // Highlights loop `index` (0-based; -1 for none) and brings it into view.
  void selectLoop(int index);
  // Draws `chains` over the schema instead of the circuit's own chains.
  void setScanChains(const NamedChains& chains);
  // The propagation record the paths are read from (NAME.pro).
  void setPropagationFile(const QString& fileName);
  // Browses the test data paths of `records` (setCircuit takes those of the
  // circuit's NAME.json when it has them).
  void setPropagationRecords(PropagRecordList records);
  // Colours the schema by `measure` (None: by kind).
  void setHeatMeasure(HeatMeasure measure);

  // Selects the node whose name is `text` (else the first containing it,
  // ignoring case), centres it and returns its name; empty when none.
  QString search(const QString& text);
  // Fits the whole schema into the view.
  void fitToWindow();
  // Writes the schema to `fileName`: SVG for ".svg", else a PNG picture.
  bool exportTo(const QString& fileName);
  // A click on the node called `name`: selects a unit and prepares its paths.
  void clickNode(const QString& name);
  // "|<": back to the first step of the selected unit's paths.
  void restartPaths();
  // ">": the next step; false once the end of data was shown.
  bool stepPaths();

  // Read-only views for tests and the main window.
  const GraphLayout& layout() const { return layout_; }
  const HeatLegend& legend() const;
  SchemaGraphicsView* view() const { return view_; }
  QGraphicsScene* scene() const { return scene_; }
  // The wires drawn (one per laid-out link) and the highlighted ones.
  int wireCount() const { return static_cast<int>(wires_.size()); }
  std::vector<int> highlightedLinks() const;
  // The nodes drawn as the selected loop.
  QStringList selectedLoopNodes() const;
  // The marks of the last path step.
  const std::vector<QGraphicsItem*>& markItems() const { return markItems_; }
  QPushButton* cancelButton() const { return cancelButton_; }
  QProgressBar* progressBar() const { return progress_; }
  QString statusText() const;
  // The ports marked by the last path step, as "item.port".
  QStringList markedPorts() const { return markedPorts_; }
  // The scan chain overlays drawn.
  int chainOverlayCount() const { return static_cast<int>(chainItems_.size()); }
  // The text of the loop list, one entry per loop.
  QStringList loopEntries() const;
  // The selected unit (empty when none).
  const QString& selectedUnit() const { return selected_; }
  // The path history shown in the window.
  QString historyText() const;

 signals:
  // A node was clicked (before any path handling).
  void nodeClicked(const QString& name);
  // A line for the history of the session.
  void historyLine(const QString& line);
  // A layout was drawn (or failed, its errors in the status line).
  void layoutReady();

 private:
  void startLayout(SchemaKind kind);
  QString layoutSummaryText() const;
  void clearPathSteps();
  void depthChanged(int depth);
  void layoutFinished(quint64 job);
  // Ranges, tips and first states of the widgets.
  void configureWidgets();
  // The tool bar, the schema with its side panel, the status row.
  void arrangeWidgets();
  // Searching, colouring, clicks, loops, layout progress and path steps.
  void connectWidgets();
  void showLayoutProgress();
  void nodeDoubleClicked(const QString& name);
  void useBrowser(PathBrowser browser);
  void clearScene();
  void rebuildScene();
  void drawNodes();
  void drawWires();
  void drawChains();
  void fillLoopList();
  void recolour();
  void markStep(const QString& names, bool observation);
  void clearMarks();
  void paintLoops();
  void appendHistory(const QString& line);
  void exportDialog();

  std::shared_ptr<const CircuitResult> circuit_;
  GraphLayout layout_;
  QSet<int> expanded_;
  quint64 job_ = 0;  // the layout wanted; older ones are dropped when they end
  std::shared_ptr<std::atomic<bool>> cancel_;  // tells the running layout to stop
  bool layingOut_ = false;
  SchemaKind jobKind_ = SchemaKind::Full;
  int blockDepth_ = 1;
  QSet<QString> expandedBlocks_;
  bool byBlock_ = false;
  SchemaDrawing drawing_;
  bool loopsShown_ = true;
  int selectedLoop_ = -1;
  QString pendingSearch_;
  QElapsedTimer layoutClock_;
  QTimer progressTimer_;
  NamedChains chains_;
  HeatMeasure measure_ = HeatMeasure::Tst;
  QString selected_;
  PathBrowser browser_;
  QStringList markedPorts_;

  QGraphicsScene* scene_;
  SchemaGraphicsView* view_;
  QLineEdit* searchBox_;
  QComboBox* measureBox_;
  QComboBox* showBox_;
  QSpinBox* depthBox_;
  HeatLegendWidget* legend_;
  BlockLegendWidget* blockLegend_;
  QListWidget* loopList_;
  QPlainTextEdit* history_;
  QPushButton* restartButton_;
  QPushButton* stepButton_;
  QLabel* status_;
  QProgressBar* progress_;
  QPushButton* cancelButton_;
  QPushButton* fullButton_;
  QCheckBox* loopsBox_;

  std::vector<QGraphicsItem*> nodeItems_;                 // per layout node
  QHash<QString, QGraphicsItem*> portItems_;             // "item.port" -> port box
  std::vector<QGraphicsPathItem*> wires_;                 // per layout edge
  std::vector<std::vector<int>> loopEdges_;               // per loop: layout edges
  std::vector<std::vector<int>> loopNodes_;               // per loop: layout nodes
  QHash<QString, const PortFigures*> figures_;           // composed port -> figures
  std::vector<std::vector<const PortFigures*>> nodeFigures_;  // per layout node
  std::vector<QString> nodeBlocks_;                       // per layout node: its block path
  std::vector<char> onLoop_;                              // per layout edge: drawn as a loop
  std::vector<QGraphicsItem*> chainItems_;
  std::vector<QGraphicsItem*> markItems_;
};
