// A scan layout as a value: chains of layout registers (indices into the
// circuit's LayoutRegisters), each listed from its scan input on. It is read
// from and written back to the notation, settled into the form a circuit
// applies, and keyed so equal layouts are recognised.
#pragma once

#include <string>
#include <string_view>

#include "scan/notation.h"

// Chains of register indices; no chains: no scan register.
using ScanLayout = ScanChains;

// The order of the registers in an applied chain.
enum class ChainOrder {
  AS_LISTED,    // ordered scan: the chain runs as it is listed
  BY_REGISTER,  // unordered scan: the chain runs by ascending register index
};

// The layout a circuit applies for `layout`: each register once, at the last
// place it is listed; indices outside 0 .. nregs-1 and empty chains left out;
// with BY_REGISTER each chain sorted by register index.
ScanLayout settledLayout(const ScanLayout& layout, int nregs, ChainOrder order);
// Settles `layout` into `out`, reusing its storage (`seen` is scratch).
void settleLayout(const ScanLayout& layout, int nregs, ChainOrder order, ScanLayout& out, std::vector<int>& seen);
// "" when `layout` can be applied as it is (every index one of `nregs`
// registers, none listed twice), otherwise the reason why not.
std::string layoutProblem(const ScanLayout& layout, const LayoutRegisters& regs);
// Reads a notation of either form into its settled (ordered) layout; "" or the reason it is not one.
std::string readLayout(std::string_view notation, const LayoutRegisters& regs, ScanLayout& layout);
// Appends to `key` a text that is equal for equal layouts and differs otherwise.
void appendLayoutKey(const ScanLayout& layout, std::string& key);
// The key of `layout` (see appendLayoutKey).
std::string layoutKey(const ScanLayout& layout);
