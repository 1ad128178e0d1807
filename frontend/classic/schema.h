// The "Circuit Schema" window: the picture of diffeq with the scan chains, the
// uncontrollable feedback loops, the selected function unit and the ports of
// the current propagation step drawn over it, and the browser of the test
// data propagation paths of the selected unit.
#pragma once

#include <QImage>
#include <QPoint>
#include <QString>
#include <QWidget>

#include <memory>

#include "ui/fixedlayout.h"
#include "models/propagpaths.h"
#include "classic/schemageometry.h"

class AppState;
class QGroupBox;
class QPushButton;
class QSvgRenderer;

// Client size of the schema window.
inline constexpr int kSchemaClientWidth = 773;
inline constexpr int kSchemaClientHeight = 354;

// The message shown when paths are asked for before the first Run.
QString RunAnalysisFirstMessage();

// The picture area: paints the schema and the overlays drawn on it, and
// reports clicks to the window.
class TSchemaView : public QWidget {
  Q_OBJECT
 public:
  // A picture area inside the schema window.
  explicit TSchemaView(QWidget* parent);
  ~TSchemaView() override;

  // The overlay everything is drawn on (client coordinates, transparent).
  QImage& canvas() { return canvas_; }
  // Removes every overlay.
  void clearCanvas();

 signals:
  // A click at a point of the picture, in the coordinates it is drawn in at 96 DPI.
  void clicked(QPoint position);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  std::unique_ptr<QSvgRenderer> picture_;
  QImage canvas_;
};

class TFormSchema : public QWidget {
  Q_OBJECT
 public:
  // Creates the window (windowCreated) at its remembered place, on the shared state.
  explicit TFormSchema(AppState& state, QWidget* parent = nullptr);
  ~TFormSchema() override;

  // Scales the window, drawn for 96 DPI, to the resolution and room of `screen`
  // (done for the window's own screen when it is created).
  void fitScreen(const ScreenMetrics& screen) { layoutScale_.apply(screen); }

  // Reads the paths from `fileName` instead of the session's "diffeq.pro".
  void setPropagationFile(const QString& fileName);
  // Reads the report from `fileName` instead of the session's "diffeq.txt".
  void setReportFile(const QString& fileName);

  // Creation: "|<", ">" and "Itm" disabled, "All" enabled.
  void windowCreated();
  // Activation: back to the remembered place, chains and loops drawn again
  // (through the scan layout window while it is open).
  void windowActivated();
  // Deactivation: the window's place is remembered.
  void windowDeactivated();
  // Closing: the paths are dropped and `closed` says so.
  void windowClosing();
  // A click on the picture at a point of the client area: help, or selection
  // of a function unit and preparation of its paths.
  void pictureClicked(QPoint clientPosition);
  // "|<": stepping starts again from the first entry.
  void restartClicked();
  // ">": the next step of the selected unit's paths.
  void nextStepClicked();
  // "Itm": every step of the selected unit listed in the history.
  void itemStepsClicked();
  // "All": every step of every function unit listed in the history.
  void allStepsClicked();

  // Repaints the bare picture: every overlay is removed.
  void RefreshCanvas();
  // The bare picture with the chains of `notation` over it; an empty
  // notation leaves the bare picture.
  void ShowLayout(const QString& notation);
  // Draws the chains of a notation (the canvas is not refreshed here) and
  // records their wire ends.
  void DrawChains(const QString& notation);
  // Where the chains drawn last meet the registers and the chain columns.
  const ChainAnchors& anchors() const { return anchors_; }
  // A run has started: stepping is offered again.
  void RunStarted();
  // Tells the window whether the scan layout window is open (it then redraws
  // the chains when the schema is activated).
  void setLayoutWindowOpen(bool open) { layoutWindowOpen_ = open; }
  // Draws the uncontrollable feedback loops found in the report. With
  // `announceNone` (a request by the user) it also says when there is none;
  // redraws (activation, clicks, steps) stay silent, so the box comes once.
  void DrawFeedbackLoops(bool announceNone = false);
  // Marks the ports of a step (names separated by blanks) with short bars.
  void MarkStepPorts(const QString& names, bool observation);

  // The overlay drawn over the picture.
  const QImage& canvas() const;
  // The window's client area as shown (picture and overlays).
  QImage renderClient();

  // The unit selected last (empty before the first selection).
  const QString& selectedUnit() const { return selectedUnit_; }
  // The path browser of the window.
  PathBrowser& browser() { return browser_; }

  // The place the window returns to when activated.
  static QPoint rememberedPosition();

  TSchemaView* Schema = nullptr;
  QGroupBox* PathsGroup = nullptr;         // "Test Data Propagation Paths"
  QPushButton* RestartButton = nullptr;    // "|<"
  QPushButton* NextStepButton = nullptr;   // ">"
  QPushButton* ItemStepsButton = nullptr;  // "Itm"
  QPushButton* AllStepsButton = nullptr;   // "All"

 signals:
  // The user closed the window.
  void closed();
  // A line for the history.
  void historyLine(const QString& line);
  // Help mode: the page of a topic is wanted.
  void helpRequested(const QString& topic);
  // Activation while the scan layout window is open: it is to redraw the layout.
  void layoutRedrawRequested();

 protected:
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void helpModeChanged(bool on);
  // The title says which layout is drawn (analysed or not) and whether help mode is on.
  void updateTitle();
  void connectBrowser();
  void drawSelectionFrame();
  void checkLayoutAgreement();
  bool loopsWanted() const;
  void appendHistory(const QString& line);
  void setBrowserEnabled(bool enabled);

  AppState& state_;
  FixedLayoutScale layoutScale_;
  PathBrowser browser_;
  ChainAnchors anchors_;
  bool layoutWindowOpen_ = false;
  QString reportFile_;
  QString selectedUnit_;
  bool selectionMarked_ = false;
  bool layoutWarned_ = false;
  bool closing_ = false;
  QString shownLayout_;  // the notation whose chains are drawn
};
