#include "faultsim/registermap.h"

#include <algorithm>
#include <cctype>
#include <unordered_set>

std::string wordLevelName(std::string_view raw) {
  if (!raw.empty() && raw.front() == '\\') raw.remove_prefix(1);
  std::string s;
  bool replaced = false;
  for (char ch : raw) {
    const bool valid = std::isalnum(static_cast<unsigned char>(ch)) || ch == '_';
    if (!valid && replaced) continue;
    replaced = !valid;
    s.push_back(valid ? ch : '_');
  }
  while (!s.empty() && s.back() == '_' && !raw.empty() && raw.back() != '_') s.pop_back();
  for (size_t at = s.find("SCAN"); at != std::string::npos; at = s.find("SCAN", at)) s.replace(at, 4, "Scan");
  if (!s.empty() && std::isdigit(static_cast<unsigned char>(s.front()))) s.insert(0, "n");
  return s;
}

std::vector<int> flopsOfRegister(const GateNetlist& n, const std::string& reg) {
  const std::vector<int>* bits = nullptr;
  if (const auto exact = n.netNames.find(reg); exact != n.netNames.end()) {
    bits = &exact->second;
  } else {
    std::string best;  // the first name in order, so the choice does not depend on hashing
    for (const auto& [name, nets] : n.netNames)
      if (wordLevelName(name) == reg && (!bits || name < best)) {
        bits = &nets;
        best = name;
      }
  }
  std::vector<int> flops;
  if (!bits) return flops;
  const std::unordered_set<int> wanted(bits->begin(), bits->end());
  for (size_t f = 0; f < n.flops.size(); ++f)
    if (wanted.count(n.flops[f].q)) flops.push_back(static_cast<int>(f));
  return flops;
}

std::vector<char> scanFlags(const GateNetlist& n, const std::vector<std::string>& regs,
                            std::vector<std::string>& missing) {
  std::vector<char> flags(n.flops.size(), 0);
  for (const std::string& r : regs) {
    const std::vector<int> flops = flopsOfRegister(n, r);
    if (flops.empty()) missing.push_back(r);
    for (int f : flops) flags[static_cast<size_t>(f)] = 1;
  }
  return flags;
}
