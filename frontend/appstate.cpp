#include "appstate.h"

#include "schema.h"

#include <QWidget>

LayoutGridCells layoutGrid = [] {
  LayoutGridCells cells{};
  for (auto& row : cells) row.fill(-1);
  return cells;
}();

std::array<int, kChainAnchorCount> chainAnchors{};

LastResults lastResults;
bool actionRun = false;
bool helpMode = false;
bool startupFinished = false;

TFormMain* FormMain = nullptr;
TFormSchema* FormSchema = nullptr;
TDftForm* DftForm = nullptr;
TFormTAres* FormTAres = nullptr;

namespace {

MessageBoxHandler& messageHandler() {
  static MessageBoxHandler handler;
  return handler;
}

std::function<QDateTime()>& clockSource() {
  static std::function<QDateTime()> source;
  return source;
}

// Chain index of the first character of a chain box text ('A'-'F'), or -1.
int chainFromText(const QString& text) {
  if (text.isEmpty()) return -1;
  const char16_t c = text.at(0).unicode();
  return (c >= u'A' && c <= u'F') ? static_cast<int>(c - u'A') : -1;
}

// Position index of the first character of an ordering box text ('1'-'6'), or -1.
int positionFromText(const QString& text) {
  if (text.isEmpty()) return -1;
  const char16_t c = text.at(0).unicode();
  return (c >= u'1' && c <= u'6') ? static_cast<int>(c - u'1') : -1;
}

void removeRegister(int reg) {
  for (auto& row : layoutGrid)
    for (int& cell : row)
      if (cell == reg) cell = -1;
}

}  // namespace

int& ChainAnchor(ChainAnchorRow row, int index) {
  const int clamped = index < 0 ? 0 : (index >= kChains ? kChains - 1 : index);
  return chainAnchors[static_cast<std::size_t>(row * kChains + clamped)];
}

void ClearLayoutGrid() {
  for (auto& row : layoutGrid) row.fill(-1);
}

void PlaceRegister(const QString& chainText, const QString& orderingText, int reg) {
  if (reg < 0 || reg >= kRegisters) return;
  removeRegister(reg);
  const int chain = chainFromText(chainText);
  const int position = positionFromText(orderingText);
  if (chain < 0 || position < 0) return;
  layoutGrid[static_cast<std::size_t>(chain)][static_cast<std::size_t>(position)] = reg;
}

QString GetLayoutNotation() {
  QString notation;
  for (const auto& row : layoutGrid) {
    bool contributed = false;
    for (int cell : row) {
      if (cell < 0 || cell >= kRegisters) continue;
      notation += QChar(u'0' + cell);
      contributed = true;
    }
    if (contributed) notation += u'.';
  }
  if (notation.endsWith(u'.')) notation.chop(1);
  return notation;
}

int CountNotationChains(const QString& notation) {
  if (notation.isEmpty()) return 0;
  return static_cast<int>(notation.count(u'.')) + 1;
}

int CountNotationRegisters(const QString& notation) {
  int digits = 0;
  for (QChar c : notation)
    if (c.isDigit()) ++digits;
  return digits;
}

bool IsLayoutGridEmpty() {
  for (const auto& row : layoutGrid)
    for (int cell : row)
      if (cell >= 0) return false;
  return true;
}

void LoadNotationIntoGrid(const QString& notation) {
  int chain = 0;
  int position = 0;
  for (QChar c : notation) {
    if (c == u'.') {
      ++chain;
      position = 0;
      continue;
    }
    const char16_t u = c.unicode();
    if (u < u'0' || u > u'5') continue;
    if (chain < kChains && position < kPositions) {
      const int reg = static_cast<int>(u - u'0');
      removeRegister(reg);
      layoutGrid[static_cast<std::size_t>(chain)][static_cast<std::size_t>(position)] = reg;
    }
    ++position;
  }
}

QString RegisterForm(const QString& notation) {
  QString text;
  for (QChar c : notation) {
    if (c.isDigit()) {
      text += u'R';
      text += QString::number(c.digitValue() + 1);
    } else if (c == u'.') {
      text += u'.';
    } else {
      text += u'R';
    }
  }
  return text;
}

QMessageBox::StandardButton ShowMessage(QWidget* parent, QMessageBox::Icon icon,
                                        const QString& caption, const QString& text,
                                        QMessageBox::StandardButtons buttons) {
  if (messageHandler()) return messageHandler()(parent, icon, caption, text, buttons);
  QMessageBox box(icon, caption, text, buttons, parent);
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

void SetMessageBoxHandler(MessageBoxHandler handler) { messageHandler() = std::move(handler); }

QDateTime CurrentDateTime() {
  return clockSource() ? clockSource()() : QDateTime::currentDateTime();
}

void SetClock(std::function<QDateTime()> clock) { clockSource() = std::move(clock); }

// Schema overlay. The circuit schema window draws the chains of the notation
// over its picture: it is refreshed to the bare picture, then every group
// (chain) gets, in its colour, a line from the left scan-input column to the
// first register, the connecting paths between consecutive registers, and a
// line from the last register to the right scan-output column; each wire end
// is recorded in chainAnchors.
void DrawLayoutOnSchema(const QString& notation) {
  if (FormSchema == nullptr) return;
  FormSchema->RefreshCanvas();
  FormSchema->DrawChains(notation);
}
