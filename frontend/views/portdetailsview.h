// The testability details of a circuit of any size: the summary of the
// whole circuit in full above a table of every port (a fixed header, sorted
// by any column, by number for the figures), a filter on the port names and
// an export of the rows shown as CSV.
#pragma once

#include <QWidget>

#include <functional>

#include "models/portdetailsmodel.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;

class PortDetailsView : public QWidget {
  Q_OBJECT
 public:
  explicit PortDetailsView(QWidget* parent = nullptr);

  // Shows `circuit` (one batch: the model is replaced as a whole).
  void setCircuit(const CircuitResult& circuit);
  // Shows no circuit.
  void clear();
  // Shows only the ports whose name holds `text` (any case).
  void setFilterText(const QString& text);
  // The rows shown as CSV, in the order shown.
  QString visibleCsv() const;
  // Replaces the save dialog of the export (returns "" to cancel).
  void setSaveFileChooser(std::function<QString()> chooser) { chooseFile_ = std::move(chooser); }
  // Writes the rows shown to a CSV file chosen by the user; false when it
  // was cancelled or could not be written (said under the table).
  bool exportCsv();

  QTableView* table() const { return table_; }
  QSortFilterProxyModel* proxy() const { return proxy_; }
  QLabel* summaryLabel() const { return summary_; }
  QLabel* statusLabel() const { return status_; }

 private:
  void showCount();

  PortDetailsModel model_;
  QSortFilterProxyModel* proxy_;
  QLabel* summary_;
  QLineEdit* filter_;
  QTableView* table_;
  QPushButton* exportButton_;
  QLabel* status_;
  std::function<QString()> chooseFile_;
};
