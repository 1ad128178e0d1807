#include "processorgen.h"

#include <algorithm>
#include <deque>
#include <utility>
#include <vector>

#include "splitmix.h"

namespace {

constexpr int kDataInputs = 8;
constexpr int kControlInputs = 4;
constexpr int kRegisterOutputs = 8;
constexpr int kWidth = 16;

enum class Op { REG, ADD, SUB, MUL, SHIFT, AND, OR, XOR, MUX, COMP, LOGIC };

// Where an input comes from: a primary data or control input, or an item's output.
struct Source {
  enum Kind : unsigned char { DATA_IN, CONTROL_IN, ITEM } kind = ITEM;
  long index = 0;
};

// One item: a and b are its data inputs (a alone for a register), s a multiplexer's select.
struct Cell {
  Op op = Op::REG;
  Source a, b, s;
};

struct Netlist {
  std::vector<Cell> items;  // the registers first
  std::vector<Source> outputs;
};

// Builds the netlist: decoder logic, levels of data path cells, then the registers' inputs.
class ProcessorBuilder {
 public:
  explicit ProcessorBuilder(const ProcessorOptions& o)
      : rng(o.seed), regs(std::max(1L, o.registers)), total(std::max(o.cells, regs * 4)) {}

  Netlist build() {
    net.items.assign(static_cast<size_t>(regs), Cell{});
    const long comb = total - regs;
    const long holds = std::min(regs / 2, comb / 4);
    const long controls = (comb - holds) * 15 / 100;
    addControls(controls);
    addData(comb - holds - controls);
    closeRegisters(holds);
    addOutputs();
    return std::move(net);
  }

 private:
  static Source item(long k) { return {Source::ITEM, k}; }
  Source anyRegister() { return item(rng.below(regs)); }
  Source dataInput() { return {Source::DATA_IN, rng.below(kDataInputs)}; }
  long add(const Cell& c) {
    net.items.push_back(c);
    return static_cast<long>(net.items.size()) - 1;
  }

  // A control signal: an earlier decoder cell or a control input.
  Source controlSignal() {
    if (controlCells.empty() || rng.below(8) == 0) return {Source::CONTROL_IN, rng.below(kControlInputs)};
    return item(controlCells[static_cast<size_t>(rng.below(static_cast<long>(controlCells.size())))]);
  }

  // A multiplexer select: a decoder cell nothing reads yet, else any control signal.
  Source select() {
    if (unusedControls.empty()) return controlSignal();
    const long k = unusedControls.front();
    unusedControls.pop_front();
    return item(k);
  }

  // Compares over register fields and one-bit logic over them.
  void addControls(long count) {
    for (long k = 0; k < count; ++k) {
      Cell c;
      if (controlCells.empty() || rng.below(100) < 60) {
        c = {Op::COMP, anyRegister(), rng.below(2) == 0 ? dataInput() : anyRegister(), {}};
      } else {
        c = {Op::LOGIC, controlSignal(), controlSignal(), {}};
      }
      const long at = add(c);
      controlCells.push_back(at);
      unusedControls.push_back(at);
    }
  }

  Op dataOp() {
    const long r = rng.below(100);
    if (r < 20) return Op::ADD;
    if (r < 30) return Op::SUB;
    if (r < 34) return Op::MUL;
    if (r < 42) return Op::SHIFT;
    if (r < 52) return Op::AND;
    if (r < 62) return Op::OR;
    if (r < 72) return Op::XOR;
    return Op::MUX;
  }

  // A data path cell of levels [lo, hi), by position among the data cells.
  Source dataCellOf(long lo, long hi) {
    const long from = levelStart[static_cast<size_t>(lo)], to = levelStart[static_cast<size_t>(hi)];
    return item(firstData + from + rng.below(to - from));
  }

  // The first input of a cell of `level`: the oldest earlier cell nothing reads yet.
  Source firstInput(long level) {
    if (!unusedData.empty() && unusedData.front().second < level) {
      const long k = unusedData.front().first;
      unusedData.pop_front();
      return item(k);
    }
    return rng.below(10) < 7 ? anyRegister() : dataInput();
  }

  // The second input: a register, a primary input or a cell of the three levels before.
  Source secondInput(long level) {
    const long r = rng.below(100);
    if (r < 40) return anyRegister();
    if (r < 45) return dataInput();
    if (level == 0) return anyRegister();
    return dataCellOf(std::max(0L, level - 3), level);
  }

  // `count` cells in levels of about three quarters of the register count each.
  void addData(long count) {
    count = std::max(1L, count);
    const long perLevel = std::max(1L, regs * 3 / 4);
    const long levels = std::clamp((count + perLevel - 1) / perLevel, 2L, 64L);
    const long width = (count + levels - 1) / levels;
    firstData = static_cast<long>(net.items.size());
    for (long l = 0; l <= levels; ++l) levelStart.push_back(std::min(count, l * width));
    for (long k = 0; k < count; ++k) {
      const long level = k / width;
      Cell c{dataOp(), firstInput(level), secondInput(level), {}};
      if (c.op == Op::MUX) c.s = select();
      unusedData.emplace_back(add(c), level);
    }
    lastLevels = std::max(0L, levels - 3);
    dataLevels = levels;
  }

  // Each register's next value: a cell nothing reads yet, else one of the last levels,
  // through a hold multiplexer (the register's enable) on `holds` of them.
  void closeRegisters(long holds) {
    for (long r = 0; r < regs; ++r) {
      Source value;
      if (!unusedData.empty()) {
        value = item(unusedData.front().first);
        unusedData.pop_front();
      } else {
        value = dataCellOf(lastLevels, dataLevels);
      }
      if (r % 2 == 0 && r / 2 < holds) value = item(add({Op::MUX, item(r), value, select()}));
      net.items[static_cast<size_t>(r)].a = value;
    }
  }

  // A few registers, then whatever nothing reads yet (registers included), drive the primary outputs.
  void addOutputs() {
    for (int k = 0; k < kRegisterOutputs; ++k) net.outputs.push_back(anyRegister());
    for (const auto& [k, level] : unusedData) net.outputs.push_back(item(k));
    for (long k : unusedControls) net.outputs.push_back(item(k));
    std::vector<char> read(static_cast<size_t>(regs), 0);
    auto mark = [&](const Source& s) {
      if (s.kind == Source::ITEM && s.index < regs) read[static_cast<size_t>(s.index)] = 1;
    };
    for (size_t k = 0; k < net.items.size(); ++k) {
      const Cell& c = net.items[k];
      mark(c.a);
      if (c.op == Op::REG) continue;
      mark(c.b);
      if (c.op == Op::MUX) mark(c.s);
    }
    for (const Source& s : net.outputs) mark(s);
    for (long r = 0; r < regs; ++r)
      if (!read[static_cast<size_t>(r)]) net.outputs.push_back(item(r));
  }

  SplitMix rng;
  long regs, total;
  Netlist net;
  std::vector<long> controlCells;
  std::deque<long> unusedControls;
  std::deque<std::pair<long, long>> unusedData;  // item, level
  std::vector<long> levelStart;                  // by level, among the data cells
  long firstData = 0, lastLevels = 0, dataLevels = 1;
};

// The kind of `op` in a description.
const char* kindName(Op op) {
  static const char* const names[] = {"REG", "ADD", "SUB", "MUL", "SHIFT", "AND",
                                      "OR",  "XOR", "MUX", "COMP", "LOGIC"};
  return names[static_cast<int>(op)];
}

std::string itemName(const Netlist& n, long k) {
  return (n.items[static_cast<size_t>(k)].op == Op::REG ? "r" : "n") + std::to_string(k);
}

// The name of a source as a Verilog signal.
std::string signalName(const Netlist& n, const Source& s) {
  if (s.kind == Source::DATA_IN) return "i" + std::to_string(s.index);
  if (s.kind == Source::CONTROL_IN) return "c" + std::to_string(s.index);
  return itemName(n, s.index);
}

std::string designName(const ProcessorOptions& o) { return "proc" + std::to_string(std::max(1L, o.registers)); }

std::string header(const ProcessorOptions& o, const Netlist& n) {
  return "// processor-like design: " + std::to_string(std::max(1L, o.registers)) + " registers, " +
         std::to_string(n.items.size()) + " items, seed " + std::to_string(o.seed) + "\n";
}

// One ITM line.
std::string itemLine(const Netlist& n, long k) {
  const Cell& c = n.items[static_cast<size_t>(k)];
  const std::string w = std::to_string(kWidth);
  std::string t = "ITM " + itemName(n, k) + "(" + kindName(c.op) + ")";
  if (c.op == Op::REG) return t + " d(in," + w + ") clk(clk,1) q(out," + w + ")\n";
  if (c.op == Op::LOGIC) return t + " a(in,1) b(in,1) q(out,1)\n";
  t += " a(in," + w + ") b(in," + w + ")";
  if (c.op == Op::MUX) t += " s(sel,1)";
  return t + " q(out," + (c.op == Op::COMP ? std::string("1") : w) + ")\n";
}

// The sinks of every source, in item order: primaries first (data, control), then items.
std::vector<std::vector<std::string>> sinksOf(const Netlist& n, const std::string& name) {
  std::vector<std::vector<std::string>> sinks(kDataInputs + kControlInputs + n.items.size());
  auto slot = [&](const Source& s) -> std::vector<std::string>& {
    const long base = s.kind == Source::DATA_IN ? 0 : s.kind == Source::CONTROL_IN ? kDataInputs
                                                                                  : kDataInputs + kControlInputs;
    return sinks[static_cast<size_t>(base + s.index)];
  };
  for (size_t k = 0; k < n.items.size(); ++k) {
    const Cell& c = n.items[k];
    const std::string me = itemName(n, static_cast<long>(k));
    slot(c.a).push_back(me + (c.op == Op::REG ? ".d" : ".a"));
    if (c.op == Op::REG) continue;
    slot(c.b).push_back(me + ".b");
    if (c.op == Op::MUX) slot(c.s).push_back(me + ".s");
  }
  for (size_t k = 0; k < n.outputs.size(); ++k) slot(n.outputs[k]).push_back(name + ".o" + std::to_string(k));
  return sinks;
}

// The LINK lines: the clock to every register, then each source to its sinks.
std::string linkLines(const Netlist& n, const std::string& name) {
  std::string t;
  for (size_t k = 0; k < n.items.size(); k += 16) {
    if (n.items[k].op != Op::REG) break;
    t += "LINK " + name + ".clk ->";
    for (size_t r = k; r < k + 16 && r < n.items.size() && n.items[r].op == Op::REG; ++r)
      t += " " + itemName(n, static_cast<long>(r)) + ".clk";
    t += "\n";
  }
  const auto sinks = sinksOf(n, name);
  for (size_t k = 0; k < sinks.size(); ++k) {
    if (sinks[k].empty()) continue;
    const long item = static_cast<long>(k) - kDataInputs - kControlInputs;
    t += "LINK " + (item < 0 ? name + "." + (k < kDataInputs ? "i" + std::to_string(k) : "c" + std::to_string(k - kDataInputs))
                             : itemName(n, item) + ".q") + " ->";
    for (const std::string& s : sinks[k]) t += " " + s;
    t += "\n";
  }
  return t;
}

// The Verilog expression of a combinational cell.
std::string expression(const Netlist& n, const Cell& c) {
  const std::string a = signalName(n, c.a), b = signalName(n, c.b);
  switch (c.op) {
    case Op::ADD: return a + " + " + b;
    case Op::SUB: return a + " - " + b;
    case Op::MUL: return a + " * " + b;
    case Op::SHIFT: return a + " << " + b + "[3:0]";
    case Op::AND: return a + " & " + b;
    case Op::OR: return a + " | " + b;
    case Op::XOR: return a + " ^ " + b;
    case Op::MUX: return signalName(n, c.s) + " ? " + b + " : " + a;
    case Op::COMP: return a + " < " + b;
    case Op::LOGIC: return a + " & " + b;
    case Op::REG: break;
  }
  return a;
}

// The module's port list and port declarations.
std::string verilogPorts(const Netlist& n, const std::string& name) {
  const std::string w = "[" + std::to_string(kWidth - 1) + ":0] ";
  std::string list = "module " + name + "(clk", decl = "  input clk;\n";
  for (int k = 0; k < kDataInputs; ++k) {
    list += ", i" + std::to_string(k);
    decl += "  input " + w + "i" + std::to_string(k) + ";\n";
  }
  for (int k = 0; k < kControlInputs; ++k) {
    list += ", c" + std::to_string(k);
    decl += "  input c" + std::to_string(k) + ";\n";
  }
  for (size_t k = 0; k < n.outputs.size(); ++k) {
    list += ", o" + std::to_string(k);
    decl += "  output " + w + "o" + std::to_string(k) + ";\n";
  }
  return list + ");\n" + decl;
}

}  // namespace

std::string processorCircuit(const ProcessorOptions& o) {
  const Netlist n = ProcessorBuilder(o).build();
  const std::string name = designName(o);
  std::string t = header(o, n) + "CIR " + name + " clk(clk,1)";
  for (int k = 0; k < kDataInputs; ++k) t += " i" + std::to_string(k) + "(in," + std::to_string(kWidth) + ")";
  for (int k = 0; k < kControlInputs; ++k) t += " c" + std::to_string(k) + "(in,1)";
  for (size_t k = 0; k < n.outputs.size(); ++k) t += " o" + std::to_string(k) + "(out," + std::to_string(kWidth) + ")";
  t += "\n";
  for (size_t k = 0; k < n.items.size(); ++k) t += itemLine(n, static_cast<long>(k));
  return t + linkLines(n, name);
}

std::string processorVerilog(const ProcessorOptions& o) {
  const Netlist n = ProcessorBuilder(o).build();
  const std::string w = "[" + std::to_string(kWidth - 1) + ":0] ";
  std::string t = header(o, n) + verilogPorts(n, designName(o)), clocked;
  for (size_t k = 0; k < n.items.size(); ++k) {
    const Cell& c = n.items[k];
    const std::string me = itemName(n, static_cast<long>(k));
    if (c.op == Op::REG) {
      t += "  reg " + w + me + ";\n";
      clocked += "    " + me + " <= " + signalName(n, c.a) + ";\n";
    } else {
      const bool bit = c.op == Op::COMP || c.op == Op::LOGIC;
      t += "  wire " + (bit ? std::string() : w) + me + " = " + expression(n, c) + ";\n";
    }
  }
  t += "  always @(posedge clk) begin\n" + clocked + "  end\n";
  for (size_t k = 0; k < n.outputs.size(); ++k)
    t += "  assign o" + std::to_string(k) + " = " + signalName(n, n.outputs[k]) + ";\n";
  return t + "endmodule\n";
}
