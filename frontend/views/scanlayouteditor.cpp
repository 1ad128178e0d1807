#include "views/scanlayouteditor.h"

#include <QDropEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QVBoxLayout>

#include "ui/fixedlayout.h"
#include "views/runstatusline.h"

namespace {

const QColor kExcludedText(130, 130, 130);
constexpr int kChainRole = Qt::UserRole;     // on chain entries: chain index, -1 not scanned, -2 new chain
constexpr int kRegisterRole = Qt::UserRole + 1;  // on register entries: the name
constexpr int kNotScanned = -1;
constexpr int kNewChain = -2;

QMimeData* namesMime(const QStringList& names) {
  auto* mime = new QMimeData;
  mime->setText(names.join(u'\n'));
  return mime;
}


}  // namespace

// ---------------------------------------------------------------------------

ChainTree::ChainTree(QWidget* parent) : QTreeWidget(parent) {
  setHeaderLabels({QStringLiteral("Chains (drag registers here)")});
  setSelectionMode(ExtendedSelection);
  setDragEnabled(true);
  setAcceptDrops(true);
  setDropIndicatorShown(true);
  setDragDropMode(DragDrop);
  setDefaultDropAction(Qt::MoveAction);
}

void ChainTree::showLayout(const NamedChains& chains, const QStringList& unscanned,
                           const QHash<QString, QString>& excluded) {
  clear();
  chainCount_ = static_cast<int>(chains.size());
  auto addGroup = [this, &excluded](const QString& title, int role, const QStringList& names) {
    auto* group = new QTreeWidgetItem(this, {title});
    group->setData(0, kChainRole, role);
    group->setFlags(Qt::ItemIsEnabled | Qt::ItemIsDropEnabled);
    QFont bold = group->font(0);
    bold.setBold(true);
    group->setFont(0, bold);
    for (const auto& name : names) {
      const QString rule = excluded.value(name);
      auto* entry = new QTreeWidgetItem(group, {rule.isEmpty() ? name : QStringLiteral("%1 (cannot be scanned: %2)").arg(name, rule)});
      entry->setData(0, kRegisterRole, name);
      entry->setFlags(rule.isEmpty() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled
                                     : Qt::ItemIsEnabled);
      if (!rule.isEmpty()) entry->setForeground(0, kExcludedText);
    }
    group->setExpanded(true);
  };
  for (int c = 0; c < chainCount_; ++c)
    addGroup(QStringLiteral("Chain %1 (%2)").arg(c + 1).arg(chains[c].size()), c, chains[c]);
  addGroup(QStringLiteral("New chain"), kNewChain, {});
  addGroup(QStringLiteral("Not scanned (%1)").arg(unscanned.size()), kNotScanned, unscanned);
}

std::pair<int, int> ChainTree::dropTarget(const QTreeWidgetItem* item, bool below, int chainCount) {
  if (!item) return {chainCount, 0};
  const QTreeWidgetItem* group = item->parent() ? item->parent() : item;
  int chain = group->data(0, kChainRole).toInt();
  if (chain == kNewChain) chain = chainCount;
  if (chain == kNotScanned) return {-1, 0};
  if (!item->parent()) return {chain, static_cast<int>(group->childCount())};
  const int index = group->indexOfChild(const_cast<QTreeWidgetItem*>(item));
  return {chain, below ? index + 1 : index};
}

QMimeData* ChainTree::mimeData(const QList<QTreeWidgetItem*>& items) const {
  QStringList names;
  for (const auto* entry : items) {
    const QString name = entry->data(0, kRegisterRole).toString();
    if (!name.isEmpty()) names << name;
  }
  return namesMime(names);
}

void ChainTree::dropEvent(QDropEvent* event) {
  const QStringList names = event->mimeData()->text().split(u'\n', Qt::SkipEmptyParts);
  const auto [chain, position] = dropTarget(itemAt(event->position().toPoint()), dropIndicatorPosition() == BelowItem, chainCount_);
  event->setDropAction(Qt::CopyAction);  // the tree is rebuilt from the model, nothing is moved by Qt
  event->accept();
  // Reported once the drop is over: the answer rebuilds this tree.
  if (!names.isEmpty())
    QMetaObject::invokeMethod(
        this, [this, names, chain = chain, position = position] { emit registersDropped(names, chain, position); },
        Qt::QueuedConnection);
}

// ---------------------------------------------------------------------------

ScanLayoutEditor::ScanLayoutEditor(QWidget* parent)
    : QWidget(parent, Qt::Window),
      tableModel_(this),
      table_(new QTableView(this)),
      tree_(new ChainTree(this)),
      notation_(new QLineEdit(this)),
      error_(new QLabel(this)),
      summary_(new QLabel(this)),
      fullScanChains_(new QSpinBox(this)),
      optimiserButton_(new QPushButton(QStringLiteral("Optimiser result"), this)),
      writeVerilogButton_(new QPushButton(QStringLiteral("Write &Verilog with this layout..."), this)),
      verilogStatus_(new RunStatusLine(this)) {
  setWindowTitle(QStringLiteral("Scan Layout Editor"));
  setUpControls();
  arrangeControls(buildPresets());
  connect(&tableModel_, &RegisterTableModel::placementEdited, this, &ScanLayoutEditor::placementEdited);
  connect(tree_, &ChainTree::registersDropped, this, &ScanLayoutEditor::dropRegisters);
  connect(notation_, &QLineEdit::textEdited, this, &ScanLayoutEditor::typeNotation);
  connect(writeVerilogButton_, &QPushButton::clicked, this, &ScanLayoutEditor::writeVerilogClicked);
  connect(verilogStatus_, &RunStatusLine::busyChanged, this, &ScanLayoutEditor::updateVerilogButton);
  setVerilogWritable(false, QStringLiteral("No circuit read from Verilog"));
  refresh();
}

// Headers, ranges, hints and tips of the controls.
void ScanLayoutEditor::setUpControls() {
  table_->setModel(&tableModel_);
  // Columns are measured once per circuit (setCircuit), never per cell.
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
  table_->horizontalHeader()->setStretchLastSection(true);
  table_->verticalHeader()->hide();
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setDragEnabled(true);
  table_->setDragDropMode(QAbstractItemView::DragOnly);
  table_->setSortingEnabled(false);
  fullScanChains_->setRange(1, 64);
  fullScanChains_->setPrefix(QStringLiteral("in "));
  fullScanChains_->setSuffix(QStringLiteral(" chain(s)"));
  notation_->setPlaceholderText(QStringLiteral("no register scanned"));
  notation_->setToolTip(QStringLiteral("Chains separated by '.', registers within a chain by ','"));
  error_->setStyleSheet(QStringLiteral("color: #b00000"));
  error_->setWordWrap(true);
  optimiserButton_->setEnabled(false);

}

// The preset buttons: none, full scan (in N chains), loop breaking, the optimiser's.
QGroupBox* ScanLayoutEditor::buildPresets() {
  auto* presets = new QGroupBox(QStringLiteral("Presets"), this);
  auto* presetRow = new QHBoxLayout(presets);
  auto addPreset = [&](const QString& text, const QString& tip, void (ScanLayoutEditor::*slot)()) {
    auto* b = new QPushButton(text, presets);
    b->setToolTip(tip);
    connect(b, &QPushButton::clicked, this, slot);
    presetRow->addWidget(b);
    return b;
  };
  addPreset(QStringLiteral("None"), QStringLiteral("No register scanned"), &ScanLayoutEditor::presetNone);
  addPreset(QStringLiteral("Full scan"), QStringLiteral("Every register scanned"), &ScanLayoutEditor::presetFullScan);
  presetRow->addWidget(fullScanChains_);
  addPreset(QStringLiteral("Loop breaking"), QStringLiteral("Scan registers until no feedback loop remains"),
            &ScanLayoutEditor::presetLoopBreaking);
  optimiserButton_->setToolTip(QStringLiteral("The layout of the last optimiser run"));
  connect(optimiserButton_, &QPushButton::clicked, this, &ScanLayoutEditor::presetOptimiser);
  presetRow->addWidget(optimiserButton_);
  presetRow->addStretch();

  return presets;
}

// Presets above, the table beside the chain tree, the notation row and the status lines below.
void ScanLayoutEditor::arrangeControls(QGroupBox* presets) {
  auto* split = new QSplitter(this);
  split->addWidget(table_);
  split->addWidget(tree_);
  split->setStretchFactor(0, 3);
  split->setStretchFactor(1, 2);

  auto* notationRow = new QHBoxLayout;
  notationRow->addWidget(new QLabel(QStringLiteral("Notation"), this));
  notationRow->addWidget(notation_, 1);
  auto* apply = new QPushButton(QStringLiteral("&Apply"), this);
  connect(apply, &QPushButton::clicked, this, &ScanLayoutEditor::applyClicked);
  apply->setToolTip(QStringLiteral("Use this layout for the next analysis"));
  notationRow->addWidget(apply);
  notationRow->addWidget(writeVerilogButton_);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(presets);
  layout->addWidget(split, 1);
  layout->addLayout(notationRow);
  layout->addWidget(error_);
  layout->addWidget(summary_);
  layout->addWidget(verilogStatus_);
  // Opens at its 96-DPI size, grown with the font resolution and kept on the screen.
  resize(FittedWindowSize(QSize(760, 480), ScreenMetricsOf(this)));

}

void ScanLayoutEditor::setCircuit(const CircuitResult& circuit) {
  model_.setRegisters(circuit.registers);
  model_.setChains(circuit.chains);
  // The engine's choice, the same as `tarvex optimise --method loops`.
  loopBreaking_ = circuit.loopBreaking ? circuit.loopBreaking->registers : QStringList();
  fullScanChains_->setMaximum(std::max(1, static_cast<int>(circuit.registers.size())));
  setWindowTitle(QStringLiteral("Scan Layout Editor - %1").arg(circuit.circuit));
  error_->clear();
  refresh();
  // Column widths from the header and the first rows: cheap for any register count.
  table_->horizontalHeader()->setResizeContentsPrecision(64);
  table_->resizeColumnsToContents();
}

void ScanLayoutEditor::setOptimiserLayout(const NamedChains& chains) {
  optimiserLayout_ = chains;
  optimiserButton_->setEnabled(!chains.empty());
  QStringList groups;
  for (const auto& chain : chains) groups << chain.join(u',');
  optimiserButton_->setToolTip(chains.empty() ? QStringLiteral("No optimiser run yet")
                                              : QStringLiteral("The optimiser's layout: %1").arg(groups.join(u'.')));
}

void ScanLayoutEditor::setVerilogWritable(bool writable, const QString& reason) {
  verilogWritable_ = writable;
  verilogReason_ = reason;
  updateVerilogButton();
}

void ScanLayoutEditor::updateVerilogButton() {
  const bool busy = verilogStatus_->isBusy();
  writeVerilogButton_->setEnabled(verilogWritable_ && !busy);
  writeVerilogButton_->setToolTip(!verilogWritable_ ? verilogReason_
                                  : busy ? QStringLiteral("A Verilog design is being written")
                                         : QStringLiteral("Write the design with these scan chains as Verilog"));
}

void ScanLayoutEditor::writeVerilogClicked() {
  if (verilogWritable_ && !verilogStatus_->isBusy()) emit verilogRequested(model_.notation());
}

QString ScanLayoutEditor::notationText() const { return notation_->text(); }

QString ScanLayoutEditor::notationError() const { return error_->text(); }

void ScanLayoutEditor::typeNotation(const QString& text) {
  if (notation_->text() != text) notation_->setText(text);
  const QString error = model_.setNotation(text);
  error_->setText(error);
  if (!error.isEmpty()) return;
  refresh();
}

void ScanLayoutEditor::dropRegisters(const QStringList& names, int chain, int position) {
  model_.placeAll(names, chain, position);
  refresh();
}

void ScanLayoutEditor::presetNone() {
  model_.clear();
  refresh();
}

void ScanLayoutEditor::presetFullScan() {
  model_.fullScan(fullScanChains_->value());
  refresh();
}

void ScanLayoutEditor::presetLoopBreaking() {
  model_.setChains({loopBreaking_});
  refresh();
}

void ScanLayoutEditor::presetOptimiser() {
  if (optimiserLayout_.empty()) return;
  model_.setChains(optimiserLayout_);
  refresh();
}

void ScanLayoutEditor::placementEdited(const QString& name, int chain, int position) {
  // An empty or zero chain takes the register out; no position puts it last.
  if (chain <= 0)
    model_.place(name, -1, 0);
  else
    model_.place(name, chain - 1, position > 0 ? position - 1 : 1 << 30);
  refresh();  // the same registers: the table only changes its chain and position columns
}

bool ScanLayoutEditor::applyClicked() {
  const QString text = notation_->text();
  if (text != model_.notation()) {
    const QString error = model_.setNotation(text);
    if (!error.isEmpty()) {
      error_->setText(QStringLiteral("Not applied: %1").arg(error));
      return false;
    }
    refresh();
  }
  error_->clear();
  emit layoutApplied(model_.notation());
  return true;
}

void ScanLayoutEditor::refresh() {
  refreshing_ = true;
  const auto& regs = model_.registers();
  tableModel_.update(model_);
  QStringList unscanned;
  QHash<QString, QString> excluded;
  int inLoops = 0;
  for (int row = 0; row < static_cast<int>(regs.size()); ++row) {
    const auto& r = regs[row];
    if (tableModel_.data(tableModel_.index(row, RegisterTableModel::kChain)).toString().isEmpty()) unscanned << r.name;
    inLoops += r.inLoop ? 1 : 0;
    if (!r.scannable) excluded.insert(r.name, r.checkRule.isEmpty() ? QStringLiteral("check") : r.checkRule);
  }
  tree_->setUpdatesEnabled(false);
  tree_->showLayout(model_.chains(), unscanned, excluded);
  tree_->setUpdatesEnabled(true);
  table_->setColumnHidden(RegisterTableModel::kCheck, excluded.isEmpty());  // shown when a check keeps a register out
  const QString text = model_.notation();
  if (notation_->text() != text && !notation_->hasFocus()) notation_->setText(text);
  if (error_->text().isEmpty() || notation_->text() == text) error_->clear();
  QString summary = QStringLiteral("%1 of %2 registers scanned in %3 chain(s); %4 register(s) in feedback loops.")
                        .arg(regs.size() - unscanned.size())
                        .arg(regs.size())
                        .arg(model_.chains().size())
                        .arg(inLoops);
  if (!excluded.isEmpty())
    summary += QStringLiteral(" %1 register(s) cannot be scanned (see the scan-readiness checks).").arg(excluded.size());
  summary_->setText(summary);
  refreshing_ = false;
  emit layoutChanged(text);
}
