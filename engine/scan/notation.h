// The scan layout notation for a circuit's registers. The text is read and
// printed by scan/notation_text.h (shared with the front end); this adapter
// ties it to the circuit:
//  - classic: digit d is the d-th register described (from 0);
//  - named: a register is its item name, e.g. "x_var,u_var.y_var".
// Registers are numbered as the layouts number them: index r is the r-th
// layout register of the circuit's item list, so digit d is index R - 1 - d.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "scan/notation_text.h"

class Circuit;
class Item;

// A scan layout: the chains in order, each the register indices from its scan input on.
using ScanChains = notation::Chains;

// The registers a layout can name, by index, with a lookup by name.
class LayoutRegisters {
 public:
  // No registers.
  LayoutRegisters() = default;
  // Collects the layout registers of `c` in index order.
  explicit LayoutRegisters(const Circuit& c);
  // Copies the registers; the copy builds its own name lookup when first asked.
  LayoutRegisters(const LayoutRegisters& other) : items(other.items), leavesOut(other.leavesOut) {}
  LayoutRegisters& operator=(const LayoutRegisters& other);
  LayoutRegisters(LayoutRegisters&&) noexcept = default;
  LayoutRegisters& operator=(LayoutRegisters&&) noexcept = default;
  // Number of registers R.
  int count() const { return static_cast<int>(items.size()); }
  // The register item of index r.
  Item* item(int r) const { return items[static_cast<size_t>(r)]; }
  // The item name of register r.
  const std::string& name(int r) const;
  // Index of the register named `n`, or -1.
  int indexOf(std::string_view n) const;
  // True when some register of the circuit is left out of its layouts: the
  // digits of a classic text would then count other registers than the
  // design's, so layouts are shown by name.
  bool leavesOutRegisters() const { return leavesOut; }

 private:
  // The lookup by name, made on the first lookup: most runs never name a
  // register, and a large circuit has many. Safe to build from several threads.
  struct NameLookup {
    std::once_flag made;
    std::unordered_map<std::string_view, int> byName;
  };
  std::vector<Item*> items;
  bool leavesOut = false;
  std::unique_ptr<NameLookup> lookup = std::make_unique<NameLookup>();
};

// True when `text` is made only of digits and '.' (the classic form).
bool isClassicNotation(std::string_view text);

// Empty when `notation` is a well-formed classic layout for a circuit with
// `nregs` registers (digit d names the d-th register described; at most nregs
// chains of at most nregs digits), otherwise the reason why it is not.
std::string notationProblem(const std::string& notation, int nregs);

// Empty when `name` can be written in a named notation, otherwise the reason.
std::string nameProblem(std::string_view name);

// Reads a notation of either form into `chains`; returns "" or the reason it
// is not a layout of these registers. A classic notation keeps every digit in
// order, so a register written twice appears twice (the later one wins when
// encoded); a named notation names each register at most once.
std::string parseNotation(std::string_view text, const LayoutRegisters& regs, ScanChains& chains);

// The classic text of `chains` (registers beyond the tenth described are left out).
std::string classicNotation(const ScanChains& chains, int nregs);
// The named text of `chains`; "" with `problem` set when a name cannot be written.
std::string namedNotation(const ScanChains& chains, const LayoutRegisters& regs, std::string* problem = nullptr);
// The form layouts are shown in: classic up to ten registers, named beyond
// (and whenever registers are left out of the layouts).
std::string layoutNotation(const ScanChains& chains, const LayoutRegisters& regs, std::string* problem = nullptr);
// True when the circuit's layouts are shown in the classic form.
inline bool usesClassicNotation(int nregs) { return nregs <= 10; }
