// The comparison of the optimiser methods of `tarvex compare`: testability
// against area overhead, one point per method, the Pareto front marked, and
// a table of every figure. A click on a point (or a row) asks for its layout
// to be applied.
#pragma once

#include <QWidget>

#include "enginelink/resultjson.h"

class QChart;
class QChartView;
class QLabel;
class QLineSeries;
class QScatterSeries;
class QTableWidget;

class ComparisonView : public QWidget {
  Q_OBJECT
 public:
  explicit ComparisonView(QWidget* parent = nullptr);

  // Shows `comparison`.
  void setComparison(const CompareResult& comparison);

  // The chart, its per-method series and the Pareto front line (tests).
  QChart* chart() const;
  QScatterSeries* seriesOf(const QString& method) const;
  QLineSeries* paretoLine() const { return pareto_; }
  QChartView* chartView() const { return view_; }
  QTableWidget* table() const { return table_; }
  // A click on the point of `method` (as a click on the chart would).
  void choose(const QString& method);

 signals:
  // Apply the layout of `method` (its notation, "" for none).
  void layoutChosen(const QString& layout, const QString& method);

 private:
  void fillTable();

  CompareResult comparison_;
  QChartView* view_;
  QTableWidget* table_;
  QLabel* caption_;
  QLineSeries* pareto_ = nullptr;
  std::vector<std::pair<QString, QScatterSeries*>> series_;
};
