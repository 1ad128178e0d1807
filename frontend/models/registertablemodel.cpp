#include "models/registertablemodel.h"

#include <QBrush>
#include <QColor>
#include <QMimeData>

namespace {

const QColor kExcludedText(130, 130, 130);
const QColor kExcludedBack(255, 236, 230);
const QColor kRuleText(176, 0, 0);
const QColor kLoopText(200, 30, 30);

QString ruleOf(const RegisterFigures& r) {
  return r.checkRule.isEmpty() ? QStringLiteral("check") : r.checkRule;
}

}  // namespace

RegisterTableModel::RegisterTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void RegisterTableModel::update(const ScanLayoutModel& layout) {
  const auto& regs = layout.registers();
  bool sameRegisters = regs.size() == data_.size();
  for (std::size_t i = 0; sameRegisters && i < regs.size(); ++i)
    sameRegisters = regs[i].name == data_[i].figures.name && regs[i].scannable == data_[i].figures.scannable;
  if (!sameRegisters) {
    beginResetModel();
    data_.clear();
    data_.reserve(regs.size());
    rows_.clear();
    excluded_ = 0;
    for (const auto& r : regs) {
      rows_.insert(r.name, static_cast<int>(data_.size()));
      data_.push_back(Row{r, -1, -1});
      if (!r.scannable) ++excluded_;
    }
  }
  for (Row& row : data_) row.chain = row.position = -1;
  // One pass over the chains places every register.
  const NamedChains& chains = layout.chains();
  for (std::size_t c = 0; c < chains.size(); ++c)
    for (int p = 0; p < chains[c].size(); ++p)
      if (const int r = rows_.value(chains[c][p], -1); r >= 0) {
        data_[static_cast<std::size_t>(r)].chain = static_cast<int>(c);
        data_[static_cast<std::size_t>(r)].position = p;
      }
  if (!sameRegisters) {
    endResetModel();
  } else if (!data_.empty()) {
    emit dataChanged(index(0, kChain), index(rowCount() - 1, kPosition), {Qt::DisplayRole, Qt::EditRole});
  }
}

QString RegisterTableModel::registerAt(int row) const {
  return row >= 0 && row < rowCount() ? data_[static_cast<std::size_t>(row)].figures.name : QString();
}

int RegisterTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(data_.size());
}

int RegisterTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumns; }

QVariant RegisterTableModel::displayText(const Row& row, int column) const {
  const RegisterFigures& r = row.figures;
  switch (column) {
    case kName: return r.name;
    case kCon: return QString::number(r.con, 'f', 3);
    case kObs: return QString::number(r.obs, 'f', 3);
    case kLoop: return r.inLoop ? QStringLiteral("yes") : QStringLiteral("no");
    case kChain: return row.chain < 0 ? QString() : QString::number(row.chain + 1);
    case kPosition: return row.chain < 0 ? QString() : QString::number(row.position + 1);
    case kCheck: return r.scannable ? QString() : QStringLiteral("cannot be scanned (%1)").arg(ruleOf(r));
    default: return {};
  }
}

// Colours and tips: registers in loops in red, those a check keeps out greyed on pale red.
QVariant RegisterTableModel::decoration(const Row& row, int column, int role) const {
  const RegisterFigures& r = row.figures;
  if (role == Qt::ForegroundRole) {
    if (!r.scannable) return QBrush(column == kCheck ? kRuleText : kExcludedText);
    if (column == kLoop && r.inLoop) return QBrush(kLoopText);
  }
  if (role == Qt::BackgroundRole && !r.scannable) return QBrush(kExcludedBack);
  if (role == Qt::ToolTipRole && !r.scannable)
    return QStringLiteral("%1 cannot be scanned: check rule %2 (see the scan-readiness checks)").arg(r.name, ruleOf(r));
  return {};
}

QVariant RegisterTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount() || index.column() >= kColumns) return {};
  const Row& row = data_[static_cast<std::size_t>(index.row())];
  if (role == Qt::DisplayRole || role == Qt::EditRole) return displayText(row, index.column());
  if (role == Qt::TextAlignmentRole && index.column() != kName && index.column() != kCheck)
    return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
  return decoration(row, index.column(), role);
}

QVariant RegisterTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return QAbstractTableModel::headerData(section, orientation, role);
  static const QStringList titles = {QStringLiteral("Register"), QStringLiteral("Con"),   QStringLiteral("Obs"),
                                     QStringLiteral("In loop"),  QStringLiteral("Chain"), QStringLiteral("Position"),
                                     QStringLiteral("Scan check")};
  return titles.value(section);
}

Qt::ItemFlags RegisterTableModel::flags(const QModelIndex& index) const {
  if (!index.isValid() || index.row() >= rowCount()) return Qt::NoItemFlags;
  if (!data_[static_cast<std::size_t>(index.row())].figures.scannable) return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
  if (index.column() == kChain || index.column() == kPosition) f |= Qt::ItemIsEditable;
  return f;
}

bool RegisterTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable)) return false;
  const Row& row = data_[static_cast<std::size_t>(index.row())];
  bool ok = false;
  const int typed = value.toString().trimmed().toInt(&ok);
  int chain = row.chain + 1, position = row.chain < 0 ? 0 : row.position + 1;
  if (index.column() == kChain) chain = ok ? typed : 0;
  else position = ok ? typed : 0;
  emit placementEdited(row.figures.name, chain, position);
  return true;
}

QMimeData* RegisterTableModel::mimeData(const QModelIndexList& indexes) const {
  QStringList names;
  for (const QModelIndex& i : indexes) {
    const QString name = registerAt(i.row());
    if (!name.isEmpty() && !names.contains(name)) names << name;
  }
  auto* mime = new QMimeData;
  mime->setText(names.join(u'\n'));
  return mime;
}
