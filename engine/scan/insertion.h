// Insertion of a scan layout into the circuit model, undone when the
// insertion goes out of scope: the layout's registers become scan registers
// (REG -> SREG), each chain gets a scan input SCAN_IN<k> and output
// SCAN_OUT<k>, all share one SCAN_MODE pin, and the registers are linked from
// the chain's input to its output.
#pragma once

#include <string>

#include "scan/scanlayout.h"

class Circuit;

class AppliedScanLayout {
 public:
  // Applies `layout` (registers numbered by `regs`, which must be those of
  // `c`) to `c`, which must have no layout applied. A layout that lists an
  // unknown register or one register twice is not applied (see problem());
  // settle it first (settledLayout) to apply what a notation means.
  AppliedScanLayout(Circuit& c, const LayoutRegisters& regs, const ScanLayout& layout);
  // Marks a layout the caller has settled (settledLayout), which is applied unchecked.
  struct Settled {};
  // Applies the settled `layout` without checking it again (the evaluators' hot path).
  AppliedScanLayout(Circuit& c, const LayoutRegisters& regs, const ScanLayout& layout, Settled);
  // Takes the layout out again: scan registers back to registers, scan pins removed.
  ~AppliedScanLayout();
  AppliedScanLayout(const AppliedScanLayout&) = delete;
  AppliedScanLayout& operator=(const AppliedScanLayout&) = delete;

  // True when the layout was applied.
  bool applied() const { return problem_.empty(); }
  // "" or why the layout was not applied.
  const std::string& problem() const { return problem_; }

 private:
  Circuit& c;
  std::string problem_;
};

// Applies `layout` to `c` without an undo (AppliedScanLayout's work); the
// layout must be one layoutProblem() accepts.
void insertScanLayout(Circuit& c, const LayoutRegisters& regs, const ScanLayout& layout);
// Takes every applied layout out of `c`: scan registers back to registers, scan pins removed.
void removeScanLayout(Circuit& c);
