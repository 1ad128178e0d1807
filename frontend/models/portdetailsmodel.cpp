#include "models/portdetailsmodel.h"

namespace {

QString csvField(const QString& field) {
  if (!field.contains(u',') && !field.contains(u'"') && !field.contains(u'\n')) return field;
  QString quoted = field;
  quoted.replace(QStringLiteral("\""), QStringLiteral("\"\""));
  return u'"' + quoted + u'"';
}

}  // namespace

QString DetailsSummary(const CircuitResult& circuit) {
  return QStringLiteral("%1: %2 ports. Testability %3, controllability %4, observability %5; "
                        "controllable nodes %6 %, observable nodes %7 %; area overhead %8 %, I/O overhead %9 %. "
                        "Scan layout: %10.")
      .arg(circuit.circuit)
      .arg(circuit.ports.size())
      .arg(circuit.testability, 0, 'f', 6)
      .arg(circuit.controllability, 0, 'f', 6)
      .arg(circuit.observability, 0, 'f', 6)
      .arg(circuit.controllablePercent, 0, 'f', 1)
      .arg(circuit.observablePercent, 0, 'f', 1)
      .arg(circuit.areaOverheadPercent, 0, 'f', 2)
      .arg(circuit.pinOverheadPercent, 0, 'f', 2)
      .arg(circuit.layout.isEmpty() ? QStringLiteral("none") : circuit.layout);
}

PortDetailsModel::PortDetailsModel(QObject* parent) : QAbstractTableModel(parent) {}

void PortDetailsModel::setCircuit(const CircuitResult& circuit) {
  beginResetModel();
  ports_ = circuit.ports;
  summary_ = DetailsSummary(circuit);
  endResetModel();
}

void PortDetailsModel::clear() {
  beginResetModel();
  ports_.clear();
  summary_.clear();
  endResetModel();
}

int PortDetailsModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(ports_.size());
}

int PortDetailsModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumns; }

QString PortDetailsModel::text(const PortFigures& port, int column) const {
  switch (column) {
    case kPort: return port.name;
    case kBits: return QString::number(port.bits);
    case kCon: return QString::number(port.con, 'f', 6);
    case kObs: return QString::number(port.obs, 'f', 6);
    case kTst: return QString::number(port.tst, 'f', 6);
    default: return {};
  }
}

QVariant PortDetailsModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount() || index.column() >= kColumns) return {};
  const PortFigures& port = ports_[static_cast<std::size_t>(index.row())];
  const int column = index.column();
  if (role == Qt::DisplayRole) return text(port, column);
  // Figures sort by value, names by text.
  if (role == Qt::UserRole) {
    switch (column) {
      case kBits: return port.bits;
      case kCon: return port.con;
      case kObs: return port.obs;
      case kTst: return port.tst;
      default: return port.name;
    }
  }
  if (role == Qt::TextAlignmentRole && column != kPort)
    return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
  return {};
}

QVariant PortDetailsModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return QAbstractTableModel::headerData(section, orientation, role);
  static const QStringList titles = {QStringLiteral("Port"), QStringLiteral("Bits"), QStringLiteral("Con"),
                                     QStringLiteral("Obs"), QStringLiteral("Tst")};
  return titles.value(section);
}

QString PortDetailsModel::csv(const std::vector<int>& rows) const {
  QString out = QStringLiteral("port,bits,con,obs,tst\n");
  for (int r : rows) {
    if (r < 0 || r >= rowCount()) continue;
    const PortFigures& port = ports_[static_cast<std::size_t>(r)];
    QStringList fields;
    for (int c = 0; c < kColumns; ++c) fields << csvField(text(port, c));
    out += fields.join(u',') + u'\n';
  }
  return out;
}
