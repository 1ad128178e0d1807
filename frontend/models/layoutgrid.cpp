#include "models/layoutgrid.h"

#include "enginelink/notation.h"

namespace {

std::size_t cellIndex(int i) { return static_cast<std::size_t>(i); }

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

bool inGrid(int chain, int position) {
  return chain >= 0 && chain < kChains && position >= 0 && position < kPositions;
}

}  // namespace

LayoutGrid::LayoutGrid() { clear(); }

void LayoutGrid::clear() {
  for (auto& row : cells_) row.fill(-1);
}

void LayoutGrid::remove(int reg) {
  for (auto& row : cells_)
    for (int& cell : row)
      if (cell == reg) cell = -1;
}

void LayoutGrid::place(const QString& chainText, const QString& orderingText, int reg) {
  if (reg < 0 || reg >= kRegisters) return;
  remove(reg);
  const int chain = chainFromText(chainText);
  const int position = positionFromText(orderingText);
  if (chain < 0 || position < 0) return;
  cells_[cellIndex(chain)][cellIndex(position)] = reg;
}

void LayoutGrid::set(int chain, int position, int reg) {
  if (!inGrid(chain, position) || reg < -1 || reg >= kRegisters) return;
  cells_[cellIndex(chain)][cellIndex(position)] = reg;
}

int LayoutGrid::at(int chain, int position) const {
  return inGrid(chain, position) ? cells_[cellIndex(chain)][cellIndex(position)] : -1;
}

QString LayoutGrid::notation() const {
  ScanChains chains;
  for (const auto& row : cells_) {
    std::vector<int> chain;
    for (int cell : row)
      if (cell >= 0 && cell < kRegisters) chain.push_back(cell);
    if (!chain.empty()) chains.push_back(std::move(chain));
  }
  return ClassicNotation(chains);
}

bool LayoutGrid::isEmpty() const {
  for (const auto& row : cells_)
    for (int cell : row)
      if (cell >= 0) return false;
  return true;
}

void LayoutGrid::load(const QString& notation) {
  const ScanChains chains = ParseClassicNotation(notation);
  for (std::size_t chain = 0; chain < chains.size() && chain < cellIndex(kChains); ++chain) {
    int position = 0;
    for (int reg : chains[chain]) {
      if (reg >= kRegisters) continue;
      if (position < kPositions) {
        remove(reg);
        cells_[chain][cellIndex(position)] = reg;
      }
      ++position;
    }
  }
}

QColor ChainColor(int group) {
  static const std::array<QColor, kChains> colors = {
      QColor(0xFF, 0x00, 0x00), QColor(0x00, 0x00, 0xFF), QColor(0x00, 0xCC, 0xFF),
      QColor(0x77, 0xFF, 0x00), QColor(0xDD, 0xBB, 0x00), QColor(0x00, 0xAA, 0x00)};
  if (group < 0 || group >= kChains) return QColor(0x80, 0x80, 0x80);
  return colors[cellIndex(group)];
}
