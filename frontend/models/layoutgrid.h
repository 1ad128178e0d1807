// The registers-to-chains grid of the diffeq scan layout window: six scan
// chains A-F by six positions "1st"-"6th", each cell holding one of the six
// registers REG1-REG6 or nothing; and the colours the chains are drawn in.
#pragma once

#include <QColor>
#include <QString>

#include <array>

// Scan chains A-F, positions "1st"-"6th" and registers REG1-REG6 of diffeq.
inline constexpr int kChains = 6;
inline constexpr int kPositions = 6;
inline constexpr int kRegisters = 6;

// Chain row by position column; a cell holds a register index 0-5 or -1.
using LayoutGridCells = std::array<std::array<int, kPositions>, kChains>;

class LayoutGrid {
 public:
  // An empty grid.
  LayoutGrid();

  // Empties every cell.
  void clear();
  // Removes `reg` from the grid, then puts it at [chain, position] when both
  // texts name one: chain from the first character 'A'-'F', position from '1'-'6'.
  void place(const QString& chainText, const QString& orderingText, int reg);
  // Puts `reg` (0-5) into a cell, or empties it with -1; out-of-range calls do nothing.
  void set(int chain, int position, int reg);
  // The register of a cell, -1 when empty or outside the grid.
  int at(int chain, int position) const;
  // The classic notation of the grid: empty chains and gaps are skipped;
  // empty when no register is placed.
  QString notation() const;
  // True when no cell holds a register.
  bool isEmpty() const;
  // Writes a notation into the grid (chain by '.', position by digit),
  // keeping each register in at most one cell; registers beyond REG6,
  // chains beyond F and positions beyond the sixth are skipped.
  void load(const QString& notation);

  // The cells, chain by chain.
  const LayoutGridCells& cells() const { return cells_; }

  bool operator==(const LayoutGrid& other) const { return cells_ == other.cells_; }

 private:
  void remove(int reg);

  LayoutGridCells cells_;
};

// Colour of scan chain (notation group) `group`, 0-5; grey for any other.
QColor ChainColor(int group);
