// The testability details of a circuit of any size as an item model: one
// row per composed port (name, bits, con, obs, tst) of NAME.json, sortable by
// number (the sort role holds the figures), with the circuit's summary and
// a CSV form of the rows. Replaced as a whole in one batch after a run.
#pragma once

#include <QAbstractTableModel>
#include <QString>

#include <vector>

#include "enginelink/resultjson.h"

class PortDetailsModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  enum Column { kPort, kBits, kCon, kObs, kTst, kColumns };

  explicit PortDetailsModel(QObject* parent = nullptr);

  // Shows the ports and global figures of `circuit` (one model reset).
  void setCircuit(const CircuitResult& circuit);
  // No circuit: no rows, no summary.
  void clear();
  // The figures of the whole circuit in one line: nodes, measures, layout.
  const QString& summary() const { return summary_; }

  // `rows` (model rows, in that order) as CSV with a header line; quotes
  // fields that hold a comma, a quote or a line break.
  QString csv(const std::vector<int>& rows) const;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

 private:
  QString text(const PortFigures& port, int column) const;

  std::vector<PortFigures> ports_;
  QString summary_;
};

// Summary line of `circuit`: its name, ports, global measures, the shares
// of controllable and observable nodes and the layout by register names.
QString DetailsSummary(const CircuitResult& circuit);
