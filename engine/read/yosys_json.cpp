#include "read/yosys_json.h"

#include <unordered_set>

namespace yosys_json {

const json* member(const json& obj, const char* key) {
  if (!obj.is_object()) return nullptr;
  const auto it = obj.find(key);
  return it == obj.end() ? nullptr : &*it;
}

long numberOf(const json* v, long fallback) {
  if (!v) return fallback;
  if (v->is_number_integer()) return v->get<long>();
  if (!v->is_string()) return fallback;
  const std::string& s = v->get_ref<const std::string&>();
  if (s.empty() || s.size() > 62 || s.find_first_not_of("01xz") != std::string::npos) return fallback;
  long n = 0;
  for (char c : s) n = n * 2 + (c == '1');
  return n;
}

bool truthy(const json* v) { return v && numberOf(v, 0) != 0; }

std::string sourceLocation(std::string_view all) {
  size_t start = 0;
  while (start <= all.size()) {
    size_t end = all.find('|', start);
    if (end == std::string_view::npos) end = all.size();
    const std::string_view part = all.substr(start, end - start);
    const size_t colon = part.rfind(':');
    if (colon != std::string_view::npos) {
      long line = 0;  // bounded: a line number never needs more digits
      for (size_t k = colon + 1; k < part.size() && part[k] >= '0' && part[k] <= '9' && line < 100000000; ++k)
        line = line * 10 + (part[k] - '0');
      std::string_view file = part.substr(0, colon);
      if (const size_t slash = file.find_last_of('/'); slash != std::string_view::npos) file.remove_prefix(slash + 1);
      if (line > 0) return std::string(file) + ":" + std::to_string(line);
    }
    start = end + 1;
  }
  return "";
}

std::string originOf(const json& object) {
  const json* attrs = member(object, "attributes");
  const json* src = attrs ? member(*attrs, "src") : nullptr;
  return src && src->is_string() ? sourceLocation(src->get_ref<const std::string&>()) : "";
}

bool isBlackBox(const json& module) {
  const json* attrs = member(module, "attributes");
  return attrs && (truthy(member(*attrs, "blackbox")) || truthy(member(*attrs, "whitebox")));
}

std::string moduleOfCellType(const std::string& type) {
  // "$paramod\adder\W=..." or "$paramod$HASH\adder": an instance of adder with parameters set.
  if (type.rfind("$paramod", 0) != 0) return type;
  const size_t start = type.find('\\');
  if (start == std::string::npos) return type;
  const size_t end = type.find('\\', start + 1);
  return type.substr(start + 1, end == std::string::npos ? std::string::npos : end - start - 1);
}

std::vector<std::string> topCandidates(const json& modules) {
  std::unordered_set<std::string> used;
  for (const json& m : modules) {
    const json* cells = member(m, "cells");
    if (!cells || !cells->is_object()) continue;
    for (const json& cell : *cells)
      if (const json* t = member(cell, "type"); t && t->is_string()) {
        used.insert(t->get<std::string>());
        used.insert(moduleOfCellType(t->get<std::string>()));
      }
  }
  std::vector<std::string> marked, free;
  for (auto it = modules.begin(); it != modules.end(); ++it) {
    if (isBlackBox(it.value())) continue;
    const json* attrs = member(it.value(), "attributes");
    if (attrs && truthy(member(*attrs, "top"))) marked.push_back(it.key());
    if (!used.count(it.key())) free.push_back(it.key());
  }
  return marked.empty() ? free : marked;
}

}  // namespace yosys_json
