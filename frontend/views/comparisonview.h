// The comparison of the optimiser methods of `tarvex compare`: testability
// (or, for a comparison with fault simulation, stuck-at coverage) against
// area overhead, one point per method, the Pareto front marked, and a table
// of every figure. A click on a point (or a row) asks for its layout to be
// applied; the chosen row's layout can be written as Verilog.
#pragma once

#include <QHash>
#include <QWidget>

#include "enginelink/resultjson.h"

class QChart;
class QChartView;
class QComboBox;
class QLabel;
class QLineSeries;
class QPushButton;
class QScatterSeries;
class QTableWidget;
class RunStatusLine;

// What the chart plots against area overhead.
enum class ComparisonMeasure { Testability, Coverage };

class ComparisonView : public QWidget {
  Q_OBJECT
 public:
  explicit ComparisonView(QWidget* parent = nullptr);

  // Shows `comparison` (against testability when it has no coverage).
  void setComparison(const CompareResult& comparison);
  // The circuit's registers in the order of NAME.json: the layouts are then
  // shown by register name whatever notation the comparison used.
  void setRegisterNames(const QStringList& registers);
  // The layout of a row as shown: named, or as the engine wrote it.
  QString shownLayout(const CompareRow& row) const;
  // The label drawn beside the point of `method` (empty when another
  // coincident point carries it, e.g. "ga, exact").
  QString pointLabel(const QString& method) const;
  // The notes under the caption: budgets exceeded, empty layouts, skipped methods.
  QString notesText() const;
  // The budget lines drawn (area bound; pin bound as a legend entry).
  QLineSeries* areaBudgetLine() const { return areaBudget_; }
  // Plots `measure` against area; coverage only when the comparison has it.
  void setMeasure(ComparisonMeasure measure);
  ComparisonMeasure measure() const { return measure_; }

  // Enables the fault-simulation comparison (or disables it, `reason` in its tooltip).
  void setFaultsimAvailable(bool available, const QString& reason = QString());
  // Enables "Write Verilog with this layout..." (or disables it, `reason` in its tooltip).
  void setVerilogWritable(bool writable, const QString& reason = QString());
  // The method whose row is selected ("" when none).
  QString selectedMethod() const;
  // "Write Verilog with this layout...": asks for the selected row's layout.
  void writeVerilogClicked();

  // The chart, its per-method series and the Pareto front line (tests).
  QChart* chart() const;
  QScatterSeries* seriesOf(const QString& method) const;
  QLineSeries* paretoLine() const { return pareto_; }
  QChartView* chartView() const { return view_; }
  QTableWidget* table() const { return table_; }
  QComboBox* measureBox() const { return measureBox_; }
  QPushButton* faultsimButton() const { return faultsimButton_; }
  QPushButton* writeVerilogButton() const { return writeVerilogButton_; }
  RunStatusLine* verilogStatus() const { return verilogStatus_; }
  // A click on the point of `method` (as a click on the chart would).
  void choose(const QString& method);

 signals:
  // Apply the layout of `method` (its notation, "" for none).
  void layoutChosen(const QString& layout, const QString& method);
  // Compare the methods again with the stuck-at coverage of each layout.
  void faultsimComparisonRequested();
  // Write the design with the layout of `method` as Verilog.
  void verilogRequested(const QString& layout, const QString& method);

 private:
  // The Pareto front of the measure plotted, among the layouts within budget.
  QStringList front() const;
  void rebuildChart();
  void addMethodSeries(QChart* chart, const QStringList& frontMethods);
  void addBudgetSeries(QChart* chart);
  void addAxes(QChart* chart);
  void writeCaption(const QStringList& frontMethods);
  QStringList notes() const;
  void fillTable();
  void updateButtons();
  void measureChosen(int index);

  CompareResult comparison_;
  ComparisonMeasure measure_ = ComparisonMeasure::Testability;
  QChartView* view_;
  QTableWidget* table_;
  QLabel* caption_;
  QLabel* notes_;
  QStringList registers_;
  QLineSeries* areaBudget_ = nullptr;
  QHash<QString, QString> labels_;  // method -> label drawn
  QComboBox* measureBox_;
  QPushButton* faultsimButton_;
  QPushButton* writeVerilogButton_;
  RunStatusLine* verilogStatus_;
  QLineSeries* pareto_ = nullptr;
  std::vector<std::pair<QString, QScatterSeries*>> series_;
  bool verilogWritable_ = false;
  QString verilogReason_;
};
