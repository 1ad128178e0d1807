#include "circuitgen.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "splitmix.h"

namespace {

// The items of one diffeq copy; "%" stands for the copy's suffix.
constexpr std::string_view kDiffeqItems =
    "ITM mux1%(MUX) a(in,8) b(in,8) s(sel,1) q(out,8)\n"
    "ITM mux2%(MUX) a(in,8) b(in,8) s(sel,1) q(out,8)\n"
    "ITM mul1%(MUL) a(in,8) b(in,8) q(out,8)\n"
    "ITM sub%(SUB) a(in,8) b(in,8) q(out,8)\n"
    "ITM mux3%(MUX) a(in,8) b(in,8) s(sel,1) q(out,8)\n"
    "ITM mux4%(MUX) a(in,8) b(in,8) c(in,8) s0(sel,1) s1(sel,1) q(out,8)\n"
    "ITM mul2%(MUL) a(in,8) b(in,8) q(out,8)\n"
    "ITM mux5%(MUX) a(in,8) b(in,8) s(sel,1) q(out,8)\n"
    "ITM mux6%(MUX) a(in,8) b(in,8) s(sel,1) q(out,8)\n"
    "ITM add%(ADD) a(in,8) b(in,8) q(out,8)\n"
    "ITM comp%(COMP) a(in,8) b(in,8) q(out,8)\n"
    "ITM reg1%(REG) d(in,8) clk(clk,1) q(out,8)\n"
    "ITM reg2%(REG) d(in,8) clk(clk,1) q(out,8)\n"
    "ITM reg3%(REG) d(in,8) clk(clk,1) q(out,8)\n"
    "ITM reg4%(REG) d(in,8) clk(clk,1) q(out,8)\n"
    "ITM reg5%(REG) d(in,8) clk(clk,1) q(out,8)\n"
    "ITM reg6%(REG) d(in,8) clk(clk,1) q(out,8)\n";

// The links of one copy: "%" is the copy's suffix, "@" the circuit name,
// "$D" and "$A" the sources of dx and of the comparator bound.
constexpr std::string_view kDiffeqLinks =
    "LINK @.clk -> reg1%.clk reg2%.clk reg3%.clk reg4%.clk reg5%.clk reg6%.clk\n"
    "LINK @.sel1 -> mux1%.s\n"
    "LINK @.sel2 -> mux2%.s\n"
    "LINK @.sel3 -> mux3%.s\n"
    "LINK @.sel4 -> mux4%.s0\n"
    "LINK @.sel7 -> mux4%.s1\n"
    "LINK @.sel5 -> mux5%.s\n"
    "LINK @.sel6 -> mux6%.s\n"
    "LINK @.const2 -> mux1%.a\n"
    "LINK $D -> mux1%.b mux2%.a mux4%.c mux6%.b\n"
    "LINK reg5%.q -> mux2%.b mux6%.a\n"
    "LINK mux1%.q -> mul1%.a\n"
    "LINK mux2%.q -> mul1%.b\n"
    "LINK mul1%.q -> reg4%.d\n"
    "LINK reg4%.q -> sub%.a mux3%.b\n"
    "LINK reg1%.q -> sub%.b mux3%.a\n"
    "LINK sub%.q -> reg1%.d\n"
    "LINK reg3%.q -> mux4%.a mux5%.a\n"
    "LINK reg2%.q -> mux4%.b mux5%.b\n"
    "LINK mux3%.q -> mul2%.a\n"
    "LINK mux4%.q -> mul2%.b\n"
    "LINK mul2%.q -> reg5%.d\n"
    "LINK mux5%.q -> add%.a\n"
    "LINK mux6%.q -> add%.b\n"
    "LINK add%.q -> reg6%.d\n"
    "LINK reg6%.q -> reg2%.d reg3%.d comp%.a\n"
    "LINK $A -> comp%.b\n";

// Appends `pattern` with its placeholders replaced.
void expand(std::string& out, std::string_view pattern, const std::string& suffix, const std::string& circuit,
            const std::string& dx, const std::string& bound) {
  for (size_t k = 0; k < pattern.size(); ++k) {
    const char ch = pattern[k];
    if (ch == '%') {
      out += suffix;
    } else if (ch == '@') {
      out += circuit;
    } else if (ch == '$' && k + 1 < pattern.size()) {
      out += pattern[++k] == 'D' ? dx : bound;
    } else {
      out += ch;
    }
  }
}

}  // namespace

long diffeqCopiesFor(long ports) { return std::max(1L, ports / kDiffeqCopyPorts); }

std::string tiledDiffeq(long copies, const std::string& name) {
  copies = std::max(1L, copies);
  std::string t = "// " + std::to_string(copies) + " chained copies of diffeq\nCIR " + name +
                  " clk(clk,1) const2(in,8) a(in,8) sel5(sel,1) sel3(sel,1) dx(in,8) sel1(sel,1) sel2(sel,1)"
                  " sel4(sel,1) sel7(sel,1) sel6(sel,1) result(out,8)\n";
  t.reserve(static_cast<size_t>(copies) * (kDiffeqItems.size() + kDiffeqLinks.size() + 300));
  for (long k = 0; k < copies; ++k) expand(t, kDiffeqItems, "_" + std::to_string(k), name, "", "");
  for (long k = 0; k < copies; ++k) {
    const std::string prev = "_" + std::to_string(k - 1);
    const std::string dx = k == 0 ? name + ".dx" : "reg5" + prev + ".q";
    const std::string bound = k == 0 ? name + ".a" : "comp" + prev + ".q";
    expand(t, kDiffeqLinks, "_" + std::to_string(k), name, dx, bound);
  }
  t += "LINK comp_" + std::to_string(copies - 1) + ".q -> " + name + ".result\n";
  return t;
}

namespace {

enum class Kind { FU, MUX, REG };

// One item of a layered data path while it is generated.
struct LayeredItem {
  Kind kind;
  std::string name;
  long layer;
};

// Item kinds in a random order with exact shares.
std::vector<Kind> shuffledKinds(long items, long registers, long muxes, SplitMix& rng) {
  std::vector<Kind> kinds(static_cast<size_t>(items), Kind::FU);
  for (long k = 0; k < registers && k < items; ++k) kinds[static_cast<size_t>(k)] = Kind::REG;
  for (long k = registers; k < registers + muxes && k < items; ++k) kinds[static_cast<size_t>(k)] = Kind::MUX;
  for (long k = items - 1; k > 0; --k) std::swap(kinds[static_cast<size_t>(k)], kinds[static_cast<size_t>(rng.below(k + 1))]);
  return kinds;
}

std::string layered(long items, long registers, long muxes, const LayeredOptions& o, const std::string& name) {
  SplitMix rng(o.seed);
  const long width = std::max(1, o.layerWidth);
  const int nIn = 8;
  const int nSel = std::max(1, o.selects);
  std::vector<LayeredItem> list;
  list.reserve(static_cast<size_t>(items));
  const std::vector<Kind> kinds = shuffledKinds(items, registers, muxes, rng);
  for (long k = 0; k < items; ++k) list.push_back({kinds[static_cast<size_t>(k)], "u" + std::to_string(k), k / width});
  const long layers = (items + width - 1) / width;

  std::string t = "// random layered data path, seed " + std::to_string(o.seed) + "\nCIR " + name + " clk(clk,1)";
  for (int k = 0; k < nIn; ++k) t += " i" + std::to_string(k) + "(in,8)";
  for (int k = 0; k < nSel; ++k) t += " s" + std::to_string(k) + "(sel,1)";
  const long lastLayerStart = (layers - 1) * width;
  for (long k = lastLayerStart; k < items; ++k) t += " o" + std::to_string(k - lastLayerStart) + "(out,8)";
  t += "\n";
  for (const LayeredItem& i : list) {
    switch (i.kind) {
      case Kind::REG: t += "ITM " + i.name + "(REG) d(in,8) clk(clk,1) q(out,8)\n"; break;
      case Kind::MUX: t += "ITM " + i.name + "(MUX) a(in,8) b(in,8) s(sel,1) q(out,8)\n"; break;
      case Kind::FU: {
        static const char* const fus[] = {"ADD", "SUB", "MUL", "COMP", "DIV"};
        t += "ITM " + i.name + "(" + fus[rng.below(5)] + ") a(in,8) b(in,8) q(out,8)\n";
        break;
      }
    }
  }
  // Registers by layer, for feedback sources.
  std::vector<long> regs;
  for (long k = 0; k < items; ++k)
    if (list[static_cast<size_t>(k)].kind == Kind::REG) regs.push_back(k);
  // A data source for an input of the item at index k.
  auto source = [&](long k, bool mayFeedBack) -> std::string {
    const long layer = list[static_cast<size_t>(k)].layer;
    if (mayFeedBack && rng.below(100) < o.feedbackPercent) {
      // A register of this layer or a later one.
      auto first = std::lower_bound(regs.begin(), regs.end(), layer * width);
      if (first != regs.end()) {
        const long pick = *(first + rng.below(regs.end() - first));
        return list[static_cast<size_t>(pick)].name + ".q";
      }
    }
    if (layer == 0) return name + ".i" + std::to_string(rng.below(nIn));
    return list[static_cast<size_t>((layer - 1) * width + rng.below(width))].name + ".q";
  };
  for (long k = 0; k < items; ++k) {
    const LayeredItem& i = list[static_cast<size_t>(k)];
    if (i.kind == Kind::REG) {
      t += "LINK " + source(k, false) + " -> " + i.name + ".d\n";
      continue;
    }
    t += "LINK " + source(k, false) + " -> " + i.name + ".a\n";
    t += "LINK " + source(k, i.kind == Kind::MUX) + " -> " + i.name + ".b\n";
    if (i.kind == Kind::MUX) t += "LINK " + name + ".s" + std::to_string(rng.below(nSel)) + " -> " + i.name + ".s\n";
  }
  // The clock drives every register, a few to a line.
  for (size_t k = 0; k < regs.size(); k += 16) {
    t += "LINK " + name + ".clk ->";
    for (size_t r = k; r < regs.size() && r < k + 16; ++r) t += " " + list[static_cast<size_t>(regs[r])].name + ".clk";
    t += "\n";
  }
  for (long k = lastLayerStart; k < items; ++k)
    t += "LINK " + list[static_cast<size_t>(k)].name + ".q -> " + name + ".o" + std::to_string(k - lastLayerStart) + "\n";
  return t;
}

}  // namespace

std::string layeredCircuit(const LayeredOptions& o, const std::string& name) {
  const int regPct = std::clamp(o.registerPercent, 0, 100);
  const int muxPct = std::clamp(o.muxPercent, 0, 100 - regPct);
  // Ports per item: 3 for registers and functional units, 4 for multiplexers.
  const double perItem = 3.0 + muxPct / 100.0;
  const long items = std::max(1L, static_cast<long>(static_cast<double>(o.ports) / perItem));
  return layered(items, items * regPct / 100, items * muxPct / 100, o, name);
}

std::string layeredWithRegisters(int registers, std::uint64_t seed) {
  LayeredOptions o;
  o.seed = seed;
  o.layerWidth = 8;
  const long regs = std::max(1, registers);
  return layered(regs * 4, regs, regs, o, "layered" + std::to_string(regs));
}
