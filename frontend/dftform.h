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

#include "fixedlayout.h"
#include "layoutgrid.h"

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
};

// Size of the layout picture, in pixels.
inline constexpr int kLayoutPictureSize = 500;

class TDftForm : public QWidget {
  Q_OBJECT
 public:
  // Creates the window (FormCreate) on the shared state.
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
  void FormCreate();
  // Activation: back to the saved place, redraw the layout.
  void FormActivate();
  // Deactivation: remember the window's place.
  void FormDeactivate();
  // Closing: says so by `closed` (the main window clears its box).
  void FormClose();

  // Chain box of register k changed (k = 1..6).
  void ChainBoxChange(int k);
  // Ordering box of register k entered: offer "Not selected" and the free positions.
  void OrderingBoxEnter(int k);
  // Ordering box of register k changed: place the register, redraw, inform.
  void OrderingBoxChange(int k);

  void ComboBox1Change() { ChainBoxChange(1); }
  void ComboBox2Change() { ChainBoxChange(2); }
  void ComboBox3Change() { ChainBoxChange(3); }
  void ComboBox4Change() { ChainBoxChange(4); }
  void ComboBox5Change() { ChainBoxChange(5); }
  void ComboBox6Change() { ChainBoxChange(6); }
  void ComboBox7Enter() { OrderingBoxEnter(1); }
  void ComboBox8Enter() { OrderingBoxEnter(2); }
  void ComboBox9Enter() { OrderingBoxEnter(3); }
  void ComboBox10Enter() { OrderingBoxEnter(4); }
  void ComboBox11Enter() { OrderingBoxEnter(5); }
  void ComboBox12Enter() { OrderingBoxEnter(6); }
  void ComboBox7Change() { OrderingBoxChange(1); }
  void ComboBox8Change() { OrderingBoxChange(2); }
  void ComboBox9Change() { OrderingBoxChange(3); }
  void ComboBox10Change() { OrderingBoxChange(4); }
  void ComboBox11Change() { OrderingBoxChange(5); }
  void ComboBox12Change() { OrderingBoxChange(6); }

  // Ordering check box clicked: ordering boxes or the Random button.
  void CheckBox1Click();
  // Preset box: apply the selected preset.
  void ComboBox13Change();
  // Random button: a random layout for the current preset.
  void Button1Click();
  // Hidden button: loads the scan layout of the last results.
  void Button2Click();
  // Notation button: shows the notation in a message box.
  void Button5Click();
  // Draw layout button: redraws the picture and the schema overlay.
  void Button6Click();

  // True when all six ordering boxes show "Not selected".
  bool NoOrderingSelected() const;
  // Shows the register and chain counts of the current notation.
  void UpdateInformation();
  // Paints the picture area with the window colour.
  void BlankPicture();

  // The layout picture as last drawn.
  const QImage& picture() const { return picture_; }

  // Controls, named as in the window description.
  std::array<QLabel*, 6> RegisterLabels{};        // Label4-Label9
  std::array<QComboBox*, 6> ChainBoxes{};         // ComboBox1-ComboBox6
  std::array<QComboBox*, 6> OrderingBoxes{};      // ComboBox7-ComboBox12
  QCheckBox* CheckBox1 = nullptr;                 // ordering shown
  QComboBox* ComboBox13 = nullptr;                // presets
  QPushButton* Button1 = nullptr;                 // "Random"
  QPushButton* Button2 = nullptr;                 // hidden: load notation
  QPushButton* Button5 = nullptr;                 // "Notation"
  QPushButton* Button6 = nullptr;                 // "Draw layout"
  QLabel* Label13 = nullptr;                      // number of scan registers
  QLabel* Label14 = nullptr;                      // number of scan chains
  QLabel* Label16 = nullptr;                      // selected scan layout
  QLabel* ScanLayout = nullptr;                   // the picture

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
  void setSelectionVisible(bool visible);
  void setOrderingVisible(bool visible);
  void resetOrderingBox(int index);
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
