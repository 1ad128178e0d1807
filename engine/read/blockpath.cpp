#include "read/blockpath.h"

#include <string_view>
#include <unordered_set>
#include <vector>

#include "read/yosys_json.h"

using yosys_json::json;
using yosys_json::member;

namespace {

// Instance names of "$flatten\u1.\u2.$name": each '\'-name up to the '.' before the next '\' or '$'.
std::string flattenedPrefix(std::string_view name) {
  constexpr std::string_view kMark = "$flatten";
  if (name.substr(0, kMark.size()) != kMark) return "";
  std::string path;
  size_t at = kMark.size();
  while (at < name.size() && name[at] == '\\') {
    size_t end = at + 1;
    while (end + 1 < name.size() && !(name[end] == '.' && (name[end + 1] == '\\' || name[end + 1] == '$'))) ++end;
    if (end + 1 >= name.size()) break;  // no cell name follows: not an instance
    path += (path.empty() ? "" : ".") + std::string(name.substr(at + 1, end - at - 1));
    at = end + 1;
  }
  return path;
}

// Instance names of a word of a memory split into registers, "$memory\u1.u2.mem[5]$7": up to the memory's name.
std::string memoryPrefix(std::string_view name) {
  constexpr std::string_view kMark = "$memory\\";
  if (name.substr(0, kMark.size()) != kMark) return "";
  const std::string_view memory = name.substr(kMark.size(), name.find_first_of("[$", kMark.size()) - kMark.size());
  const size_t dot = memory.rfind('.');
  return dot == std::string_view::npos ? "" : std::string(memory.substr(0, dot));
}

// The instance names of an "hdlname" attribute ("u1 u2 name"), without the last (the cell's own).
std::string hdlnamePrefix(const std::string& hdlname) {
  const size_t last = hdlname.rfind(' ');
  if (last == std::string::npos) return "";
  std::string path = hdlname.substr(0, last);
  for (char& ch : path)
    if (ch == ' ') ch = '.';
  return path;
}

// The bits on the pins of `cell` that are inputs (`inputs`) or outputs; every pin when directions are missing.
std::vector<long> pinBits(const json& cell, bool inputs) {
  std::vector<long> bits;
  const json* conns = member(cell, "connections");
  const json* dirs = member(cell, "port_directions");
  if (!conns || !conns->is_object()) return bits;
  for (auto it = conns->begin(); it != conns->end(); ++it) {
    const json* dir = dirs ? member(*dirs, it.key().c_str()) : nullptr;
    if (dir && dir->is_string() && (dir->get_ref<const std::string&>() == "input") != inputs) continue;
    if (!it.value().is_array()) continue;
    for (const json& bit : it.value())
      if (bit.is_number_integer()) bits.push_back(bit.get<long>());
  }
  return bits;
}

bool isMemoryMapCell(const std::string& name) { return name.rfind("$auto$memory_map", 0) == 0; }

// Cell names as yosys writes them: public names lose their '\'.
std::string instanceName(const std::string& cell) { return !cell.empty() && cell[0] == '\\' ? cell.substr(1) : cell; }

}  // namespace

std::string blockPathOfCell(const std::string& cellName, const json& cell) {
  const json* attributes = member(cell, "attributes");
  const json* hdlname = attributes ? member(*attributes, "hdlname") : nullptr;
  if (hdlname && hdlname->is_string()) return hdlnamePrefix(hdlname->get<std::string>());
  if (cellName.rfind("$memory", 0) == 0) return memoryPrefix(cellName);
  return flattenedPrefix(cellName);
}

std::map<std::string, std::string> instanceModules(const json& modules, const std::string& top) {
  std::map<std::string, std::string> result;
  struct Pending {
    std::string path;
    std::string module;
    int depth;
  };
  constexpr int kDeepest = 64;  // recursive instantiation is yosys's error; a bound keeps a bad netlist finite
  std::vector<Pending> work{{"", top, 0}};
  while (!work.empty()) {
    const Pending p = std::move(work.back());
    work.pop_back();
    const json* module = member(modules, p.module.c_str());
    const json* cells = module ? member(*module, "cells") : nullptr;
    if (!cells || !cells->is_object() || p.depth >= kDeepest) continue;
    for (auto it = cells->begin(); it != cells->end(); ++it) {
      const json* type = member(it.value(), "type");
      if (!type || !type->is_string()) continue;
      const std::string& t = type->get_ref<const std::string&>();
      if (!member(modules, t.c_str())) continue;  // a primitive or a black box without a body here
      const std::string path = (p.path.empty() ? "" : p.path + ".") + instanceName(it.key());
      result[path] = yosys_json::moduleOfCellType(t);
      work.push_back({path, t, p.depth + 1});
    }
  }
  return result;
}

std::unordered_map<std::string, std::string> memoryDecoderBlocks(const json& cells) {
  std::unordered_map<std::string, std::string> result;
  if (!cells.is_object()) return result;
  std::unordered_map<long, std::string> pathOfInputBit;  // bits read by cells of a known memory path
  std::vector<std::pair<const std::string*, const json*>> open;
  for (auto it = cells.begin(); it != cells.end(); ++it) {
    if (isMemoryMapCell(it.key())) {
      if (blockPathOfCell(it.key(), it.value()).empty()) open.emplace_back(&it.key(), &it.value());
      continue;
    }
    if (it.key().rfind("$memory", 0) != 0) continue;
    const std::string path = memoryPrefix(it.key());
    if (path.empty()) continue;
    for (long bit : pinBits(it.value(), true)) pathOfInputBit.emplace(bit, path);
  }
  // Decoders feeding decoders: each round settles at least one cell or ends.
  for (bool progress = true; progress && !open.empty();) {
    progress = false;
    for (size_t k = 0; k < open.size();) {
      std::string path;
      for (long bit : pinBits(*open[k].second, false))
        if (auto found = pathOfInputBit.find(bit); found != pathOfInputBit.end()) {
          path = found->second;
          break;
        }
      if (path.empty()) {
        ++k;
        continue;
      }
      for (long bit : pinBits(*open[k].second, true)) pathOfInputBit.emplace(bit, path);
      result.emplace(*open[k].first, std::move(path));
      open[k] = open.back();
      open.pop_back();
      progress = true;
    }
  }
  return result;
}
