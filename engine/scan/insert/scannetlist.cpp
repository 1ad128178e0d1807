// The netlist edit behind `tarvex insert`: every scanned flip-flop cell gets
// a $mux on its data input choosing, under SCAN_MODE, the flip-flop before it
// in its chain. The mux is the last cell before the flip-flop, so enables,
// synchronous resets and feedback muxes stay in the functional path.
#include "scan/insert/scannetlist.h"

#include <nlohmann/json.hpp>
#include <unordered_map>
#include <unordered_set>

using ojson = nlohmann::ordered_json;

std::string scanModePort() { return "SCAN_MODE"; }
std::string scanInPort(size_t k) { return "SCAN_IN" + std::to_string(k); }
std::string scanOutPort(size_t k) { return "SCAN_OUT" + std::to_string(k); }

namespace {

// A netlist parameter as a number: a string of binary digits or a JSON number.
long paramNumber(const ojson& cell, const char* key, long fallback) {
  const auto params = cell.find("parameters");
  if (params == cell.end() || !params->is_object()) return fallback;
  const auto v = params->find(key);
  if (v == params->end()) return fallback;
  if (v->is_number_integer()) return v->get<long>();
  if (!v->is_string()) return fallback;
  const std::string& s = v->get_ref<const std::string&>();
  if (s.empty() || s.size() > 62 || s.find_first_not_of("01xz") != std::string::npos) return fallback;
  long n = 0;
  for (char c : s) n = n * 2 + (c == '1');
  return n;
}

// A 32-bit parameter value as yosys writes it.
std::string binary32(long value) {
  std::string s(32, '0');
  for (int k = 0; k < 32; ++k)
    if ((value >> k) & 1) s[31 - k] = '1';
  return s;
}

// The connection of `pin`, or null when the cell has none (or it is not a bit list).
const ojson* pinOf(const ojson& cell, const char* pin) {
  const auto conns = cell.find("connections");
  if (conns == cell.end() || !conns->is_object()) return nullptr;
  const auto v = conns->find(pin);
  return v == conns->end() || !v->is_array() ? nullptr : &*v;
}

// Bit ids of a connection made only of signal bits; false when a bit is a constant or malformed.
bool signalBits(const ojson& v, std::vector<long>& bits) {
  bits.clear();
  for (const ojson& b : v) {
    if (!b.is_number_integer() || b.get<long>() < 0) return false;
    bits.push_back(b.get<long>());
  }
  return true;
}

// The largest bit id in a JSON value (ports, netnames or cells); -1 without one.
long largestBit(const ojson& v) {
  long most = -1;
  if (v.is_number_integer()) return v.get<long>();
  if (v.is_array() || v.is_object())
    for (const ojson& e : v) most = std::max(most, largestBit(e));
  return most;
}

bool oneSignalBit(const ojson* pin) { return pin && pin->size() == 1 && (*pin)[0].is_number_integer(); }

ojson bitsJson(const std::vector<long>& bits) {
  ojson a = ojson::array();
  for (long b : bits) a.push_back(b);
  return a;
}

// A $mux cell: Y = S ? B : A.
ojson muxCell(const ojson& a, const ojson& b, long select, const std::vector<long>& y) {
  ojson cell;
  cell["hide_name"] = 1;
  cell["type"] = "$mux";
  cell["parameters"] = {{"WIDTH", binary32(static_cast<long>(y.size()))}};
  cell["attributes"] = ojson::object();
  cell["port_directions"] = {{"A", "input"}, {"B", "input"}, {"S", "input"}, {"Y", "output"}};
  cell["connections"] = {{"A", a}, {"B", b}, {"S", ojson::array({select})}, {"Y", bitsJson(y)}};
  return cell;
}

// A $pos cell: Y = A (a buffer giving a scan output its own signal).
ojson bufferCell(long a, long y) {
  ojson cell;
  cell["hide_name"] = 1;
  cell["type"] = "$pos";
  cell["parameters"] = {{"A_SIGNED", binary32(0)}, {"A_WIDTH", binary32(1)}, {"Y_WIDTH", binary32(1)}};
  cell["attributes"] = ojson::object();
  cell["port_directions"] = {{"A", "input"}, {"Y", "output"}};
  cell["connections"] = {{"A", ojson::array({a})}, {"Y", ojson::array({y})}};
  return cell;
}

// The flip-flop cells a register can be scanned in (the data input is D).
bool isScannableFlop(const std::string& type) {
  return type == "$dff" || type == "$adff" || type == "$dffsr" || type == "$aldff" || type == "$sdff";
}

// Edits one module; errors are collected in `result`.
class ChainInserter {
 public:
  ChainInserter(ojson& m, const std::string& src, ScanNetlistResult& r) : module(m), source(src), result(r) {}

  void insert(const ScanChainRequest& chains) {
    for (const char* key : {"cells", "netnames"})  // made before anything points into the module
      if (module.find(key) == module.end()) module[key] = ojson::object();
    indexCells();
    indexNets();
    checkPortNames(chains.size());
    std::vector<std::vector<ojson*>> cells(chains.size());
    std::unordered_set<std::string> seen;
    for (size_t k = 0; k < chains.size(); ++k)
      for (const ScanRegisterRef& reg : chains[k]) cells[k].push_back(checkedFlop(reg, k, seen));
    if (!result.ok()) return;
    for (size_t k = 0; k < chains.size(); ++k) checkClocks(chains[k], cells[k], k);
    if (!result.ok()) return;
    nextBit = largestBit(module) + 1;
    const long mode = addPort(scanModePort(), "input", {nextBit++});
    for (size_t k = 0; k < chains.size(); ++k) wireChain(chains[k], cells[k], k, mode);
    // Added last: adding moves the cells that `cells` points to.
    ojson& all = module["cells"];
    for (auto& [name, cell] : newCells) all[name] = std::move(cell);
    ojson& nets = module["netnames"];
    for (auto& [name, net] : newNets)
      if (!nets.contains(name)) nets[name] = std::move(net);
  }

 private:
  void fail(const std::string& where, const std::string& message) {
    result.errors.push_back(where.empty() ? message : where + ": " + message);
  }

  void indexCells() {
    ojson& all = module["cells"];
    if (!all.is_object()) return fail(source, "the module's \"cells\" is not an object");
    for (auto it = all.begin(); it != all.end(); ++it) cellByName.emplace(it.key(), &it.value());
  }

  // Each signal bit's name: the smallest named net holding it, and the bit within it.
  void indexNets() {
    const ojson& nets = module["netnames"];
    if (!nets.is_object()) return fail(source, "the module's \"netnames\" is not an object");
    for (auto it = nets.begin(); it != nets.end(); ++it) {
      netNames.insert(it.key());
      netList.push_back(it.key());
      const auto bits = it.value().find("bits");
      if (bits == it.value().end() || !bits->is_array()) continue;
      const bool hidden = paramHidden(it.value());
      for (size_t k = 0; k < bits->size(); ++k) {
        const ojson& b = (*bits)[k];
        if (!b.is_number_integer()) continue;
        NetBit candidate{netList.size() - 1, static_cast<int>(k), bits->size(), hidden};
        auto [slot, added] = netOfBit.try_emplace(b.get<long>(), candidate);
        if (!added && candidate.better(slot->second)) slot->second = candidate;
      }
    }
  }

  static bool paramHidden(const ojson& net) {
    const auto h = net.find("hide_name");
    return h != net.end() && h->is_number_integer() && h->get<long>() != 0;
  }

  // The scan ports must be new names in the module.
  void checkPortNames(size_t chains) {
    const auto ports = module.find("ports");
    if (ports == module.end() || !ports->is_object()) return fail(source, "the module has no \"ports\" object");
    auto check = [&](const std::string& name) {
      if (ports->contains(name) || netNames.count(name))
        fail(source, "the design already has a signal named '" + name + "'; it cannot take scan chains");
    };
    check(scanModePort());
    for (size_t k = 0; k < chains; ++k) {
      check(scanInPort(k));
      check(scanOutPort(k));
    }
  }

  // The flip-flop cell of `reg`, or null with the reason recorded.
  ojson* checkedFlop(const ScanRegisterRef& reg, size_t chain, std::unordered_set<std::string>& seen) {
    const std::string where = reg.origin.empty() ? source : reg.origin;
    const std::string what = "register '" + reg.name + "'";
    if (!seen.insert(reg.cell).second) {
      fail(where, what + " appears twice in the layout (again in chain " + std::to_string(chain) + ")");
      return nullptr;
    }
    auto it = cellByName.find(reg.cell);
    const ojson* type = it == cellByName.end() ? nullptr : &(*it->second)["type"];
    if (!type || !type->is_string()) {
      fail(where, what + " has no cell '" + reg.cell + "' in the netlist");
      return nullptr;
    }
    const std::string& t = type->get_ref<const std::string&>();
    if (t == "$dlatch") {
      fail(where, what + " is a latch: only flip-flops can be scanned");
      return nullptr;
    }
    if (t.rfind("$mem", 0) == 0) {
      fail(where, what + " is the clocked read port of a memory (" + t + "): it cannot be scanned");
      return nullptr;
    }
    if (!isScannableFlop(t)) {
      fail(where, what + " is a " + t + " cell, which cannot be scanned");
      return nullptr;
    }
    std::vector<long> q;
    const ojson* dPin = pinOf(*it->second, "D");
    const ojson* qPin = pinOf(*it->second, "Q");
    const ojson* clkPin = pinOf(*it->second, "CLK");
    if (!dPin || !qPin || !clkPin || !signalBits(*qPin, q) || q.empty() || dPin->size() != q.size() ||
        clkPin->size() != 1 || (t == "$sdff" && !oneSignalBit(pinOf(*it->second, "SRST")))) {
      fail(where, what + ": its cell '" + reg.cell + "' (" + t + ") is malformed");
      return nullptr;
    }
    return it->second;
  }

  // The name of a clock bit for messages.
  std::string clockName(const ojson& clk) const {
    if (!clk.is_number_integer()) return "the constant " + clk.dump();
    auto it = netOfBit.find(clk.get<long>());
    if (it == netOfBit.end()) return "an unnamed signal";
    const std::string& name = netList[it->second.name];
    return it->second.size == 1 ? name : name + "[" + std::to_string(it->second.bit) + "]";
  }

  // A chain shifts on one clock edge: every flip-flop of it must share its clock and polarity.
  void checkClocks(const std::vector<ScanRegisterRef>& regs, const std::vector<ojson*>& cells, size_t k) {
    for (size_t r = 1; r < cells.size(); ++r) {
      const ojson& first = (*pinOf(*cells[0], "CLK"))[0];
      const ojson& clk = (*pinOf(*cells[r], "CLK"))[0];
      const bool rising0 = paramNumber(*cells[0], "CLK_POLARITY", 1) != 0;
      const bool rising = paramNumber(*cells[r], "CLK_POLARITY", 1) != 0;
      if (clk == first && rising == rising0) continue;
      auto edge = [](bool up) { return std::string(up ? "rising" : "falling"); };
      fail(regs[r].origin.empty() ? source : regs[r].origin,
           "register '" + regs[r].name + "' in chain " + std::to_string(k) + " is clocked on the " + edge(rising) +
               " edge of " + clockName(clk) + ", but register '" + regs[0].name + "' on the " + edge(rising0) +
               " edge of " + clockName(first) + ": a chain shifts on one clock");
    }
  }

  // Adds a module port and its net name; returns its first bit.
  long addPort(const std::string& name, const char* direction, const std::vector<long>& bits) {
    module["ports"][name] = {{"direction", direction}, {"bits", bitsJson(bits)}};
    module["netnames"][name] = {{"hide_name", 0}, {"bits", bitsJson(bits)}, {"attributes", ojson::object()}};
    return bits.empty() ? -1 : bits.front();
  }

  // New signal bits, named as one hidden net (yosys then writes them as one wire).
  std::vector<long> freshBits(size_t n) {
    std::vector<long> bits(n);
    for (long& b : bits) b = nextBit++;
    newNets.emplace_back("$scan$net$" + std::to_string(newNets.size() + 1),
                         ojson{{"hide_name", 1}, {"bits", bitsJson(bits)}, {"attributes", ojson::object()}});
    return bits;
  }

  // A synchronous reset moves in front of the data input as a mux, so that the scan mux comes after it.
  void unmapSyncReset(ojson& cell) {
    ojson& conns = cell["connections"];
    const std::vector<long> resetOut = freshBits(conns["D"].size());
    const long width = static_cast<long>(resetOut.size());
    ojson value = ojson::array();
    const long v = paramNumber(cell, "SRST_VALUE", 0);
    for (long k = 0; k < width; ++k) value.push_back(k < 62 && ((v >> k) & 1) ? "1" : "0");
    if (const auto& p = cell["parameters"]; p.contains("SRST_VALUE") && p["SRST_VALUE"].is_string() &&
                                            p["SRST_VALUE"].get_ref<const std::string&>().size() == value.size()) {
      const std::string& s = p["SRST_VALUE"].get_ref<const std::string&>();  // exact bits, MSB first
      for (long k = 0; k < width; ++k) value[static_cast<size_t>(k)] = std::string(1, s[s.size() - 1 - k]);
    }
    const bool activeHigh = paramNumber(cell, "SRST_POLARITY", 1) != 0;
    const ojson& srst = conns["SRST"];
    if (!srst.is_array() || srst.size() != 1 || !srst[0].is_number_integer()) return;  // checked before
    const ojson& d = conns["D"];
    newCells.emplace_back(cellName("srst"), activeHigh ? muxCell(d, value, srst[0].get<long>(), resetOut) : muxCell(value, d, srst[0].get<long>(), resetOut));
    conns["D"] = bitsJson(resetOut);
    conns.erase("SRST");
    if (ojson& params = cell["parameters"]; params.is_object()) {
      params.erase("SRST_VALUE");
      params.erase("SRST_POLARITY");
    }
    if (cell["port_directions"].is_object()) cell["port_directions"].erase("SRST");
    cell["type"] = "$dff";
  }

  std::string cellName(const char* what) {
    std::string name;
    do name = "$scan$" + std::string(what) + "$" + std::to_string(++cellCount);
    while (cellByName.count(name));
    return name;
  }

  // One chain: each flip-flop's data input muxed with the one before it.
  void wireChain(const std::vector<ScanRegisterRef>& regs, const std::vector<ojson*>& cells, size_t k, long mode) {
    ScannedChain chain;
    chain.in = scanInPort(k);
    chain.out = scanOutPort(k);
    long previous = addPort(chain.in, "input", {nextBit++});
    for (size_t r = 0; r < cells.size(); ++r) {
      ojson& cell = *cells[r];
      if (cell["type"] == "$sdff") unmapSyncReset(cell);
      std::vector<long> q;
      signalBits(*pinOf(cell, "Q"), q);
      std::vector<long> from{previous};
      from.insert(from.end(), q.begin(), q.end() - 1);
      const std::vector<long> y = freshBits(q.size());
      newCells.emplace_back(cellName("mux"), muxCell(cell["connections"]["D"], bitsJson(from), mode, y));
      cell["connections"]["D"] = bitsJson(y);
      for (size_t b = 0; b < q.size(); ++b) chain.flops.push_back(flopOf(regs[r].name, static_cast<int>(b), q[b]));
      previous = q.back();
    }
    if (!cells.empty()) {
      const ojson& clk = (*pinOf(*cells[0], "CLK"))[0];
      chain.clock = clockName(clk);
      chain.risingEdge = paramNumber(*cells[0], "CLK_POLARITY", 1) != 0;
    }
    const long out = nextBit++;  // its own signal, so that the last register keeps its name
    newCells.emplace_back(cellName("out"), bufferCell(previous, out));
    addPort(chain.out, "output", {out});
    result.chains.push_back(std::move(chain));
  }

  ScanFlop flopOf(const std::string& reg, int bit, long id) const {
    ScanFlop f{reg, bit, reg, bit, 0};
    if (auto it = netOfBit.find(id); it != netOfBit.end() && !it->second.hidden) {  // yosys renames hidden ones
      f.net = netList[it->second.name];
      f.netBit = it->second.bit;
      f.netWidth = static_cast<int>(it->second.size);
    }
    return f;
  }

  struct NetBit {
    size_t name;  // in netList (the module's names move as ports are added)
    int bit;
    size_t size;
    bool hidden;
    // Visible names first, then the narrowest net.
    bool better(const NetBit& o) const { return hidden != o.hidden ? !hidden : size < o.size; }
  };

  ojson& module;
  const std::string& source;
  ScanNetlistResult& result;
  std::unordered_map<std::string, ojson*> cellByName;
  std::vector<std::pair<std::string, ojson>> newCells, newNets;
  std::unordered_set<std::string> netNames;
  std::vector<std::string> netList;
  std::unordered_map<long, NetBit> netOfBit;
  long nextBit = 0;
  long cellCount = 0;
};

}  // namespace

ScanNetlistResult insertScanChains(const std::string& netlist, const std::string& source, const std::string& module,
                                   const ScanChainRequest& chains) {
  ScanNetlistResult result;
  ojson doc;
  try {
    doc = ojson::parse(netlist);
  } catch (const ojson::exception& e) {
    result.errors.push_back("netlist '" + source + "' is not valid JSON: " + e.what());
    return result;
  }
  const auto modules = doc.find("modules");
  if (modules == doc.end() || !modules->is_object() || !modules->contains(module) || !(*modules)[module].is_object()) {
    result.errors.push_back("netlist '" + source + "' has no module '" + module + "'");
    return result;
  }
  try {
    ojson only = ojson::object();  // the design is written flat: its top module alone
    only[module] = std::move(doc["modules"][module]);
    doc["modules"] = std::move(only);
    ChainInserter(doc["modules"][module], source, result).insert(chains);
  } catch (const ojson::exception& e) {
    result.errors.push_back("netlist '" + source + "' is malformed: " + e.what());
  }
  if (result.ok()) result.netlist = doc.dump();
  else result.chains.clear();
  return result;
}
