// The schema window of any circuit: the circuit laid out by Graphviz and
// drawn in a QGraphicsView, items shaped by kind with their ports and wires;
// zoom, pan, fit and search; a heat map of con, obs or tst with its legend;
// the feedback loops of the register graph (unbroken ones highlighted); the
// scan chains over the schema; and step-by-step browsing of the test data
// paths of a clicked unit. It takes its data through setters and reports
// through signals; it knows no other window.
#pragma once

#include <QGraphicsView>
#include <QHash>
#include <QPointer>
#include <QWidget>

#include <memory>

#include "views/circuitgraph.h"
#include "views/graphlayout.h"
#include "views/heatmap.h"
#include "models/propagpaths.h"
#include "enginelink/resultjson.h"

class QComboBox;
class QGraphicsItem;
class QGraphicsPathItem;
class QGraphicsScene;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

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
// the name of the node under the cursor.
class SchemaGraphicsView : public QGraphicsView {
  Q_OBJECT
 public:
  explicit SchemaGraphicsView(QGraphicsScene* scene, QWidget* parent = nullptr);
  // Multiplies the zoom by `factor`.
  void zoomBy(double factor);
  // The current zoom (1 = one point per pixel).
  double zoom() const { return transform().m11(); }

 signals:
  // A click on the node called `name` (an item or a primary port).
  void nodeClicked(const QString& name);

 protected:
  void wheelEvent(QWheelEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
};

class GraphSchemaWindow : public QWidget {
  Q_OBJECT
 public:
  explicit GraphSchemaWindow(QWidget* parent = nullptr);
  ~GraphSchemaWindow() override;

  // Shows `circuit`: lays it out, draws it with its loops and scan chains.
  void setCircuit(const CircuitResult& circuit);
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

 private:
  void useBrowser(PathBrowser browser);
  void clearScene();
  void rebuildScene();
  void drawNodes();
  void drawWires();
  void drawChains();
  void drawLoops();
  void recolour();
  void markStep(const QString& names, bool observation);
  void clearMarks();
  void selectLoop(int row);
  void appendHistory(const QString& line);
  void exportDialog();

  CircuitResult circuit_;
  std::unique_ptr<CircuitGraph> graph_;
  GraphLayout layout_;
  NamedChains chains_;
  HeatMeasure measure_ = HeatMeasure::Tst;
  QString selected_;
  PathBrowser browser_;
  QStringList markedPorts_;

  QGraphicsScene* scene_;
  SchemaGraphicsView* view_;
  QLineEdit* searchBox_;
  QComboBox* measureBox_;
  HeatLegendWidget* legend_;
  QListWidget* loopList_;
  QPlainTextEdit* history_;
  QPushButton* restartButton_;
  QPushButton* stepButton_;
  QLabel* status_;

  std::vector<QGraphicsItem*> nodeItems_;                 // per layout node
  QHash<QString, QGraphicsItem*> portItems_;             // "item.port" -> port box
  std::vector<QGraphicsPathItem*> wires_;                 // per layout edge
  std::vector<std::vector<int>> loopEdges_;               // per loop: layout edges
  std::vector<QGraphicsItem*> chainItems_;
  std::vector<QGraphicsItem*> markItems_;
};
