#include "classic/dftform.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QFocusEvent>
#include <QRandomGenerator>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionComboBox>

#include "ui/activation.h"
#include "models/appstate.h"
#include "enginelink/notation.h"

namespace {

const QString kNone = QStringLiteral("None");
const QString kNotSelected = QStringLiteral("Not selected");
const std::array<QString, kPositions> kPositionLabels = {
    QStringLiteral("1st"), QStringLiteral("2nd"), QStringLiteral("3rd"),
    QStringLiteral("4th"), QStringLiteral("5th"), QStringLiteral("6th")};

const QStringList kPresets = {
    QStringLiteral("Select/Create/Remove Scan Layout"),
    QStringLiteral("Full Scan (1 Register <-> 1 Scan-Chain)"),
    QStringLiteral("Full Scan (1 Scan-chain, Preset Ordering)"),
    QStringLiteral("Full Scan (1 Scan-chain, User Ordering)"),
    QStringLiteral("Complete Scan Layout Selection by User"),
    QStringLiteral("Random Generated Scan Structure")};

const QColor kShadow(0x11, 0x11, 0x11);

// Picture geometry: boxes 50 x 30, columns 70 apart from x = 10, rows 50
// apart from y = 25; the chain label sits just above its row of boxes.
constexpr int kBoxWidth = 50;
constexpr int kBoxHeight = 30;
constexpr int kColumnStep = 70;
constexpr int kRowStep = 50;
constexpr int kFirstColumn = 10;
constexpr int kFirstRow = 25;

// Window geometry.
constexpr int kFormWidth = 900;
constexpr int kFormHeight = 542;
constexpr int kRowTop = 112;
constexpr int kRowStepY = 36;

int chainOfText(const QString& text) {
  if (text.isEmpty()) return -1;
  const char16_t c = text.at(0).unicode();
  return (c >= u'A' && c <= u'F') ? static_cast<int>(c - u'A') : -1;
}

std::size_t at(int i) { return static_cast<std::size_t>(i); }

// The preset whose layout `grid` is, or kPresetApplied.
ScanPreset PresetOfLayout(const LayoutGrid& grid) {
  LayoutGrid ownChains;
  LayoutGrid oneChain;
  for (int i = 0; i < kRegisters; ++i) {
    ownChains.set(i, 0, i);
    oneChain.set(0, i, i);
  }
  if (grid == ownChains) return kPresetFullOwnChains;
  if (grid == oneChain) return kPresetFullOneChain;
  return kPresetApplied;
}

// "ORIGIN: REG6 REG1 | REG3": the registers of each chain in scan order.
QString AppliedLayoutText(const QString& origin, const LayoutGrid& grid) {
  QStringList chains;
  for (const auto& row : grid.cells()) {
    QStringList registers;
    for (int cell : row)
      if (cell >= 0) registers << QStringLiteral("REG%1").arg(cell + 1);
    if (!registers.isEmpty()) chains << registers.join(u' ');
  }
  return origin + QStringLiteral(": ") + chains.join(QStringLiteral(" | "));
}

}  // namespace

TDftForm::TDftForm(AppState& state, QWidget* parent) : QWidget(parent, Qt::Window), state_(state) {
  buildControls();
  windowCreated();
}

TDftForm::~TDftForm() = default;

void TDftForm::setRandomSource(RandomSource source) { random_ = std::move(source); }

int TDftForm::random(int bound) {
  if (bound <= 1) return 0;
  const int value = random_ ? random_(bound) : static_cast<int>(QRandomGenerator::global()->bounded(bound));
  return value < 0 ? 0 : (value >= bound ? bound - 1 : value);
}

void TDftForm::buildControls() {
  setWindowTitle(QStringLiteral("Scan Layout Selection"));
  QFont f = font();
  f.setPixelSize(12);
  setFont(f);
  setFixedSize(kFormWidth, kFormHeight);

  selectionGroup_ = new QGroupBox(QStringLiteral("Scan Layout (Selection)"), this);
  selectionGroup_->setGeometry(8, 6, 372, 376);

  PresetBox = new QComboBox(selectionGroup_);
  PresetBox->addItems(kPresets);
  PresetBox->setGeometry(10, 24, 352, 26);
  PresetBox->setToolTip(QStringLiteral("Choose a preset scan layout or the way to enter one"));
  connect(PresetBox, &QComboBox::activated, this, [this] { presetChanged(); });

  HeadingRegister = new QLabel(QStringLiteral("Register"), selectionGroup_);
  HeadingRegister->setGeometry(12, 72, 70, 18);
  HeadingChain = new QLabel(QStringLiteral("Scan chain"), selectionGroup_);
  HeadingChain->setGeometry(92, 72, 100, 18);
  HeadingInChain = new QLabel(QStringLiteral("Register In-Chain"), selectionGroup_);
  HeadingInChain->setGeometry(214, 62, 140, 18);
  ShowOrderingBox = new QCheckBox(selectionGroup_);
  ShowOrderingBox->setGeometry(214, 80, 18, 18);
  ShowOrderingBox->setChecked(true);
  ShowOrderingBox->setToolTip(QStringLiteral("Order the registers in their chains by hand (checked) or at random"));
  connect(ShowOrderingBox, &QCheckBox::clicked, this, [this] { orderingBoxClicked(); });
  HeadingOrdering = new QLabel(QStringLiteral("Ordering"), selectionGroup_);
  HeadingOrdering->setGeometry(236, 80, 100, 18);

  buildRegisterRows();

  SelectionHint = new QLabel(selectionGroup_);
  SelectionHint->setGeometry(14, 66, 344, 120);
  SelectionHint->setWordWrap(true);
  SelectionHint->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  SelectionHint->setForegroundRole(QPalette::PlaceholderText);

  RandomButton = new QPushButton(QStringLiteral("Random"), selectionGroup_);
  RandomButton->setGeometry(214, 334, 140, 28);
  RandomButton->setToolTip(QStringLiteral("Generate a random scan layout"));
  connect(RandomButton, &QPushButton::clicked, this, [this] { randomClicked(); });

  buildInformationBox();

  NotationButton = new QPushButton(QStringLiteral("Notation"), this);
  NotationButton->setGeometry(8, 508, 120, 28);
  NotationButton->setToolTip(QStringLiteral("Show the scan layout notation"));
  connect(NotationButton, &QPushButton::clicked, this, [this] { notationClicked(); });
  DrawLayoutButton = new QPushButton(QStringLiteral("Draw layout"), this);
  DrawLayoutButton->setGeometry(136, 508, 120, 28);
  DrawLayoutButton->setToolTip(QStringLiteral("Redraw the scan layout"));
  connect(DrawLayoutButton, &QPushButton::clicked, this, [this] { drawLayoutClicked(); });
  LoadLayoutButton = new QPushButton(this);
  LoadLayoutButton->setGeometry(264, 508, 40, 28);
  connect(LoadLayoutButton, &QPushButton::clicked, this, [this] { loadLastLayout(); });

  auto* visual = new QGroupBox(QStringLiteral("Scan Layout (Visual Illustration)"), this);
  visual->setGeometry(386, 6, 506, 530);
  LayoutPicture = new QLabel(visual);
  LayoutPicture->setGeometry(3, 24, kLayoutPictureSize, kLayoutPictureSize);
  LayoutPicture->setToolTip(QStringLiteral("The scan chains of the layout, from scan input to scan output"));
  layoutScale_.capture(this);
  fitScreen(ScreenMetricsOf(this));
}

// One row per register: its label, its chain box and its ordering box.
void TDftForm::buildRegisterRows() {
  for (int i = 0; i < kRegisters; ++i) {
    const int y = kRowTop + kRowStepY * i;
    auto* label = new QLabel(QStringLiteral("REG%1").arg(i + 1), selectionGroup_);
    label->setGeometry(16, y + 3, 60, 20);
    RegisterLabels[at(i)] = label;

    auto* chain = new QComboBox(selectionGroup_);
    chain->addItem(kNone);
    for (char16_t c = u'A'; c <= u'F'; ++c) chain->addItem(QString(QChar(c)));
    chain->setGeometry(92, y, 100, 26);
    chain->setToolTip(QStringLiteral("Scan chain of REG%1 (None: not a scan register)").arg(i + 1));
    connect(chain, &QComboBox::activated, this, [this, i] { chainChanged(i + 1); });
    ChainBoxes[at(i)] = chain;

    auto* ordering = new QComboBox(selectionGroup_);
    ordering->setGeometry(214, y, 140, 26);
    ordering->setToolTip(QStringLiteral("Position of REG%1 in its scan chain").arg(i + 1));
    ordering->installEventFilter(this);
    connect(ordering, &QComboBox::activated, this, [this, i] { orderingChanged(i + 1); });
    OrderingBoxes[at(i)] = ordering;
    resetOrderingBox(i);
  }
}

// The information box: the notation, the scan register and chain counts.
void TDftForm::buildInformationBox() {
  auto* info = new QGroupBox(QStringLiteral("Scan Layout (Information)"), this);
  info->setGeometry(8, 390, 372, 112);
  const std::array<QString, 3> captions = {QStringLiteral("Selected scan layout: "),
                                           QStringLiteral("Number of scan registers: "),
                                           QStringLiteral("Number of multiple scan chains:")};
  std::array<QLabel*, 3> values{};
  for (std::size_t r = 0; r < captions.size(); ++r) {
    const int y = 26 + 26 * static_cast<int>(r);
    auto* caption = new QLabel(captions[r], info);
    caption->setGeometry(12, y, 220, 20);
    auto* value = new QLabel(info);
    value->setGeometry(236, y, 120, 20);
    QFont bold = value->font();
    bold.setBold(true);
    value->setFont(bold);
    values[r] = value;
  }
  SelectedLayoutLabel = values[0];
  RegisterCountLabel = values[1];
  ChainCountLabel = values[2];
  SelectedLayoutLabel->setToolTip(QStringLiteral("Full scan: all six registers are scan registers"));
  RegisterCountLabel->setToolTip(QStringLiteral("How many registers are scan registers"));
  ChainCountLabel->setToolTip(QStringLiteral("How many scan chains the layout has"));
}

void TDftForm::fitScreen(const ScreenMetrics& screen) {
  layoutScale_.apply(screen);
  // The picture is drawn at the scale of the window, so it stays sharp.
  picture_ = QImage(LayoutPicture->size(), QImage::Format_RGB32);
  BlankPicture();
  const QString notation = state_.layoutNotation();
  if (CountNotationRegisters(notation) > 0) drawPicture(notation);
}

void TDftForm::windowCreated() {
  // An empty "out.txt" is created in the session's folder; an existing one
  // is never truncated, so nothing of the learner's is lost.
  const QString outFile = state_.workFile(QStringLiteral("out.txt"));
  if (!QFileInfo::exists(outFile)) {
    QFile out(outFile);
    (void)out.open(QIODevice::ReadWrite);
  }
  NotationButton->hide();
  DrawLayoutButton->hide();
  LoadLayoutButton->hide();
  for (int i = 0; i < kRegisters; ++i) {
    ChainBoxes[at(i)]->setCurrentIndex(0);
    resetOrderingBox(i);
    OrderingBoxes[at(i)]->setEnabled(false);
  }
  PresetBox->setCurrentIndex(kPresetSelect);
  RandomButton->hide();
  ShowOrderingBox->hide();
  setSelectionVisible(false);
  SelectedLayoutLabel->setText(QStringLiteral("none"));
  RegisterCountLabel->setText(QStringLiteral("0"));
  ChainCountLabel->setText(QStringLiteral("0"));
  BlankPicture();
  // A window opened again shows the layout the state still holds.
  if (!state_.layout().isEmpty()) showAppliedLayout(QStringLiteral("Current layout"));

  // Opens beside the main window, below the schema window's place.
  int top = 390;
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const int room = screen->availableGeometry().height() - height() - 40;
    top = std::max(0, std::min(top, room));
  }
  // Beside the main window, whose width grows with the same factor.
  move(ScaledSize(QSize(264, 1), layoutScale_.factor()).width(), top);
}

void TDftForm::setSelectionVisible(bool visible) {
  SelectionHint->setVisible(!visible);
  SelectionHint->setText(PresetBox->currentIndex() == kPresetRandom
                             ? QStringLiteral("Press Random to let chance decide which registers are scanned "
                                              "and how they are chained.")
                             : QStringLiteral("Choose a full scan preset above, or \"Complete Scan Layout "
                                              "Selection by User\" to put registers into scan chains A-F "
                                              "yourself.\n\nThe layout shown here is the one the next "
                                              "testability analysis applies."));
  HeadingRegister->setVisible(visible);
  HeadingChain->setVisible(visible);
  HeadingInChain->setVisible(visible);
  HeadingOrdering->setVisible(visible);
  ShowOrderingBox->setVisible(visible);
  for (int i = 0; i < kRegisters; ++i) {
    RegisterLabels[at(i)]->setVisible(visible);
    ChainBoxes[at(i)]->setVisible(visible);
    OrderingBoxes[at(i)]->setVisible(visible);
  }
}

void TDftForm::setOrderingVisible(bool visible) {
  for (QComboBox* box : OrderingBoxes) box->setVisible(visible);
}

void TDftForm::resetOrderingBox(int index) {
  QComboBox* box = OrderingBoxes[at(index)];
  const QSignalBlocker blocker(box);
  box->clear();
  box->addItem(kNotSelected);
  for (const QString& label : kPositionLabels) box->addItem(label);
  box->setCurrentIndex(0);
}

void TDftForm::changeEvent(QEvent* event) {
  DispatchActivationChange(this, event);
  QWidget::changeEvent(event);
}

void TDftForm::closeEvent(QCloseEvent* event) {
  windowClosing();
  event->accept();
}

bool TDftForm::eventFilter(QObject* watched, QEvent* event) {
  // Focus coming back from the box's own list (a choice made with the mouse)
  // must not refill the box: that would drop the position just chosen.
  if (event->type() == QEvent::FocusIn && static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
    for (int i = 0; i < kRegisters; ++i)
      if (watched == OrderingBoxes[at(i)]) orderingEntered(i + 1);
  }
  return QWidget::eventFilter(watched, event);
}

void TDftForm::windowActivated() {
  if (savedPosition_ && pos() != *savedPosition_) move(*savedPosition_);
  drawLayoutClicked();
}

void TDftForm::windowDeactivated() {
  if (isVisible()) savedPosition_ = pos();
}

void TDftForm::windowClosing() {
  if (closing_) return;
  closing_ = true;
  emit closed();
}

void TDftForm::chainChanged(int k) {
  if (k < 1 || k > kRegisters) return;
  const int i = k - 1;
  state_.placeRegister(kNone, kNotSelected, i);
  resetOrderingBox(i);
  OrderingBoxes[at(i)]->setEnabled(ChainBoxes[at(i)]->currentText() != kNone);
  // Without ordering by hand the register goes to a random free place, as promised.
  if (!ShowOrderingBox->isChecked()) randomOrderingOfChosenChains();
  drawLayoutClicked();
  UpdateInformation();
}

void TDftForm::orderingEntered(int k) {
  if (k < 1 || k > kRegisters) return;
  const int i = k - 1;
  QComboBox* box = OrderingBoxes[at(i)];
  const int chain = chainOfText(ChainBoxes[at(i)]->currentText());
  const QSignalBlocker blocker(box);
  box->clear();
  box->addItem(kNotSelected);
  int current = 0;
  if (chain >= 0) {
    // The free positions of the chain; the register's own place stays on
    // offer and selected, so the box keeps showing where the register is.
    for (int p = 0; p < kPositions; ++p) {
      const int cell = state_.layout().at(chain, p);
      if (cell != -1 && cell != i) continue;
      box->addItem(kPositionLabels[at(p)]);
      if (cell == i) current = box->count() - 1;
    }
  }
  box->setCurrentIndex(current);
}

void TDftForm::orderingChanged(int k) {
  if (k < 1 || k > kRegisters) return;
  const int i = k - 1;
  if (NoOrderingSelected()) {
    state_.clearLayout();
    BlankPicture();
    emit drawLayoutRequested(QString());
    UpdateInformation();
    return;
  }
  state_.placeRegister(ChainBoxes[at(i)]->currentText(), OrderingBoxes[at(i)]->currentText(), i);
  drawLayoutClicked();
  UpdateInformation();
}

bool TDftForm::NoOrderingSelected() const {
  for (const QComboBox* box : OrderingBoxes)
    if (box->currentText() != kNotSelected) return false;
  return true;
}

void TDftForm::UpdateInformation() {
  const QString notation = state_.layoutNotation();
  const int registers = CountNotationRegisters(notation);
  const int chains = CountNotationChains(notation);
  RegisterCountLabel->setText(QString::number(registers));
  ChainCountLabel->setText(QString::number(chains));
  if (registers == 0)
    SelectedLayoutLabel->setText(QStringLiteral("none"));
  else
    SelectedLayoutLabel->setText(registers == kRegisters ? QStringLiteral("full scan")
                                                         : QStringLiteral("partial scan"));
}

void TDftForm::orderingBoxClicked() {
  const bool ordering = ShowOrderingBox->isChecked();
  setOrderingVisible(ordering);
  RandomButton->setVisible(!ordering);
  if (ordering) {
    state_.clearLayout();
    for (int i = 0; i < kRegisters; ++i) resetOrderingBox(i);
  } else {
    randomOrderingOfChosenChains();  // the chosen registers keep a random order
  }
  drawLayoutClicked();
  UpdateInformation();
}

void TDftForm::presetChanged() {
  const int preset = PresetBox->currentIndex();
  if (preset == kPresetApplied) return;  // the applied layout stays as it is
  removeAppliedEntry();
  resetSelection();
  switch (preset) {
    case kPresetSelect:
      setSelectionVisible(false);
      break;
    case kPresetFullOwnChains:
    case kPresetFullOneChain:
      applyFullScan(preset == kPresetFullOwnChains);
      break;
    case kPresetOneChainUser:
      for (int i = 0; i < kRegisters; ++i) {
        ChainBoxes[at(i)]->setCurrentIndex(1);
        ChainBoxes[at(i)]->setEnabled(false);
        OrderingBoxes[at(i)]->setEnabled(true);
      }
      // Ordering is entered by checking the box; until then a random order holds.
      ShowOrderingBox->setChecked(false);
      setOrderingVisible(false);
      RandomButton->show();
      randomOrderingOfChosenChains();
      drawLayoutClicked();
      UpdateInformation();
      state_.showMessage(this, QMessageBox::Information, QStringLiteral("Info"),
                  QStringLiteral("Please, select ordering of registers in scan-chain, if required.\n"
                                 "Otherwise, random ordering of registers in scan-chain will be used."));
      break;
    case kPresetUser:
      ShowOrderingBox->setChecked(false);
      setOrderingVisible(false);
      RandomButton->show();
      state_.showMessage(this, QMessageBox::Information, QStringLiteral("Info"),
                  QStringLiteral("Please, select registers to scan and their ordering in scan-chain(s), if required.\n"
                                 "Otherwise, random ordering of selected registers in scan-chain(s) will be used."));
      break;
    case kPresetRandom:
      setSelectionVisible(false);
      ShowOrderingBox->setChecked(false);
      UpdateInformation();  // "none" until Random is pressed
      RandomButton->show();
      state_.showMessage(this, QMessageBox::Information, QStringLiteral("Info"),
                  QStringLiteral("To generate a scan structure, please press button."));
      break;
    default:
      break;
  }
}

// Every preset starts from an empty layout with the selection controls shown.
void TDftForm::resetSelection() {
  for (int i = 0; i < kRegisters; ++i) {
    ChainBoxes[at(i)]->setCurrentIndex(0);
    ChainBoxes[at(i)]->setEnabled(true);
    resetOrderingBox(i);
    OrderingBoxes[at(i)]->setEnabled(false);
  }
  setSelectionVisible(true);
  RandomButton->hide();
  ShowOrderingBox->setEnabled(true);
  ShowOrderingBox->setChecked(true);
  state_.clearLayout();
  BlankPicture();
  emit drawLayoutRequested(QString());
  RegisterCountLabel->setText(QStringLiteral("0"));
  ChainCountLabel->setText(QStringLiteral("0"));
  SelectedLayoutLabel->setText(QStringLiteral("none"));
}

// Full scan: every register in a chain of its own (`own`) or all in one chain.
void TDftForm::applyFullScan(bool own) {
  LayoutGrid grid;
  for (int i = 0; i < kRegisters; ++i) {
    ChainBoxes[at(i)]->setCurrentIndex(own ? i + 1 : 1);
    OrderingBoxes[at(i)]->setCurrentIndex(own ? 1 : i + 1);
    ChainBoxes[at(i)]->setEnabled(false);
    OrderingBoxes[at(i)]->setEnabled(false);
    if (own)
      grid.set(i, 0, i);
    else
      grid.set(0, i, i);
  }
  state_.setLayout(grid);
  ShowOrderingBox->setEnabled(false);
  drawLayoutClicked();
  UpdateInformation();
}

void TDftForm::randomClicked() {
  state_.clearLayout();
  const int preset = PresetBox->currentIndex();
  if (preset == kPresetRandom)
    state_.setLayout(randomFullStructure());
  else if (preset == kPresetOneChainUser || preset == kPresetUser)
    randomOrderingOfChosenChains();
  drawLayoutClicked();
  UpdateInformation();
}

LayoutGrid TDftForm::randomFullStructure() {
  // Passes of 36 draws decide every register: left out, or placed at the
  // cell of the draw. A pass that leaves a register undecided starts over
  // with the decisions kept; the layout is what the last pass placed. A
  // result without any register is drawn again. Both loops are bounded so
  // that a degenerate random source cannot hang the window.
  constexpr int kMaxAttempts = 1000;
  constexpr int kMaxPasses = 1000;
  LayoutGrid grid;
  for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
    std::array<bool, kRegisters> decided{};
    bool allDecided = false;
    for (int pass = 0; pass < kMaxPasses && !allDecided; ++pass) {
      grid.clear();
      for (int i = 0; i < kChains; ++i) {
        for (int j = 0; j < kPositions; ++j) {
          const int r = random(kRegisters);
          if (random(100) < 25 && r > 0) decided[at(r)] = true;
          if (!decided[at(r)] && random(i + 6) > 3) {
            decided[at(r)] = true;
            grid.set(i, j, r);
          }
        }
      }
      allDecided = std::all_of(decided.begin(), decided.end(), [](bool d) { return d; });
    }
    if (!grid.isEmpty()) return grid;
  }
  return grid;
}

void TDftForm::randomOrderingOfChosenChains() {
  LayoutGrid grid = state_.layout();
  const QString placed = grid.notation();
  for (int i = 0; i < kRegisters; ++i) {
    const int chain = chainOfText(ChainBoxes[at(i)]->currentText());
    if (chain < 0 || placed.contains(QChar(u'0' + i))) continue;  // registers already placed keep their place
    const auto& row = grid.cells()[at(chain)];
    if (std::none_of(row.begin(), row.end(), [](int cell) { return cell == -1; })) continue;
    int position = -1;
    for (int draw = 0; draw < 1000 && position < 0; ++draw) {
      const int p = random(kPositions);
      if (row[at(p)] == -1) position = p;
    }
    if (position < 0)  // a degenerate source: take the first free cell
      position = static_cast<int>(std::find(row.begin(), row.end(), -1) - row.begin());
    grid.set(chain, position, i);
  }
  state_.setLayout(grid);
}

void TDftForm::loadLastLayout() {
  state_.loadNotation(state_.results().scanLayout);
  showAppliedLayout(QStringLiteral("Auto-Designer layout"));
}

void TDftForm::showAppliedLayout(const QString& origin) {
  const LayoutGrid grid = state_.layout();
  removeAppliedEntry();
  if (grid.isEmpty()) {
    PresetBox->setCurrentIndex(kPresetSelect);
    setSelectionVisible(false);
  } else {
    const ScanPreset preset = PresetOfLayout(grid);
    if (preset == kPresetApplied) {
      const QString text = AppliedLayoutText(origin, grid);
      // Elided to the box, whole in the tooltip of the entry and the box.
      QStyleOptionComboBox option;
      option.initFrom(PresetBox);
      const int room = PresetBox->style()
                           ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, PresetBox)
                           .width();
      PresetBox->addItem(PresetBox->fontMetrics().elidedText(text, Qt::ElideRight, std::max(room - 4, 40)));
      PresetBox->setItemData(kPresetApplied, text, Qt::ToolTipRole);
    }
    PresetBox->setCurrentIndex(preset);
    showLayoutInRows();
  }
  drawLayoutClicked();
  UpdateInformation();
}

// The register rows show the chain and place of every register, locked: the
// layout is changed by choosing a preset.
void TDftForm::showLayoutInRows() {
  setSelectionVisible(true);
  RandomButton->hide();
  ShowOrderingBox->setChecked(true);
  ShowOrderingBox->setEnabled(false);
  setOrderingVisible(true);
  const LayoutGrid& grid = state_.layout();
  for (int i = 0; i < kRegisters; ++i) {
    resetOrderingBox(i);
    ChainBoxes[at(i)]->setCurrentIndex(0);
    ChainBoxes[at(i)]->setEnabled(false);
    OrderingBoxes[at(i)]->setEnabled(false);
  }
  for (int chain = 0; chain < kChains; ++chain) {
    for (int place = 0; place < kPositions; ++place) {
      const int reg = grid.at(chain, place);
      if (reg < 0 || reg >= kRegisters) continue;
      ChainBoxes[at(reg)]->setCurrentIndex(chain + 1);
      OrderingBoxes[at(reg)]->setCurrentIndex(place + 1);
    }
  }
}

void TDftForm::removeAppliedEntry() {
  while (PresetBox->count() > kPresetApplied) PresetBox->removeItem(PresetBox->count() - 1);
}

void TDftForm::notationClicked() {
  const QString notation = state_.layoutNotation();
  state_.showMessage(this, QMessageBox::Information, QStringLiteral("Scan layout notation"),
              notation.isEmpty() ? QStringLiteral("none") : notation);
}

void TDftForm::drawLayoutClicked() {
  const QString notation = state_.layoutNotation();
  if (CountNotationRegisters(notation) == 0) {
    BlankPicture();
    emit drawLayoutRequested(QString());
    return;
  }
  BlankPicture();
  emit drawLayoutRequested(notation);
  drawPicture(notation);
}

void TDftForm::BlankPicture() {
  picture_.fill(palette().color(QPalette::Window));
  LayoutPicture->setPixmap(QPixmap::fromImage(picture_));
}

void TDftForm::drawPicture(const QString& notation) {
  QPainter painter(&picture_);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(layoutScale_.factor(), layoutScale_.factor());
  QFont boxFont = font();
  boxFont.setPixelSize(12);
  boxFont.setBold(true);
  QFont labelFont = font();
  labelFont.setPixelSize(12);

  // Chain labels: one per chain row that holds a register, on its picture row.
  int pictureRow = 0;
  painter.setFont(labelFont);
  painter.setPen(QColor(0x22, 0x22, 0x22));
  for (int chain = 0; chain < kChains; ++chain) {
    const auto& row = state_.layout().cells()[at(chain)];
    if (std::all_of(row.begin(), row.end(), [](int cell) { return cell < 0; })) continue;
    const int y = kFirstRow + kRowStep * pictureRow;
    painter.drawText(QRect(kFirstColumn, y - 17, 300, 15), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Scan chain %1 --->").arg(QChar(u'A' + chain)));
    ++pictureRow;
  }

  const ScanChains chains = ParseClassicNotation(notation);
  for (std::size_t chain = 0; chain < chains.size(); ++chain) {
    const int group = static_cast<int>(chain);
    int place = 0;
    for (int reg : chains[chain]) {
      const int x = kFirstColumn + kColumnStep * place;
      const int y = kFirstRow + kRowStep * group;
      if (place > 0) {  // the scan wire from the previous register of the chain
        const int x0 = x - kColumnStep + kBoxWidth + 4;
        const int x1 = x - 4;
        const int ym = y + kBoxHeight / 2;
        painter.setPen(QPen(QColor(0x44, 0x44, 0x44), 2));
        painter.drawLine(x0, ym, x1, ym);
        painter.drawLine(x1, ym, x1 - 5, ym - 4);
        painter.drawLine(x1, ym, x1 - 5, ym + 4);
      }
      painter.setPen(Qt::NoPen);
      painter.setBrush(kShadow);
      painter.drawRect(x + 3, y + 3, kBoxWidth, kBoxHeight);
      painter.setBrush(ChainColor(group));
      painter.drawRect(x, y, kBoxWidth, kBoxHeight);
      const bool light = group >= 2 && group <= 4;
      painter.setPen(light ? kShadow : QColor(Qt::white));
      painter.setFont(boxFont);
      painter.drawText(QRect(x, y, kBoxWidth, kBoxHeight), Qt::AlignCenter,
                       QStringLiteral("REG%1").arg(reg + 1));
      painter.setFont(labelFont);
      ++place;
    }
  }
  painter.end();
  LayoutPicture->setPixmap(QPixmap::fromImage(picture_));
}
