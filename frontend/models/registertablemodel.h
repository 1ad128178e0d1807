// The register table of the scan layout editor as an item model: one row per
// register (name, con and obs of its output, in a loop or not, chain,
// position, the check rule that keeps it out). It shows a ScanLayoutModel and
// is brought up to date in one batch (`update`), whatever the register count.
// Chain and position are editable; an edit is reported, not applied.
#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QStringList>

#include <vector>

#include "models/scanlayoutmodel.h"

class RegisterTableModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  enum Column { kName, kCon, kObs, kLoop, kChain, kPosition, kCheck, kColumns };

  explicit RegisterTableModel(QObject* parent = nullptr);

  // Shows `layout`: a new register list resets the model, a new placement
  // of the same registers changes the chain and position columns at once.
  void update(const ScanLayoutModel& layout);

  // The register of `row` ("" outside the table).
  QString registerAt(int row) const;
  // The row of `name`, or -1.
  int rowOf(const QString& name) const { return rows_.value(name, -1); }
  // The number of registers a check rule keeps out.
  int excludedCount() const { return excluded_; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
  QStringList mimeTypes() const override { return {QStringLiteral("text/plain")}; }
  QMimeData* mimeData(const QModelIndexList& indexes) const override;
  Qt::DropActions supportedDragActions() const override { return Qt::MoveAction | Qt::CopyAction; }

 signals:
  // The user typed a chain (0: out of the layout) and position (0: last) for `name`.
  void placementEdited(const QString& name, int chain, int position);

 private:
  struct Row {
    RegisterFigures figures;
    int chain = -1;     // 0-based, -1 not scanned
    int position = -1;  // 0-based
  };
  QVariant displayText(const Row& row, int column) const;
  QVariant decoration(const Row& row, int column, int role) const;

  std::vector<Row> data_;
  QHash<QString, int> rows_;
  int excluded_ = 0;
};
