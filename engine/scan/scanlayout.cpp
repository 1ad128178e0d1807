#include "scan/scanlayout.h"

#include <algorithm>

void settleLayout(const ScanLayout& layout, int nregs, ChainOrder order, ScanLayout& out, std::vector<int>& seen) {
  // seen[r]: 1 + the flat position of the last place register r is listed at
  seen.assign(static_cast<size_t>(std::max(nregs, 0)), 0);
  int place = 0;
  for (const std::vector<int>& chain : layout)
    for (int r : chain) {
      ++place;
      if (r >= 0 && r < nregs) seen[static_cast<size_t>(r)] = place;
    }
  size_t used = 0;
  place = 0;
  for (const std::vector<int>& chain : layout) {
    if (used == out.size()) out.emplace_back();
    std::vector<int>& settled = out[used];
    settled.clear();
    for (int r : chain) {
      ++place;
      if (r >= 0 && r < nregs && seen[static_cast<size_t>(r)] == place) settled.push_back(r);
    }
    if (settled.empty()) continue;
    if (order == ChainOrder::BY_REGISTER) std::sort(settled.begin(), settled.end());
    ++used;
  }
  out.resize(used);
}

ScanLayout settledLayout(const ScanLayout& layout, int nregs, ChainOrder order) {
  ScanLayout out;
  std::vector<int> seen;
  settleLayout(layout, nregs, order, out, seen);
  return out;
}

std::string layoutProblem(const ScanLayout& layout, const LayoutRegisters& regs) {
  std::vector<bool> listed(static_cast<size_t>(regs.count()), false);
  for (const std::vector<int>& chain : layout)
    for (int r : chain) {
      if (r < 0 || r >= regs.count()) return "unknown register " + std::to_string(r);
      if (listed[static_cast<size_t>(r)]) return "register '" + regs.name(r) + "' listed twice";
      listed[static_cast<size_t>(r)] = true;
    }
  return {};
}

std::string readLayout(std::string_view notation, const LayoutRegisters& regs, ScanLayout& layout) {
  ScanLayout parsed;
  std::string problem = parseNotation(notation, regs, parsed);
  layout = problem.empty() ? settledLayout(parsed, regs.count(), ChainOrder::AS_LISTED) : ScanLayout{};
  return problem;
}

void appendLayoutKey(const ScanLayout& layout, std::string& key) {
  // A zero byte opens a chain; each member is r + 1 in 7-bit groups (high bit:
  // more to come), so no member byte is zero.
  for (const std::vector<int>& chain : layout) {
    if (chain.empty()) continue;
    key.push_back('\0');
    for (int r : chain) {
      unsigned v = static_cast<unsigned>(r) + 1;
      for (; v >= 0x80; v >>= 7) key.push_back(static_cast<char>(0x80 | (v & 0x7f)));
      key.push_back(static_cast<char>(v));
    }
  }
}

std::string layoutKey(const ScanLayout& layout) {
  std::string key;
  appendLayoutKey(layout, key);
  return key;
}
