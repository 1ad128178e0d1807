// The scan layout being edited for a circuit of any register count: which
// register sits in which chain at which position, with the presets of the
// editor. Pure data, no widgets.
#pragma once

#include <QString>
#include <QStringList>

#include <vector>

#include "enginelink/resultjson.h"

class ScanLayoutModel {
 public:
  // Starts over with the registers of a circuit (declaration order) and no layout.
  void setRegisters(std::vector<RegisterFigures> registers);
  // The registers with their figures.
  const std::vector<RegisterFigures>& registers() const { return registers_; }
  // The register names in declaration order.
  const QStringList& names() const { return names_; }

  // False for a register a check rule keeps out of every layout; such a
  // register is never placed in a chain.
  bool isScannable(const QString& name) const;
  // The rule that keeps `name` out ("" for a scannable register).
  QString checkRuleOf(const QString& name) const;
  // The registers that cannot be scanned, in declaration order.
  QStringList unscannable() const;

  // The chains, each from scan input to output; never an empty chain.
  const NamedChains& chains() const { return chains_; }
  // The layout in the named notation ("" when no register is scanned).
  QString notation() const;
  // The chain (0-based) of `name`, or -1 when it is not scanned.
  int chainOf(const QString& name) const;
  // The position (0-based) of `name` in its chain, or -1.
  int positionOf(const QString& name) const;

  // Moves `name` to `chain` at `position` (clamped to the chain's length;
  // a chain equal to the chain count opens a new one; a negative chain takes
  // it out of the layout). Unknown names are ignored.
  void place(const QString& name, int chain, int position);
  // Moves `names` in order to `chain` from `position` on (registers that
  // cannot be scanned stay out).
  void placeAll(const QStringList& names, int chain, int position);
  // Replaces the layout; names that are unknown, repeated or cannot be
  // scanned are dropped.
  void setChains(const NamedChains& chains);
  // Parses `text` (named or classic) and takes it on; returns the error,
  // which names the notation (or a register that cannot be scanned and its
  // rule), and keeps the layout on an error.
  QString setNotation(const QString& text);

  // Preset: no register scanned.
  void clear() { chains_.clear(); }
  // Preset: every register that can be scanned, spread in declaration order over
  // `chainCount` chains of nearly equal length.
  void fullScan(int chainCount);

 private:
  void dropEmptyChains();

  std::vector<RegisterFigures> registers_;
  QStringList names_;
  NamedChains chains_;
};
