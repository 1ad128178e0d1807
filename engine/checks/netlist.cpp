// Yosys JSON to the checks' netlist: the top module's ports, cells and named
// nets, with yosys's bit ids renumbered densely.
#include "checks/netlist.h"

#include <nlohmann/json.hpp>
#include <unordered_map>
#include <unordered_set>

#include "model/sizelimits.h"
#include "read/yosys_json.h"

using json = nlohmann::json;
using yosys_json::member;
using yosys_json::truthy;

namespace {

std::string textOf(const json& v) {
  if (v.is_string()) return v.get<std::string>();
  if (v.is_number_integer()) return std::to_string(v.get<long>());
  return "";
}

// Output pins of the cells yosys writes without port directions.
bool outputByName(std::string_view type, std::string_view pin) {
  if (pin == "Y" || pin == "Q" || pin == "RD_DATA") return true;
  return pin == "DATA" && (type == "$memrd" || type == "$memrd_v2");
}

// Largest yosys bit id accepted.
constexpr long kMaxBitId = 1L << 40;

class Reader {
 public:
  Reader(const std::string& src, CheckNetlist& n, std::vector<std::string>& p) : source(src), out(n), problems(p) {}

  void readModule(const json& module) {
    readPorts(module);
    if (const json* cells = member(module, "cells"); cells && cells->is_object())
      for (auto it = cells->begin(); it != cells->end(); ++it) readCell(it.key(), it.value());
    if (const json* nets = member(module, "netnames"); nets && nets->is_object())
      for (auto it = nets->begin(); it != nets->end(); ++it) readName(it.key(), it.value());
    if (const json* mems = member(module, "memories"); mems && mems->is_object())
      for (auto it = mems->begin(); it != mems->end(); ++it) {
        const json* attrs = member(it.value(), "attributes");
        const json* src = attrs ? member(*attrs, "src") : nullptr;
        out.memories.push_back({stripped(it.key()), src && src->is_string() ? yosys_json::sourceLocation(src->get_ref<const std::string&>()) : ""});
      }
    out.nets = static_cast<int>(idOf.size());
  }

 private:
  static std::string stripped(const std::string& name) {
    return !name.empty() && name[0] == '\\' ? name.substr(1) : name;
  }

  bool readBits(const json& v, std::vector<NetBit>& bits, const std::string& where) {
    bits.clear();
    if (!v.is_array()) return bad(where);
    for (const json& b : v) {
      if (b.is_number_integer()) {
        const long id = b.get<long>();
        if (id < 0 || id > kMaxBitId) return bad(where);
        auto [it, added] = idOf.try_emplace(id, static_cast<NetBit>(idOf.size()));
        bits.push_back(it->second);
      } else if (b.is_string() && b.get_ref<const std::string&>().size() == 1) {
        switch (b.get_ref<const std::string&>()[0]) {
          case '0': bits.push_back(kBit0); break;
          case '1': bits.push_back(kBit1); break;
          case 'x': bits.push_back(kBitX); break;
          case 'z': bits.push_back(kBitZ); break;
          default: return bad(where);
        }
      } else {
        return bad(where);
      }
    }
    return true;
  }

  bool bad(const std::string& where) {
    problems.push_back("Netlist '" + source + "': " + where + " has malformed bits");
    return false;
  }

  void readPorts(const json& module) {
    const json* ports = member(module, "ports");
    if (!ports || !ports->is_object()) return;
    for (auto it = ports->begin(); it != ports->end(); ++it) {
      NetPort p;
      p.name = stripped(it.key());
      const json* dir = member(it.value(), "direction");
      const json* bits = member(it.value(), "bits");
      const std::string d = dir ? textOf(*dir) : "";
      if (d != "input" && d != "output" && d != "inout") {
        problems.push_back("Netlist '" + source + "': port '" + p.name + "' has no direction");
        continue;
      }
      p.direction = d == "input" ? PortDirection::In : d == "output" ? PortDirection::Out : PortDirection::InOut;
      if (!bits || !readBits(*bits, p.bits, "port '" + p.name + "'")) continue;
      out.ports.push_back(std::move(p));
    }
  }

  void readCell(const std::string& name, const json& cell) {
    NetCell c;
    c.name = stripped(name);
    const json* type = member(cell, "type");
    const json* conns = member(cell, "connections");
    if (!type || !type->is_string() || !conns || !conns->is_object()) {
      problems.push_back("Netlist '" + source + "': cell '" + c.name + "' has no type or no connections");
      return;
    }
    c.type = type->get<std::string>();
    if (const json* attrs = member(cell, "attributes"))
      if (const json* src = member(*attrs, "src"); src && src->is_string()) c.origin = yosys_json::sourceLocation(src->get_ref<const std::string&>());
    if (const json* params = member(cell, "parameters"); params && params->is_object())
      for (auto it = params->begin(); it != params->end(); ++it) c.params.emplace_back(it.key(), textOf(it.value()));
    const json* dirs = member(cell, "port_directions");
    for (auto it = conns->begin(); it != conns->end(); ++it) {
      NetPin pin;
      pin.name = it.key();
      const json* d = dirs ? member(*dirs, it.key().c_str()) : nullptr;
      pin.output = d ? textOf(*d) == "output" : outputByName(c.type, pin.name);
      if (!readBits(it.value(), pin.bits, "pin '" + pin.name + "' of cell '" + c.name + "'")) return;
      c.pins.push_back(std::move(pin));
    }
    out.cells.push_back(std::move(c));
  }

  void readName(const std::string& name, const json& net) {
    NetName n;
    n.name = stripped(name);
    n.hidden = truthy(member(net, "hide_name")) || (!name.empty() && name[0] == '$');
    // A name is only a label: one with malformed bits is left out, as the importer leaves it.
    const json* bits = member(net, "bits");
    const size_t before = problems.size();
    if (!bits || !readBits(*bits, n.bits, "net '" + n.name + "'")) {
      problems.resize(before);
      return;
    }
    out.names.push_back(std::move(n));
  }

  const std::string& source;
  CheckNetlist& out;
  std::vector<std::string>& problems;
  std::unordered_map<long, NetBit> idOf;
};

// The top module's name: `top`, else the only candidate.
std::string pickTop(const json& modules, const std::string& top, std::string& problem) {
  if (!top.empty()) {
    if (modules.contains(top)) return top;
    problem = "has no module '" + top + "'";
    return "";
  }
  const std::vector<std::string> candidates = yosys_json::topCandidates(modules);
  if (candidates.size() == 1) return candidates.front();
  problem = candidates.empty() ? "has no module" : "has several top module candidates; choose one with --top NAME";
  return "";
}

}  // namespace

const NetPin* NetCell::pin(std::string_view pinName) const {
  for (const NetPin& p : pins)
    if (p.name == pinName) return &p;
  return nullptr;
}

const std::vector<NetBit>& NetCell::bits(std::string_view pinName) const {
  static const std::vector<NetBit> none;  // a constant: the empty list
  const NetPin* p = pin(pinName);
  return p ? p->bits : none;
}

long NetCell::param(std::string_view key, long fallback) const {
  for (const auto& [k, v] : params) {
    if (k != key) continue;
    if (v.empty() || v.size() > 62) return fallback;
    if (v.find_first_not_of("01xz") == std::string::npos) {
      long n = 0;
      for (char c : v) n = n * 2 + (c == '1');
      return n;
    }
    if (v.find_first_not_of("0123456789") == std::string::npos && v.size() < 18) return std::stol(v);
    return fallback;
  }
  return fallback;
}

std::string NetCell::paramText(std::string_view key) const {
  for (const auto& [k, v] : params)
    if (k == key) return !v.empty() && v[0] == '\\' ? v.substr(1) : v;
  return "";
}

bool readCheckNetlist(const std::string& text, const std::string& source, const std::string& top, CheckNetlist& out,
                      std::vector<std::string>& problems) {
  const size_t before = problems.size();
  out = CheckNetlist{};
  out.source = source;
  if (static_cast<long>(text.size()) > MAX_DESCRIPTION_BYTES) {
    problems.push_back("Netlist '" + source + "' is larger than " + std::to_string(MAX_DESCRIPTION_BYTES) + " bytes");
    return false;
  }
  json netlist;
  try {
    netlist = json::parse(text);
  } catch (const json::exception& e) {
    problems.push_back("Netlist '" + source + "' is not valid JSON: " + e.what());
    return false;
  }
  const json* modules = member(netlist, "modules");
  if (!modules || !modules->is_object()) {
    problems.push_back("Netlist '" + source + "' has no \"modules\" object");
    return false;
  }
  std::string problem;
  out.module = pickTop(*modules, top, problem);
  if (out.module.empty()) {
    problems.push_back("Netlist '" + source + "' " + problem);
    return false;
  }
  Reader reader(source, out, problems);
  reader.readModule((*modules)[out.module]);
  return problems.size() == before;
}
