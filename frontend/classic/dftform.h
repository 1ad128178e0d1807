// The "Scan Layout Selection" window: the learner turns the six registers of
// diffeq into scan registers, groups them into chains A-F and orders them, by
// hand, from a preset or at random. The choice lives in the shared state's
// grid; the window asks for the chains to be drawn over the schema by signal.
#pragma once

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QWidget>

#include <array>
#include <functional>
#include <optional>

#include "ui/fixedlayout.h"
#include "models/layoutgrid.h"

class AppState;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;

// Presets of the preset box, in list order.
enum ScanPreset {
  kPresetSelect = 0,       // "Select/Create/Remove Scan Layout"
  kPresetFullOwnChains,    // "Full Scan (1 Register <-> 1 Scan-Chain)"
  kPresetFullOneChain,     // "Full Scan (1 Scan-chain, Preset Ordering)"
  kPresetOneChainUser,     // "Full Scan (1 Scan-chain, User Ordering)"
  kPresetUser,             // "Complete Scan Layout Selection by User"
  kPresetRandom,           // "Random Generated Scan Structure"
  kPresetApplied,          // the layout applied from outside, when it equals no preset
};

// Size of the layout picture, in pixels.
inline constexpr int kLayoutPictureSize = 500;

class TDftForm : public QWidget {
  Q_OBJECT
 public:
  // Creates the window (windowCreated) on the shared state.
  explicit TDftForm(AppState& state, QWidget* parent = nullptr);
  ~TDftForm() override;

  // Source of random numbers: returns a uniform integer in 0 .. bound-1.
  using RandomSource = std::function<int(int bound)>;
  // Replaces the random source used by the Random button.
  void setRandomSource(RandomSource source);

  // Scales the window, drawn for 96 DPI, to the resolution and room of `screen`
  // (done for the window's own screen when it is created).
  void fitScreen(const ScreenMetrics& screen);

  // Window creation: controls in their start state, the empty "out.txt".
  void windowCreated();
  // Activation: back to the saved place, redraw the layout.
  void windowActivated();
  // Deactivation: remember the window's place.
  void windowDeactivated();
  // Closing: says so by `closed` (the main window clears its box).
  void windowClosing();

  // Chain box of register k changed (k = 1..6).
  void chainChanged(int k);
  // Ordering box of register k entered: offer "Not selected" and the free positions.
  void orderingEntered(int k);
  // Ordering box of register k changed: place the register, redraw, inform.
  void orderingChanged(int k);


  // Ordering check box clicked: ordering boxes or the Random button.
  void orderingBoxClicked();
  // Preset box: apply the selected preset.
  void presetChanged();
  // Random button: a random layout for the current preset.
  void randomClicked();
  // Hidden button: loads the scan layout of the last results (an Auto-Designer
  // run's) and shows it as applied.
  void loadLastLayout();
  // The shared state's layout was applied from outside (an Auto-Designer run,
  // a comparison point): the preset box selects the preset it equals, or an
  // entry "ORIGIN: REG.. REG.." after the presets; the register rows show its
  // chains and places, locked; the picture and information follow.
  void showAppliedLayout(const QString& origin);
  // Notation button: shows the notation in a message box.
  void notationClicked();
  // Draw layout button: redraws the picture and the schema overlay.
  void drawLayoutClicked();

  // True when all six ordering boxes show "Not selected".
  bool NoOrderingSelected() const;
  // Shows the register and chain counts of the current notation.
  void UpdateInformation();
  // Paints the picture area with the window colour.
  void BlankPicture();

  // The layout picture as last drawn.
  const QImage& picture() const { return picture_; }

  // Controls, named for what they hold or do.
  std::array<QLabel*, 6> RegisterLabels{};    // the register names, "REG1".."REG6"
  std::array<QComboBox*, 6> ChainBoxes{};     // the chain of each register
  std::array<QComboBox*, 6> OrderingBoxes{};  // the place of each register in its chain
  QCheckBox* ShowOrderingBox = nullptr;       // ordering by hand shown
  QComboBox* PresetBox = nullptr;             // the preset layouts
  QPushButton* RandomButton = nullptr;        // "Random"
  QPushButton* LoadLayoutButton = nullptr;    // hidden: load notation
  QPushButton* NotationButton = nullptr;      // "Notation"
  QPushButton* DrawLayoutButton = nullptr;    // "Draw layout"
  QLabel* RegisterCountLabel = nullptr;       // number of scan registers
  QLabel* ChainCountLabel = nullptr;          // number of scan chains
  QLabel* SelectedLayoutLabel = nullptr;      // selected scan layout
  QLabel* LayoutPicture = nullptr;            // the picture

  // Column headings of the selection area.
  QLabel* HeadingRegister = nullptr;
  QLabel* HeadingChain = nullptr;
  QLabel* HeadingInChain = nullptr;
  QLabel* HeadingOrdering = nullptr;
  // What to do next, shown while the selection controls are hidden.
  QLabel* SelectionHint = nullptr;

 signals:
  // The user closed the window.
  void closed();
  // The chains of `notation` are to be drawn over the schema (empty: none).
  void drawLayoutRequested(const QString& notation);

 protected:
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildControls();
  void buildRegisterRows();
  void buildInformationBox();
  void resetSelection();
  void applyFullScan(bool own);
  void setSelectionVisible(bool visible);
  void setOrderingVisible(bool visible);
  void resetOrderingBox(int index);
  void showLayoutInRows();
  void removeAppliedEntry();
  void drawPicture(const QString& notation);
  LayoutGrid randomFullStructure();
  void randomOrderingOfChosenChains();
  int random(int bound);

  AppState& state_;
  QGroupBox* selectionGroup_ = nullptr;
  QImage picture_;
  FixedLayoutScale layoutScale_;
  RandomSource random_;
  std::optional<QPoint> savedPosition_;
  bool closing_ = false;
};
