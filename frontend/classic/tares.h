// The "Testability Details" window: the engine's per-port report
// "diffeq.txt" as a table, one report line per row and one field per column.
#pragma once

#include <QPoint>
#include <QString>
#include <QWidget>

#include "ui/fixedlayout.h"

class QTableWidget;
struct DetailsTable;

class TFormTAres : public QWidget {
  Q_OBJECT
 public:
  // Scales the window, drawn for 96 DPI, to the resolution and room of `screen`
  // (done for the window's own screen when it is created).
  void fitScreen(const ScreenMetrics& screen);
  // Creates the window at its remembered place with a table of one empty cell.
  explicit TFormTAres(QWidget* parent = nullptr);
  ~TFormTAres() override;

  // Fills the table from the report file (default "diffeq.txt"); a missing
  // file leaves the single empty cell.
  void Fill(const QString& fileName = QStringLiteral("diffeq.txt"));
  // Puts a parsed report into the table.
  void ShowTable(const DetailsTable& table);

  // Activation: back at its remembered place.
  void windowActivated();
  // Deactivation: the window's place is remembered.
  void windowDeactivated();
  // Resize: the table takes the window's height less 8 pixels.
  void windowResized();
  // Closing: says so by `closed` (the main window clears its box).
  void windowClosing();

  // The place the window returns to when activated.
  static QPoint rememberedPosition();

  QTableWidget* ReportTable = nullptr;

 signals:
  // The user closed the window.
  void closed();

 protected:
  void changeEvent(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // A length of the 96-DPI design at the window's scale.
  int scaled(int length) const;

  FixedLayoutScale layoutScale_;
  bool closing_ = false;
};
