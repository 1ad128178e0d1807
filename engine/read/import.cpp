// Verilog and Yosys netlists to word-level designs: yosys runs the fixed
// script, the netlist mapper turns every cell into an item and every bit
// vector into links from the ports that drive its bits.
#include "read/import.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "base/diagnostics.h"
#include "model/kinds.h"
#include "read/blockpath.h"
#include "read/topchoice.h"
#include "model/sizelimits.h"
#include "read/yosys_json.h"
#include "read/yosys_tool.h"

using json = nlohmann::json;
using yosys_json::member;
using yosys_json::numberOf;
using yosys_json::originOf;
using yosys_json::truthy;

namespace {

bool endsWith(const std::string& s, std::string_view tail) {
  return s.size() > tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// ---------------------------------------------------------------- names

// Longest name the importer makes (well inside the description's token limit).
constexpr size_t kMaxName = 200;

// `raw` made valid in a description: letters, digits and '_' only, not
// starting with a digit, never containing "SCAN" (which marks scan ports).
std::string cleanName(std::string_view raw) {
  if (!raw.empty() && raw.front() == '\\') raw.remove_prefix(1);
  std::string s;
  s.reserve(raw.size());
  bool replaced = false;  // a run of invalid characters becomes one '_'
  for (char ch : raw) {
    const auto c = static_cast<unsigned char>(ch);
    const bool valid = std::isalnum(c) || c == '_';
    if (!valid && replaced) continue;
    replaced = !valid;
    s.push_back(valid ? ch : '_');
  }
  while (!s.empty() && s.back() == '_' && !raw.empty() && raw.back() != '_') s.pop_back();
  for (size_t at = s.find("SCAN"); at != std::string::npos; at = s.find("SCAN", at)) s.replace(at, 4, "Scan");
  if (!s.empty() && std::isdigit(static_cast<unsigned char>(s.front()))) s.insert(0, "n");
  if (s.size() > kMaxName) s.resize(kMaxName);
  return s;
}

// Hands out unique names: the wanted one, else with a "_2", "_3" ... suffix.
class NameSet {
 public:
  void reserve(const std::string& name) { used.insert(name); }
  bool taken(const std::string& name) const { return used.count(name) != 0; }
  std::string unique(const std::string& wanted) {
    if (used.insert(wanted).second) return wanted;
    int& n = nextSuffix[wanted];
    if (n < 2) n = 2;
    for (;; ++n) {
      std::string candidate = wanted + "_" + std::to_string(n);
      if (used.insert(candidate).second) return candidate;
    }
  }
  // "add1", "add2", ...: the next free name of a kind.
  std::string counted(const std::string& stem) {
    int& n = nextCount[stem];
    for (;;) {
      std::string candidate = stem + std::to_string(++n);
      if (used.insert(candidate).second) return candidate;
    }
  }

 private:
  std::unordered_set<std::string> used;
  std::unordered_map<std::string, int> nextSuffix, nextCount;
};

std::string lowerKind(item_type t) {
  std::string s = itemTypeName(t) ? itemTypeName(t) : "item";
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// ---------------------------------------------------------------- netlist values

// Bit ids of a connection; constant bits ("0", "1", "x", "z") are kConst.
using Bits = std::vector<long>;
constexpr long kConst = -1;

// Largest bit id accepted in a netlist.
constexpr long kMaxBitId = 1L << 40;

bool readBits(const json& v, Bits& bits) {
  if (!v.is_array()) return false;
  bits.clear();
  bits.reserve(v.size());
  for (const json& b : v) {
    if (b.is_number_integer()) {
      const long id = b.get<long>();
      if (id < 0 || id > kMaxBitId) return false;
      bits.push_back(id);
    } else if (b.is_string()) {
      const std::string& s = b.get_ref<const std::string&>();
      if (s != "0" && s != "1" && s != "x" && s != "z") return false;
      bits.push_back(kConst);
    } else {
      return false;
    }
  }
  return true;
}

struct BitsHash {
  size_t operator()(const Bits& bits) const {
    size_t h = bits.size();
    for (long b : bits) h = (h ^ static_cast<size_t>(b)) * 0x100000001b3ULL;
    return h;
  }
};

bool allConstant(const Bits& bits) {
  return std::all_of(bits.begin(), bits.end(), [](long b) { return b == kConst; });
}

// ---------------------------------------------------------------- cell mapping

// How a pin is used: decides what a primary input that feeds it becomes.
enum PinUse : unsigned char { USE_DATA = 1, USE_CLOCK = 2, USE_CONTROL = 4 };

// One input of an item (or a primary output) and the bits it reads.
struct Sink {
  PortRef ref;
  Bits bits;
  unsigned char use;
};

struct CellKind {
  item_type kind;
  bool unary;  // A and Y only
};

const std::unordered_map<std::string_view, CellKind>& operatorCells() {
  // A constant table, built on first use.
  static const std::unordered_map<std::string_view, CellKind> table = {
      {"$add", {ADD, false}},        {"$sub", {SUB, false}},         {"$neg", {SUB, true}},
      {"$mul", {MUL, false}},        {"$div", {DIV, false}},         {"$mod", {DIV, false}},
      {"$divfloor", {DIV, false}},   {"$modfloor", {DIV, false}},    {"$lt", {COMP, false}},
      {"$le", {COMP, false}},        {"$gt", {COMP, false}},         {"$ge", {COMP, false}},
      {"$eq", {COMP, false}},        {"$ne", {COMP, false}},         {"$eqx", {COMP, false}},
      {"$nex", {COMP, false}},       {"$and", {AND, false}},         {"$or", {OR, false}},
      {"$xor", {XOR, false}},        {"$xnor", {XOR, false}},        {"$not", {NOT, true}},
      {"$logic_and", {LOGIC, false}}, {"$logic_or", {LOGIC, false}}, {"$logic_not", {LOGIC, true}},
      {"$reduce_and", {REDUCE, true}}, {"$reduce_or", {REDUCE, true}}, {"$reduce_xor", {REDUCE, true}},
      {"$reduce_xnor", {REDUCE, true}}, {"$reduce_bool", {REDUCE, true}}, {"$shl", {SHIFT, false}},
      {"$shr", {SHIFT, false}},      {"$sshl", {SHIFT, false}},      {"$sshr", {SHIFT, false}},
      {"$shift", {SHIFT, false}},    {"$shiftx", {SHIFT, false}},
  };
  return table;
}

// Flip-flops and latches: their control pins (reset, set, load) carry no data.
struct RegisterCell {
  const char* clock;                 // clock (or latch enable) pin
  std::vector<const char*> dropped;  // control pins left out of the item
  bool setsConstant = false;         // a dropped pin resets or sets the register to a constant
};

const std::unordered_map<std::string_view, RegisterCell>& registerCells() {
  // A constant table, built on first use.
  static const std::unordered_map<std::string_view, RegisterCell> table = {
      {"$dff", {"CLK", {}}},
      {"$adff", {"CLK", {"ARST"}, true}},
      {"$sdff", {"CLK", {"SRST"}, true}},
      {"$dffsr", {"CLK", {"SET", "CLR"}, true}},
      {"$aldff", {"CLK", {"ALOAD"}}},  // loads AD, which is data
      {"$dlatch", {"EN", {}}},
  };
  return table;
}

// Maps one module of a netlist onto a design.
class NetlistMapper {
 public:
  NetlistMapper(const std::string& src, ImportedDesign& d, Diagnostics& diag) : source(src), design(d), diagnostics(diag) {}

  bool map(const std::string& moduleName, const json& module) {
    const long before = diagnostics.count();
    design = ImportedDesign{};
    design.name = cleanName(moduleName);
    design.module = moduleName;
    if (design.name.empty()) design.name = "top";
    itemNames.reserve(design.name);
    readNetNames(module);
    readPorts(module);
    findWritableMemories(module);
    if (const json* cells = member(module, "cells"); cells && cells->is_object()) {
      decoderBlocks = memoryDecoderBlocks(*cells);
      for (auto it = cells->begin(); it != cells->end(); ++it) mapCell(it.key(), it.value());
      mapBlackBoxes(*cells);
    }
    if (diagnostics.count() != before) return false;
    pruneResetLogic();
    sortBySource();
    nameItems();
    makeLinks();
    typePrimaryInputs();
    return diagnostics.count() == before && checkWidths();
  }

 private:
  struct PendingItem {
    ImportedItem item;
    std::string wanted;  // preferred name (registers, named cells); empty: kind-based
  };

  // ---- reading

  // Named nets: by their exact bits (names that are not ports preferred) and by each bit.
  void readNetNames(const json& module) {
    const json* nets = member(module, "netnames");
    if (!nets || !nets->is_object()) return;
    const json* ports = member(module, "ports");
    Bits bits;
    for (auto it = nets->begin(); it != nets->end(); ++it) {
      if (truthy(member(it.value(), "hide_name"))) continue;
      const json* b = member(it.value(), "bits");
      if (!b || !readBits(*b, bits)) continue;
      const bool isPort = ports && member(*ports, it.key().c_str());
      auto [exact, fresh] = netOfBits.try_emplace(bits, &it.key(), isPort);
      if (!fresh && exact->second.second && !isPort) exact->second = {&it.key(), false};
      for (long bit : bits) {
        if (bit == kConst) continue;
        auto [slot, added] = netOfBit.try_emplace(bit, &it.key(), bits.size());
        if (!added && bits.size() < slot->second.second) slot->second = {&it.key(), bits.size()};
      }
    }
  }

  // The module's ports in declaration order (yosys numbers their bits in that order).
  void readPorts(const json& module) {
    const json* ports = member(module, "ports");
    if (!ports || !ports->is_object()) return;
    struct Entry {
      const std::string* name;
      const std::string* direction;
      Bits bits;
    };
    std::vector<Entry> entries;
    for (auto it = ports->begin(); it != ports->end(); ++it) {
      const json* dir = member(it.value(), "direction");
      const json* b = member(it.value(), "bits");
      Entry e{&it.key(), nullptr, {}};
      if (!dir || !dir->is_string() || !b || !readBits(*b, e.bits)) {
        diagnostics.error("Netlist '%s': port '%s' of module '%s' is malformed!\n", source.c_str(), it.key().c_str(),
              design.name.c_str());
        continue;
      }
      e.direction = &dir->get_ref<const std::string&>();
      entries.push_back(std::move(e));
    }
    auto firstBit = [](const Entry& e) {
      for (long b : e.bits)
        if (b != kConst) return b;
      return kMaxBitId + 1;
    };
    std::stable_sort(entries.begin(), entries.end(),
                     [&](const Entry& x, const Entry& y) { return firstBit(x) < firstBit(y); });
    NameSet portNames;
    for (const Entry& e : entries) addPrimaryPort(*e.name, *e.direction, e.bits, portNames);
  }

  void addPrimaryPort(const std::string& rawName, const std::string& d, const Bits& bits, NameSet& portNames) {
    std::string name = cleanName(rawName);
    if (name.empty()) name = "port";
    ImportedPort p{portNames.unique(name), IN, static_cast<int>(bits.size())};
    const PortRef ref{-1, static_cast<int>(design.ports.size())};
    if (d == "input" || d == "inout") {
      p.type = d == "input" ? IN : INOUT;
      drive(ref, bits);
      if (d == "input") inputBits.push_back({ref, bits, 0});
    } else if (d == "output") {
      p.type = OUT;
      outputSinks.push_back({ref, bits, USE_DATA});
    } else {
      diagnostics.error("Netlist '%s': port '%s' has the unknown direction '%s'!\n", source.c_str(), rawName.c_str(), d.c_str());
      return;
    }
    design.ports.push_back(std::move(p));
  }

  void findWritableMemories(const json& module) {
    const json* cells = member(module, "cells");
    if (!cells || !cells->is_object()) return;
    for (const json& cell : *cells) {
      const json* type = member(cell, "type");
      if (!type || !type->is_string()) continue;
      const std::string& t = type->get_ref<const std::string&>();
      if (t != "$memwr" && t != "$memwr_v2") continue;
      const json* params = member(cell, "parameters");
      const json* id = params ? member(*params, "MEMID") : nullptr;
      if (id && id->is_string()) writableMemories.insert(id->get<std::string>());
    }
  }

  // ---- cells

  void mapCell(const std::string& cellName, const json& cell) {
    const json* type = member(cell, "type");
    if (!type || !type->is_string()) {
      diagnostics.error("Netlist '%s': cell '%s' has no type!\n", source.c_str(), cellName.c_str());
      return;
    }
    const std::string& t = type->get_ref<const std::string&>();
    const std::string origin = originOf(cell);
    const json* conns = member(cell, "connections");
    if (!conns || !conns->is_object()) {
      diagnostics.error("Netlist '%s': cell '%s' (%s) has no connections!\n", source.c_str(), cellName.c_str(), t.c_str());
      return;
    }
    Cell c{cellName, t, origin, cell, *conns};
    if (auto op = operatorCells().find(t); op != operatorCells().end()) return mapOperator(c, op->second);
    if (auto reg = registerCells().find(t); reg != registerCells().end()) return mapRegister(c, reg->second);
    if (t == "$mux") return mapMux(c);
    if (t == "$pmux") return mapPmux(c);
    if (t == "$pos") return mapAlias(c);
    if (t == "$memrd" || t == "$memrd_v2") return mapMemoryRead(c);
    if (t == "$mem" || t == "$mem_v2") return mapMemory(c);
    if ((t == "$meminit" || t == "$meminit_v2") && !isWritable(c)) return;  // contents of a ROM
    if (!t.empty() && t[0] != '$') return blackBoxes.push_back(cellName);   // mapped once every driver is known
    unsupported(c, isWritable(c) || t == "$memwr" || t == "$memwr_v2" ? "a writable memory" : nullptr);
  }

  struct Cell {
    const std::string& name;
    const std::string& type;
    const std::string& origin;
    const json& body;
    const json& conns;
  };

  std::string where(const Cell& c) const { return c.origin.empty() ? source : c.origin; }

  void unsupported(const Cell& c, const char* what) {
    const char* kind = what ? what : c.type.empty() || c.type[0] != '$' ? "a black box or sub-module" : nullptr;
    diagnostics.error("Cell type '%s' of cell '%s' (%s) cannot be imported%s%s!\n", c.type.c_str(), c.name.c_str(),
          where(c).c_str(), kind ? ": " : "", kind ? kind : "");
  }

  const json* param(const Cell& c, const char* key) const {
    const json* params = member(c.body, "parameters");
    return params ? member(*params, key) : nullptr;
  }

  std::string memoryId(const Cell& c) const {
    const json* id = param(c, "MEMID");
    return id && id->is_string() ? id->get<std::string>() : "";
  }

  bool isWritable(const Cell& c) const { return writableMemories.count(memoryId(c)) != 0; }

  // The bits of pin `pin`; false (with a counted error) when missing or malformed.
  bool pinBits(const Cell& c, const char* pin, Bits& bits) {
    const json* v = member(c.conns, pin);
    if (v && readBits(*v, bits)) return true;
    diagnostics.error("Cell '%s' (%s, %s) has %s pin '%s'!\n", c.name.c_str(), c.type.c_str(), where(c).c_str(),
          v ? "a malformed" : "no", pin);
    return false;
  }

  int newItem(item_type kind, const Cell& c, std::string wanted) {
    PendingItem p;
    p.item.kind = kind;
    p.item.origin = c.origin;
    p.item.cell = c.name;
    p.item.block = blockPathOfCell(c.name, c.body);
    if (p.item.block.empty())
      if (auto decoder = decoderBlocks.find(c.name); decoder != decoderBlocks.end()) p.item.block = decoder->second;
    if (wanted.empty() && !c.name.empty() && c.name[0] != '$') wanted = cleanName(c.name);
    p.wanted = std::move(wanted);
    pending.push_back(std::move(p));
    return static_cast<int>(pending.size()) - 1;
  }

  PortRef addPort(int item, const std::string& name, port_type type, size_t bits) {
    auto& ports = pending[item].item.ports;
    ports.push_back({name, type, static_cast<int>(bits)});
    return {item, static_cast<int>(ports.size()) - 1};
  }

  // An input port reading `bits`; one wholly tied to constants is left out unless `keep`.
  void addInput(int item, const std::string& name, port_type type, const Bits& bits, unsigned char use,
                bool keep) {
    if (bits.empty() || (!keep && allConstant(bits))) return;
    sinks.push_back({addPort(item, name, type, bits.size()), bits, use});
  }

  void addOutput(int item, const std::string& name, const Bits& bits) { drive(addPort(item, name, OUT, bits.size()), bits); }

  void drive(const PortRef& ref, const Bits& bits) {
    for (long b : bits)
      if (b != kConst) driverOfBit.try_emplace(b, ref);
  }

  void mapOperator(const Cell& c, const CellKind& k) {
    Bits a, b, y;
    if (!pinBits(c, "A", a) || (!k.unary && !pinBits(c, "B", b)) || !pinBits(c, "Y", y)) return;
    const int item = newItem(k.kind, c, "");
    addInput(item, "a", IN, a, USE_DATA, false);
    if (!k.unary) addInput(item, "b", IN, b, USE_DATA, false);
    addOutput(item, "y", y);
  }

  // A multiplexer choosing only among constants is a lookup table: a ROM addressed by its select.
  bool mapTable(const Cell& c, const Bits& a, const Bits& b, const Bits& s, const Bits& y) {
    if (!allConstant(a) || !allConstant(b)) return false;
    const int item = newItem(ROM, c, "");
    addInput(item, "addr", IN, s, USE_DATA, false);
    addOutput(item, "data", y);
    return true;
  }

  void mapMux(const Cell& c) {
    Bits a, b, s, y;
    if (!pinBits(c, "A", a) || !pinBits(c, "B", b) || !pinBits(c, "S", s) || !pinBits(c, "Y", y)) return;
    if (mapTable(c, a, b, s, y)) return;
    const int item = newItem(MUX, c, "");
    addInput(item, "a", IN, a, USE_DATA, false);
    addInput(item, "b", IN, b, USE_DATA, false);
    addInput(item, "s", CIN_SEL, s, USE_CONTROL, false);
    addOutput(item, "y", y);
  }

  void mapPmux(const Cell& c) {
    Bits a, b, s, y;
    if (!pinBits(c, "A", a) || !pinBits(c, "B", b) || !pinBits(c, "S", s) || !pinBits(c, "Y", y)) return;
    const size_t width = y.size();
    if (width == 0 || b.size() != width * s.size()) {
      diagnostics.error("Cell '%s' (%s, %s): B has %zu bits, not %zu cases of %zu!\n", c.name.c_str(), c.type.c_str(),
            where(c).c_str(), b.size(), s.size(), width);
      return;
    }
    if (mapTable(c, a, b, s, y)) return;
    const int item = newItem(MUX, c, "");
    addInput(item, "a", IN, a, USE_DATA, false);
    for (size_t k = 0; k < s.size(); ++k) {
      const Bits slice(b.begin() + static_cast<long>(k * width), b.begin() + static_cast<long>((k + 1) * width));
      addInput(item, "b" + std::to_string(k), IN, slice, USE_DATA, false);
    }
    addInput(item, "s", CIN_SEL, s, USE_CONTROL, false);
    addOutput(item, "y", y);
  }

  // The name of the signal held in `q`: the smallest named net holding its first bit.
  std::string signalName(const Bits& q) const {
    if (auto exact = netOfBits.find(q); exact != netOfBits.end()) return cleanName(*exact->second.first);
    for (long b : q) {
      if (b == kConst) continue;
      auto it = netOfBit.find(b);
      return it == netOfBit.end() ? "" : cleanName(*it->second.first);
    }
    return "";
  }

  void mapRegister(const Cell& c, const RegisterCell& r) {
    Bits d, clk, q, extra;
    if (!pinBits(c, "D", d) || !pinBits(c, r.clock, clk) || !pinBits(c, "Q", q)) return;
    for (const char* pin : r.dropped) {
      if (!pinBits(c, pin, extra)) return;
      controlBits(extra);
    }
    if (c.type == "$aldff") {  // the asynchronous load value is data too
      if (!pinBits(c, "AD", extra)) return;
      d.insert(d.end(), extra.begin(), extra.end());
    }
    const int item = newItem(REG, c, signalName(q));
    pending[static_cast<size_t>(item)].item.settable = r.setsConstant;
    const size_t width = q.size();
    if (d.size() > width) {  // one data port of the register's width, read by both sources
      sinks.push_back({addPort(item, "d", IN, width), d, USE_DATA});
    } else {
      addInput(item, "d", IN, d, USE_DATA, true);
    }
    addInput(item, c.type == "$dlatch" ? "en" : "clk", CIN_CLK, clk, USE_CLOCK, true);
    addOutput(item, "q", q);
  }

  // Bits of a control pin that the item leaves out: they only type primary inputs.
  void controlBits(const Bits& bits) { dropped.push_back({{-1, -1}, bits, USE_CONTROL}); }

  void mapAlias(const Cell& c) {
    Bits a, y;
    if (!pinBits(c, "A", a) || !pinBits(c, "Y", y)) return;
    for (size_t k = 0; k < y.size(); ++k)
      if (y[k] != kConst) aliasOf[y[k]] = k < a.size() ? a[k] : kConst;
  }

  // One read port of a read-only memory: a ROM item, and a register behind it when the read is clocked.
  void addReadPort(const Cell& c, const Bits& addr, const Bits& data, bool clocked, const Bits& clk) {
    const std::string id = memoryId(c);
    std::string name = id.empty() || id[0] == '$' ? "" : cleanName(id);
    const int rom = newItem(ROM, c, name.empty() ? "" : name);
    addInput(rom, "addr", IN, addr, USE_DATA, false);
    if (!clocked) {
      addOutput(rom, "data", data);
      return;
    }
    Bits inner(data.size());
    for (long& b : inner) b = nextInnerBit--;
    addOutput(rom, "data", inner);
    const int reg = newItem(REG, c, signalName(data).empty() ? (name.empty() ? "" : name + "_data") : signalName(data));
    addInput(reg, "d", IN, inner, USE_DATA, true);
    addInput(reg, "clk", CIN_CLK, clk, USE_CLOCK, true);
    addOutput(reg, "q", data);
  }

  // ---- writable memories and black boxes

  // `bits` with constants and repeats left out, in order (an enable or clock
  // repeated over the data width reads one net).
  static Bits distinctBits(const Bits& bits) {
    Bits out;
    for (long b : bits)
      if (b != kConst && std::find(out.begin(), out.end(), b) == out.end()) out.push_back(b);
    return out;
  }

  // Pin `pin` of a memory cell cut into `count` slices of `width` bits; false (error counted) when it does not fit.
  bool memorySlices(const Cell& c, const char* pin, long count, long width, std::vector<Bits>& slices) {
    Bits all;
    if (!pinBits(c, pin, all)) return false;
    if (count < 0 || width < 0 || all.size() != static_cast<size_t>(count * width)) {
      diagnostics.error("Cell '%s' (%s, %s): pin '%s' does not match the memory's parameters!\n", c.name.c_str(),
                        c.type.c_str(), where(c).c_str(), pin);
      return false;
    }
    slices.clear();
    for (long k = 0; k < count; ++k) slices.emplace_back(all.begin() + k * width, all.begin() + (k + 1) * width);
    return true;
  }

  // A writable memory larger than --memory-words: one RAM item with every
  // write port (address, data, enable), one clock, and every read port
  // (address, data); a clocked read port gets a register behind it.
  void mapRam(const Cell& c) {
    const long writes = numberOf(param(c, "WR_PORTS"), 0), reads = numberOf(param(c, "RD_PORTS"), 0),
               abits = numberOf(param(c, "ABITS"), 0), width = numberOf(param(c, "WIDTH"), 0);
    std::vector<Bits> waddr, wdata, wen, wclk, raddr, rdata, rclk;
    if (!memorySlices(c, "WR_ADDR", writes, abits, waddr) || !memorySlices(c, "WR_DATA", writes, width, wdata) ||
        !memorySlices(c, "WR_EN", writes, width, wen) || !memorySlices(c, "WR_CLK", writes, 1, wclk) ||
        !memorySlices(c, "RD_ADDR", reads, abits, raddr) || !memorySlices(c, "RD_DATA", reads, width, rdata) ||
        !memorySlices(c, "RD_CLK", reads, 1, rclk))
      return;
    const std::string id = memoryId(c);
    const std::string name = id.empty() || id[0] == '$' ? "" : cleanName(id);
    const int ram = newItem(RAM, c, name);
    Bits clocks;
    for (long k = 0; k < writes; ++k) {
      const std::string n = k == 0 ? "" : std::to_string(k);
      addInput(ram, "waddr" + n, IN, waddr[k], USE_DATA, true);
      addInput(ram, "wdata" + n, IN, wdata[k], USE_DATA, true);
      addInput(ram, "we" + n, CIN_SEL, distinctBits(wen[k]), USE_CONTROL, false);
      clocks.insert(clocks.end(), wclk[k].begin(), wclk[k].end());
    }
    addInput(ram, "clk", CIN_CLK, distinctBits(clocks), USE_CLOCK, false);
    const long enables = numberOf(param(c, "RD_CLK_ENABLE"), 0);
    for (long k = 0; k < reads; ++k) {
      addInput(ram, "raddr" + std::to_string(k), IN, raddr[k], USE_DATA, true);
      const bool clocked = k < 62 && ((enables >> k) & 1) != 0;
      addOutput(ram, "rdata" + std::to_string(k), clocked ? heldReadData(c, rdata[k], rclk[k], name) : rdata[k]);
    }
  }

  // The register behind a clocked read port: it holds `data`; returns the inner bits it loads from.
  Bits heldReadData(const Cell& c, const Bits& data, const Bits& clk, const std::string& memoryName) {
    Bits inner(data.size());
    for (long& b : inner) b = nextInnerBit--;
    const std::string held = signalName(data);
    const int reg = newItem(REG, c, !held.empty() ? held : memoryName.empty() ? "" : memoryName + "_data");
    addInput(reg, "d", IN, inner, USE_DATA, true);
    addInput(reg, "clk", CIN_CLK, clk, USE_CLOCK, true);
    addOutput(reg, "q", data);
    return inner;
  }

  // Instances of modules the design does not define, each a BBOX item with
  // the instance's pins as ports (a warning names it). A pin's direction is
  // the netlist's when it has one; else a pin reading a driven net is an
  // input and the others are outputs.
  void mapBlackBoxes(const json& cells) {
    for (const std::string& cellName : blackBoxes) {
      const json& cell = cells.at(cellName);
      const std::string& t = member(cell, "type")->get_ref<const std::string&>();
      const std::string origin = originOf(cell);
      const Cell c{cellName, t, origin, cell, *member(cell, "connections")};
      diagnostics.warning("Module '%s' of instance '%s' (%s) is not defined: it is imported as a black box whose "
                          "outputs cannot be set and whose inputs cannot be seen; give its model with --lib FILE.v\n",
                          cleanName(t).c_str(), cleanName(cellName).c_str(), where(c).c_str());
      mapBlackBox(c);
    }
  }

  void mapBlackBox(const Cell& c) {
    const int item = newItem(BBOX, c, "");
    const json* directions = member(c.body, "port_directions");
    Bits bits;
    for (auto it = c.conns.begin(); it != c.conns.end(); ++it) {
      if (!readBits(it.value(), bits)) {
        diagnostics.error("Cell '%s' (%s, %s) has a malformed pin '%s'!\n", c.name.c_str(), c.type.c_str(),
                          where(c).c_str(), it.key().c_str());
        continue;
      }
      std::string pin = cleanName(it.key());
      if (pin.empty()) pin = "pin";
      const json* d = directions ? member(*directions, it.key().c_str()) : nullptr;
      const bool known = d && d->is_string();
      const bool driven = std::any_of(bits.begin(), bits.end(), [&](long b) { return driverOfBit.count(resolve(b)) != 0; });
      const bool input = known ? d->get<std::string>() != "output" : driven || allConstant(bits);
      if (input)
        addInput(item, pin, IN, bits, USE_DATA, true);
      else
        addOutput(item, pin, bits);
    }
  }

  void mapMemoryRead(const Cell& c) {
    if (isWritable(c)) return unsupported(c, "a writable memory");
    Bits addr, data, clk;
    if (!pinBits(c, "ADDR", addr) || !pinBits(c, "DATA", data)) return;
    const bool clocked = numberOf(param(c, "CLK_ENABLE"), 0) != 0;
    if (clocked && !pinBits(c, "CLK", clk)) return;
    addReadPort(c, addr, data, clocked, clk);
  }

  void mapMemory(const Cell& c) {
    if (numberOf(param(c, "WR_PORTS"), 0) != 0) return mapRam(c);
    const long ports = numberOf(param(c, "RD_PORTS"), 0), abits = numberOf(param(c, "ABITS"), 0),
               width = numberOf(param(c, "WIDTH"), 0);
    Bits addr, data, clk;
    if (!pinBits(c, "RD_ADDR", addr) || !pinBits(c, "RD_DATA", data) || !pinBits(c, "RD_CLK", clk)) return;
    if (ports < 0 || abits < 0 || width < 0 || addr.size() != static_cast<size_t>(ports * abits) ||
        data.size() != static_cast<size_t>(ports * width) || clk.size() != static_cast<size_t>(ports)) {
      diagnostics.error("Cell '%s' (%s, %s): read port widths do not match its parameters!\n", c.name.c_str(),
            c.type.c_str(), where(c).c_str());
      return;
    }
    const long enables = numberOf(param(c, "RD_CLK_ENABLE"), 0);
    for (long k = 0; k < ports; ++k) {
      const Bits a(addr.begin() + k * abits, addr.begin() + (k + 1) * abits);
      const Bits d(data.begin() + k * width, data.begin() + (k + 1) * width);
      addReadPort(c, a, d, k < 62 && ((enables >> k) & 1) != 0, Bits{clk[static_cast<size_t>(k)]});
    }
  }

  // ---- finishing

  // Items in source order (file, line), those without a location last; stable.
  void sortBySource() {
    auto key = [](const PendingItem& p) {
      const std::string& o = p.item.origin;
      const size_t colon = o.rfind(':');
      if (colon == std::string::npos) return std::make_pair(std::string("\x7f"), 0L);
      return std::make_pair(o.substr(0, colon), std::strtol(o.c_str() + colon + 1, nullptr, 10));
    };
    std::vector<int> order(pending.size());
    std::vector<std::pair<std::string, long>> keys;
    keys.reserve(pending.size());
    for (size_t k = 0; k < pending.size(); ++k) {
      order[k] = static_cast<int>(k);
      keys.push_back(key(pending[k]));
    }
    std::stable_sort(order.begin(), order.end(), [&](int x, int y) { return keys[x] < keys[y]; });
    reorder(order);
  }

  // Keeps the items listed in `order`, in that order; references to the others must be gone.
  void reorder(const std::vector<int>& order) {
    std::vector<int> newIndex(pending.size(), -1);
    for (size_t k = 0; k < order.size(); ++k) newIndex[order[k]] = static_cast<int>(k);
    std::vector<PendingItem> kept;
    kept.reserve(order.size());
    for (int k : order) kept.push_back(std::move(pending[k]));
    pending = std::move(kept);
    auto remap = [&](PortRef& r) {
      if (r.item >= 0) r.item = newIndex[r.item];
    };
    for (Sink& s : sinks) remap(s.ref);
    for (auto& entry : driverOfBit) remap(entry.second);
  }

  // Combinational items whose outputs reach only reset, set and load pins
  // (directly or through other such items) belong to the reset network: they
  // are left out like those pins, and their inputs count as control pins.
  void pruneResetLogic() {
    if (dropped.empty()) return;
    const size_t n = pending.size();
    std::vector<int> consumers(n, 0), controlConsumers(n, 0);
    std::vector<std::vector<int>> feeders(n);  // items feeding each item's inputs
    auto count = [&](const Sink& s, bool control) {
      std::vector<int> seen;
      for (long raw : s.bits) {
        auto it = driverOfBit.find(resolve(raw));
        if (it == driverOfBit.end() || it->second.item < 0) continue;
        const int from = it->second.item;
        if (std::find(seen.begin(), seen.end(), from) != seen.end()) continue;
        seen.push_back(from);
        ++consumers[from];
        if (control) ++controlConsumers[from];
        if (!control && s.ref.item >= 0) feeders[s.ref.item].push_back(from);
      }
    };
    for (const Sink& s : sinks) count(s, false);
    for (const Sink& s : outputSinks) count(s, false);
    for (const Sink& s : dropped) count(s, true);
    std::vector<char> pruned(n, 0);
    std::vector<int> work;
    auto check = [&](int k) {
      if (!pruned[k] && !endsCombinationalPaths(pending[k].item.kind) && consumers[k] > 0 &&
          controlConsumers[k] == consumers[k]) {
        pruned[k] = 1;
        work.push_back(k);
      }
    };
    for (size_t k = 0; k < n; ++k) check(static_cast<int>(k));
    while (!work.empty()) {
      const int k = work.back();
      work.pop_back();
      for (int from : feeders[k]) {  // the pruned item's inputs now read control pins
        ++controlConsumers[from];
        check(from);
      }
    }
    if (std::find(pruned.begin(), pruned.end(), 1) == pruned.end()) return;
    std::vector<Sink> keptSinks;
    for (Sink& s : sinks) {
      if (!pruned[s.ref.item]) {
        keptSinks.push_back(std::move(s));
      } else {
        s.ref = {-1, -1};
        s.use = USE_CONTROL;
        dropped.push_back(std::move(s));
      }
    }
    sinks = std::move(keptSinks);
    for (auto it = driverOfBit.begin(); it != driverOfBit.end();)
      it = it->second.item >= 0 && pruned[it->second.item] ? driverOfBit.erase(it) : std::next(it);
    std::vector<int> order;
    for (size_t k = 0; k < n; ++k)
      if (!pruned[k]) order.push_back(static_cast<int>(k));
    reorder(order);
  }

  void nameItems() {
    for (PendingItem& p : pending)
      if (!p.wanted.empty()) p.item.name = itemNames.unique(p.wanted);
    for (PendingItem& p : pending)
      if (p.wanted.empty()) p.item.name = itemNames.counted(lowerKind(p.item.kind));
    design.items.reserve(pending.size());
    for (PendingItem& p : pending) design.items.push_back(std::move(p.item));
  }

  long resolve(long bit) const {
    for (int hops = 0; hops < 64 && bit != kConst; ++hops) {
      auto it = aliasOf.find(bit);
      if (it == aliasOf.end()) break;
      bit = it->second;
    }
    return bit;
  }

  static long long keyOf(const PortRef& r) {
    return (static_cast<long long>(r.item + 1) << 32) | static_cast<unsigned>(r.port);
  }

  // One link from each port driving some bit of a sink; primary inputs learn how they are used.
  void connect(const Sink& s) {
    std::vector<long long> seen;
    for (long raw : s.bits) {
      const long bit = resolve(raw);
      if (bit == kConst) continue;
      auto it = driverOfBit.find(bit);
      if (it == driverOfBit.end()) continue;  // undriven: nothing to pass on
      const PortRef& from = it->second;
      if (from.item < 0) inputUse[from.port] |= s.use;
      if (s.ref.port < 0) continue;  // a left-out control pin
      const long long key = keyOf(from);
      if (std::find(seen.begin(), seen.end(), key) != seen.end()) continue;
      seen.push_back(key);
      auto [slot, added] = linkOfSource.try_emplace(key, design.links.size());
      if (added) design.links.push_back({from, {}});
      design.links[slot->second].to.push_back(s.ref);
    }
  }

  void makeLinks() {
    inputUse.assign(design.ports.size(), 0);
    // Item inputs in item order, then the primary outputs.
    std::stable_sort(sinks.begin(), sinks.end(), [](const Sink& x, const Sink& y) {
      return x.ref.item != y.ref.item ? x.ref.item < y.ref.item : x.ref.port < y.ref.port;
    });
    for (const Sink& s : sinks) connect(s);
    for (const Sink& s : outputSinks) connect(s);
    for (const Sink& s : dropped) connect(s);
  }

  // Inputs feeding only clock pins are clocks; only select, enable or reset pins: selects.
  void typePrimaryInputs() {
    for (const Sink& in : inputBits) {
      const unsigned char use = inputUse[in.ref.port];
      if (use == USE_CLOCK) design.ports[in.ref.port].type = CIN_CLK;
      if (use == USE_CONTROL) design.ports[in.ref.port].type = CIN_SEL;
    }
  }

  bool checkWidths() {
    long total = 0;
    auto check = [&](const ImportedPort& p, const std::string& owner) {
      total += p.bits;
      if (p.bits <= MAX_PORT_WIDTH) return true;
      diagnostics.error("Port '%s.%s' is %d bits wide, more than %ld!\n", owner.c_str(), p.name.c_str(), p.bits, MAX_PORT_WIDTH);
      return false;
    };
    bool ok = true;
    for (const ImportedPort& p : design.ports) ok = check(p, design.name) && ok;
    for (const ImportedItem& i : design.items)
      for (const ImportedPort& p : i.ports) ok = check(p, i.name) && ok;
    if (ok && total > MAX_CIRCUIT_BITS) {
      diagnostics.error("Design '%s' has more than %ld port bits!\n", design.name.c_str(), MAX_CIRCUIT_BITS);
      return false;
    }
    return ok && checkLinks();
  }

  // The link limits of descriptions hold for imported designs too.
  bool checkLinks() {
    std::unordered_map<long long, long> fanIn;
    long total = 0;
    for (const ImportedLink& l : design.links) {
      total += static_cast<long>(l.to.size());
      long worst = static_cast<long>(l.to.size());
      for (const PortRef& r : l.to) worst = std::max(worst, ++fanIn[keyOf(r)]);
      if (worst > MAX_LINKS_PER_PORT || total > MAX_CIRCUIT_LINKS) {
        diagnostics.error("Design '%s' has more links than a circuit may hold (%ld a port, %ld in all)!\n",
              design.name.c_str(), MAX_LINKS_PER_PORT, MAX_CIRCUIT_LINKS);
        return false;
      }
    }
    return true;
  }

  const std::string& source;
  ImportedDesign& design;
  Diagnostics& diagnostics;
  std::vector<PendingItem> pending;
  std::vector<Sink> sinks, outputSinks, dropped, inputBits;
  std::unordered_map<long, std::pair<const std::string*, size_t>> netOfBit;
  std::unordered_map<Bits, std::pair<const std::string*, bool>, BitsHash> netOfBits;
  std::unordered_map<long, PortRef> driverOfBit;
  std::unordered_map<long, long> aliasOf;
  std::unordered_map<long long, size_t> linkOfSource;
  std::unordered_set<std::string> writableMemories;
  std::vector<std::string> blackBoxes;  // cells of undefined modules, in netlist order
  std::unordered_map<std::string, std::string> decoderBlocks;  // memory_map's own cells: their memory's block
  std::vector<unsigned char> inputUse;
  NameSet itemNames;
  long nextInnerBit = -2;
};

// ---------------------------------------------------------------- modules

std::string joined(const std::vector<std::string>& names) {
  std::string s;
  for (const std::string& n : names) s += (s.empty() ? "" : ", ") + n;
  return s;
}

// Picks the top module: --top, else the only candidate. Reports what goes wrong.
const json* pickTop(const json& modules, const std::string& source, const std::string& top, std::string& name,
                    Diagnostics& diagnostics) {
  if (!top.empty()) {
    auto it = modules.find(top);
    if (it == modules.end()) {
      diagnostics.error("Design '%s' has no module '%s'!\n", source.c_str(), top.c_str());
      return nullptr;
    }
    name = top;
    return &*it;
  }
  const TopChoice choice = chooseTop(modules);
  const std::vector<std::string>& candidates = choice.candidates;
  if (candidates.empty()) {
    diagnostics.error("Design '%s' has no module!\n", source.c_str());
    return nullptr;
  }
  if (candidates.size() > 1) {
    diagnostics.error("Design '%s' has several top module candidates (%s); choose one with --top NAME!\n", source.c_str(),
          joined(candidates).c_str());
    return nullptr;
  }
  if (!choice.benches.empty()) {
    std::string benches;
    for (const std::string& b : choice.benches) benches += (benches.empty() ? "'" : ", '") + b + "'";
    diagnostics.warning("Design '%s': the top module is '%s'; %s without ports taken for a test bench "
                        "(choose another top with --top NAME)\n",
                        source.c_str(), candidates.front().c_str(), benches.c_str());
  }
  name = candidates.front();
  return &modules[name];
}

bool parseNetlist(const std::string& text, const std::string& source, json& netlist, Diagnostics& diagnostics) {
  try {
    netlist = json::parse(text);
  } catch (const json::exception& e) {
    diagnostics.error("Netlist '%s' is not valid JSON: %s\n", source.c_str(), e.what());
    return false;
  }
  const json* modules = member(netlist, "modules");
  if (!modules || !modules->is_object()) {
    diagnostics.error("Netlist '%s' has no \"modules\" object!\n", source.c_str());
    return false;
  }
  return true;
}

// ---------------------------------------------------------------- yosys

// Runs yosys with `script` on `path`; its standard output in `out`. Reports failures.
// A file name yosys reads as a file: a relative name starting with '-' would read as an option.
std::string fileArgument(const std::string& path) { return !path.empty() && path[0] == '-' ? "./" + path : path; }

// The yosys command reading the libraries, then the design, with `frontend`, and running `script`.
std::vector<std::string> yosysCommand(const std::string& frontend, const std::string& script,
                                      const std::vector<std::string>& libs, const std::string& file) {
  std::vector<std::string> argv = {"yosys", "-q", "-f", frontend, "-p", script};
  for (const std::string& lib : libs) argv.push_back(fileArgument(lib));
  argv.push_back(file);
  return argv;
}

bool runYosys(ProcessRunner& runner, const std::string& path, const std::vector<std::string>& libs,
              const std::string& script, std::string& out, Diagnostics& diagnostics) {
  const bool sv = endsWith(path, ".sv");
  const std::string file = fileArgument(path);
  std::string err;
  const int status = runner.run(yosysCommand(sv ? "verilog -sv" : "verilog", script, libs, file), out, err);
  if (status == ProcessRunner::kNotStarted) {
    diagnostics.error("yosys is not installed: it is needed to read '%s'; install the Debian package 'yosys' "
          "(apt-get install yosys)!\n",
          path.c_str());
    return false;
  }
  if (status != 0) {
    std::string hint;
    // A .v file that fails as Verilog but reads as SystemVerilog only needs its name changed.
    std::string svOut, svErr;
    if (!sv && endsWith(path, ".v") &&
        runner.run(yosysCommand("verilog -sv", script, libs, file), svOut, svErr) == 0)
      hint = "'" + path + "' reads as SystemVerilog: name it '" + path.substr(0, path.size() - 2) + ".sv'\n";
    diagnostics.error("yosys failed on '%s':\n%s\n%s", path.c_str(), yosys_tool::errorMessage(out, err).c_str(),
                      hint.c_str());
    return false;
  }
  return true;
}

}  // namespace

// ---------------------------------------------------------------- interface

bool parseMemoryWords(const std::string& text, long& words) {
  if (text.empty() || text.size() > 10 || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return false;
  const long v = std::stol(text);
  if (v > (1L << 30)) return false;
  words = v;
  return true;
}

InputKind inputKindOf(const std::string& path) {
  if (endsWith(path, ".v") || endsWith(path, ".sv")) return InputKind::Verilog;
  if (endsWith(path, ".json")) return InputKind::YosysJson;
  return InputKind::Description;
}

bool importNetlist(const std::string& text, const std::string& source, const ImportOptions& options,
                   ImportedDesign& design, Diagnostics& diagnostics) {
  if (static_cast<long>(text.size()) > MAX_DESCRIPTION_BYTES) {
    diagnostics.error("Netlist '%s' is larger than %ld bytes!\n", source.c_str(), MAX_DESCRIPTION_BYTES);
    return false;
  }
  json netlist;
  if (!parseNetlist(text, source, netlist, diagnostics)) return false;
  std::string top;
  const json* module = pickTop(netlist["modules"], source, options.top, top, diagnostics);
  if (!module) return false;
  NetlistMapper mapper(source, design, diagnostics);
  try {
    return mapper.map(top, *module);
  } catch (const json::exception& e) {
    diagnostics.error("Netlist '%s' is malformed: %s\n", source.c_str(), e.what());
    return false;
  }
}

bool yosysNetlist(const std::string& path, const ImportOptions& options, const std::string& passes,
                  ProcessRunner& runner, std::string& netlist, Diagnostics& diagnostics, std::string* chosenTop) {
  std::string top = options.top;
  if (!top.empty() && !yosys_tool::isPlainModuleName(top)) {
    diagnostics.error("'%s' is not a module name!\n", top.c_str());
    return false;
  }
  std::string out;
  if (top.empty()) {  // find the top candidates first: yosys would pick one silently
    if (!runYosys(runner, path, options.libs, "hierarchy; delete */p:*; write_json", out, diagnostics)) return false;
    json modules;
    if (!parseNetlist(out, path, modules, diagnostics)) return false;
    if (!pickTop(modules["modules"], path, "", top, diagnostics)) return false;
    if (!yosys_tool::isPlainModuleName(top)) {
      diagnostics.error("Design '%s': the top module '%s' cannot be named in a script!\n", path.c_str(), top.c_str());
      return false;
    }
  }
  if (!runYosys(runner, path, options.libs, "hierarchy -top " + top + "; " + passes + "; write_json", netlist,
                diagnostics))
    return false;
  if (chosenTop) *chosenTop = top;
  return true;
}

std::string importPasses(const ImportOptions& options) {
  return "proc; flatten; opt -nodffe -nosdff; memory_collect; memory_map t:$mem_v2 r:WR_PORTS>0 %i r:SIZE<=" +
         std::to_string(std::max(0L, options.memoryWords)) + " %i; opt_clean";
}

namespace {

// True when a yosys netlist writes to a memory (has a memory write port cell).
bool writesMemory(const std::string& netlist) { return netlist.find("\"$memwr") != std::string::npos; }

// The importer's netlist of a Verilog design. Designs without writable
// memories keep the plain passes (read-only memories stay one cell per read);
// the others are elaborated again with the memory passes.
bool importerNetlist(const std::string& path, const ImportOptions& options, ProcessRunner& runner,
                     std::string& netlist, Diagnostics& diagnostics, std::string& top) {
  if (!yosysNetlist(path, options, kImportPasses, runner, netlist, diagnostics, &top)) return false;
  if (!writesMemory(netlist)) return true;
  ImportOptions chosen = options;
  chosen.top = top;
  return yosysNetlist(path, chosen, importPasses(options), runner, netlist, diagnostics);
}

}  // namespace

bool elaborateVerilog(const std::string& path, const ImportOptions& options, ProcessRunner& runner,
                      std::string& netlist, std::string& top, Diagnostics& diagnostics) {
  return importerNetlist(path, options, runner, netlist, diagnostics, top);
}

bool importVerilog(const std::string& path, const ImportOptions& options, ProcessRunner& runner,
                   ImportedDesign& design, Diagnostics& diagnostics) {
  std::string netlist, top;
  if (!elaborateVerilog(path, options, runner, netlist, top, diagnostics)) return false;
  ImportOptions chosen = options;
  chosen.top = top;
  return importNetlist(netlist, path, chosen, design, diagnostics);
}

bool importedNetlistText(const std::string& path, const ImportOptions& options, ProcessRunner& runner,
                         std::string& netlist, Diagnostics& diagnostics, std::string* chosenTop) {
  if (inputKindOf(path) == InputKind::Verilog) {
    std::string top;
    if (!importerNetlist(path, options, runner, netlist, diagnostics, top)) return false;
    if (chosenTop) *chosenTop = top;
    return true;
  }
  if (chosenTop) *chosenTop = options.top;
  FILE* in = std::fopen(path.c_str(), "rb");
  if (!in) {
    diagnostics.error("Can't open input file '%s'!\n", path.c_str());
    return false;
  }
  netlist.clear();
  char buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, in)) > 0) netlist.append(buf, n);
  std::fclose(in);
  return true;
}

bool importDesign(const std::string& path, const ImportOptions& options, ProcessRunner& runner,
                  ImportedDesign& design, Diagnostics& diagnostics) {
  FILE* in = std::fopen(path.c_str(), "rb");
  if (!in) {
    diagnostics.error("Can't open input file '%s'!\n", path.c_str());
    return false;
  }
  std::string text;
  if (inputKindOf(path) == InputKind::YosysJson) {
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, in)) > 0) text.append(buf, n);
  }
  std::fclose(in);
  switch (inputKindOf(path)) {
    case InputKind::Verilog: return importVerilog(path, options, runner, design, diagnostics);
    case InputKind::YosysJson: return importNetlist(text, path, options, design, diagnostics);
    case InputKind::Description: break;
  }
  diagnostics.error("'%s' is not a Verilog design or a Yosys netlist (.v, .sv, .json)!\n", path.c_str());
  return false;
}
