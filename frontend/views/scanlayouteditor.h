// The scan layout editor for a circuit of any register count: a table of
// the registers (name, con and obs of the output, in a loop or not, chain,
// position), the chains as a tree that registers are dragged into, presets
// (none, full scan, loop breaking, the optimiser's result) and the layout in
// the named notation, shown live and editable. It takes its data through
// setters and reports the layout through signals. Registers a check rule
// keeps out of every layout are marked and cannot be placed in a chain. It
// offers to write the design with the layout as Verilog; the run itself is
// someone else's, it only shows how it goes.
#pragma once

#include <QHash>
#include <QTableView>
#include <QTreeWidget>
#include <QWidget>

#include "models/registertablemodel.h"
#include "models/scanlayoutmodel.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class RunStatusLine;

// The chains as a tree: one entry per chain with its registers in order,
// then "New chain" and "Not scanned". Register names dropped on it are
// reported with the chain and position they were dropped at.
class ChainTree : public QTreeWidget {
  Q_OBJECT
 public:
  explicit ChainTree(QWidget* parent = nullptr);
  // Shows `chains` and the registers outside them; those in `excluded`
  // (name to check rule) are marked and cannot be dragged.
  void showLayout(const NamedChains& chains, const QStringList& unscanned,
                  const QHash<QString, QString>& excluded = {});
  // The chain (-1: not scanned) and position a drop on `item` means (just
  // below it when `below`), given the chain count.
  static std::pair<int, int> dropTarget(const QTreeWidgetItem* item, bool below, int chainCount);

 signals:
  // `names` were dropped at `position` of `chain` (-1: out of the layout).
  void registersDropped(const QStringList& names, int chain, int position);

 protected:
  QMimeData* mimeData(const QList<QTreeWidgetItem*>& items) const override;
  QStringList mimeTypes() const override { return {QStringLiteral("text/plain")}; }
  Qt::DropActions supportedDropActions() const override { return Qt::MoveAction | Qt::CopyAction; }
  void dropEvent(QDropEvent* event) override;

 private:
  int chainCount_ = 0;
};

class ScanLayoutEditor : public QWidget {
  Q_OBJECT
 public:
  explicit ScanLayoutEditor(QWidget* parent = nullptr);

  // Takes the registers, loops and current layout of `circuit`.
  void setCircuit(const CircuitResult& circuit);
  // The optimiser's layout for its preset (the "chains" of its NAME.json;
  // none disables the preset).
  void setOptimiserLayout(const NamedChains& chains);

  // The layout being edited.
  const ScanLayoutModel& model() const { return model_; }
  // The notation shown.
  QString notationText() const;
  // The error of the last notation typed ("" when it was taken).
  QString notationError() const;
  // Edits the notation as the user would type it.
  void typeNotation(const QString& text);
  // "Apply": the notation shown is taken for the next analysis
  // (layoutApplied); one that does not parse is refused, its text and
  // error kept. False when refused.
  bool applyClicked();
  // Moves registers as a drop on the chain tree would.
  void dropRegisters(const QStringList& names, int chain, int position);
  // Presets.
  void presetNone();
  void presetFullScan();
  void presetLoopBreaking();
  void presetOptimiser();
  // The registers the loop-breaking preset scans: those the engine found
  // (NAME.json "loop_breaking"), as `tarvex optimise --method loops` scans them.
  const QStringList& loopBreakingRegisters() const { return loopBreaking_; }

  // Enables "Write Verilog with this layout..." (or disables it, `reason`
  // in its tooltip).
  void setVerilogWritable(bool writable, const QString& reason = QString());
  // "Write Verilog with this layout..." was pressed.
  void writeVerilogClicked();
  // The line that shows the run writing the Verilog design.
  RunStatusLine* verilogStatus() const { return verilogStatus_; }
  QPushButton* writeVerilogButton() const { return writeVerilogButton_; }

  // The register table (a view over tableModel()) and the chains.
  QTableView* table() const { return table_; }
  const RegisterTableModel& tableModel() const { return tableModel_; }
  ChainTree* tree() const { return tree_; }

 signals:
  // The layout changed; `notation` is its named form.
  void layoutChanged(const QString& notation);
  // "Apply" was pressed: use `notation` for the next analysis.
  void layoutApplied(const QString& notation);
  // Write the design with `notation` as Verilog (the file is still to be chosen).
  void verilogRequested(const QString& notation);

 private:
  void placementEdited(const QString& name, int chain, int position);
  void updateVerilogButton();
  // The parts of the window, made once by the constructor.
  void setUpControls();
  QGroupBox* buildPresets();
  void arrangeControls(QGroupBox* presets);
  void refresh();

  ScanLayoutModel model_;
  RegisterTableModel tableModel_;
  QStringList loopBreaking_;
  NamedChains optimiserLayout_;
  bool refreshing_ = false;

  QTableView* table_;
  ChainTree* tree_;
  QLineEdit* notation_;
  QLabel* error_;
  QLabel* summary_;
  QSpinBox* fullScanChains_;
  QPushButton* optimiserButton_;
  QPushButton* writeVerilogButton_;
  RunStatusLine* verilogStatus_;
  bool verilogWritable_ = false;
  QString verilogReason_;
};
