#include "faultsim/registermap.h"

#include <algorithm>
#include <cctype>

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

namespace {

// The most gates an asynchronous set or reset puts between a flip-flop and its register's net.
constexpr int kAsyncGateDepth = 2;

// The named net of register `reg`: that exact name first, else the first name in order
// written as the importer writes it (so the choice does not depend on hashing).
const std::vector<int>* registerBits(const GateNetlist& n, const std::string& reg) {
  if (const auto exact = n.netNames.find(reg); exact != n.netNames.end()) return &exact->second;
  const std::vector<int>* bits = nullptr;
  std::string best;
  for (const auto& [name, nets] : n.netNames)
    if (wordLevelName(name) == reg && (!bits || name < best)) {
      bits = &nets;
      best = name;
    }
  return bits;
}

}  // namespace

RegisterFlops::RegisterFlops(const GateNetlist& n)
    : netlist(n), flopOfNet(static_cast<size_t>(n.netCount), -1), driverOfNet(static_cast<size_t>(n.netCount), -1) {
  for (size_t f = 0; f < n.flops.size(); ++f)
    if (n.flops[f].q >= 0 && n.flops[f].q < n.netCount) flopOfNet[static_cast<size_t>(n.flops[f].q)] = static_cast<int>(f);
  for (size_t g = 0; g < n.gates.size(); ++g)
    if (n.gates[g].out >= 0 && n.gates[g].out < n.netCount) driverOfNet[static_cast<size_t>(n.gates[g].out)] = static_cast<int>(g);
}

// The one flip-flop whose Q is `net` or reaches it through at most `depth`
// multiplexer data inputs and AND/OR inputs; -1 when there is none or several.
int RegisterFlops::flopBehind(int net, int depth) const {
  if (net < kFirstNet || net >= netlist.netCount) return -1;
  if (const int f = flopOfNet[static_cast<size_t>(net)]; f >= 0) return f;
  const int g = driverOfNet[static_cast<size_t>(net)];
  if (g < 0 || depth == 0) return -1;
  const Gate& gate = netlist.gates[static_cast<size_t>(g)];
  if (gate.kind != GateKind::Mux && gate.kind != GateKind::And && gate.kind != GateKind::Or) return -1;
  const int a = flopBehind(gate.in[kPinA], depth - 1), b = flopBehind(gate.in[kPinB], depth - 1);
  if (a >= 0 && b >= 0 && a != b) return -1;
  return a >= 0 ? a : b;
}

std::vector<int> RegisterFlops::of(const std::string& reg) const {
  std::vector<int> flops;
  const std::vector<int>* bits = registerBits(netlist, reg);
  if (!bits) return flops;
  std::vector<char> wanted(netlist.flops.size(), 0);
  for (int net : *bits)
    if (const int f = flopBehind(net, kAsyncGateDepth); f >= 0) wanted[static_cast<size_t>(f)] = 1;
  for (size_t f = 0; f < wanted.size(); ++f)
    if (wanted[f]) flops.push_back(static_cast<int>(f));
  return flops;
}

std::vector<int> flopsOfRegister(const GateNetlist& n, const std::string& reg) { return RegisterFlops(n).of(reg); }

std::vector<char> scanFlags(const GateNetlist& n, const std::vector<std::string>& regs,
                            std::vector<std::string>& missing) {
  std::vector<char> flags(n.flops.size(), 0);
  const RegisterFlops registers(n);
  for (const std::string& r : regs) {
    const std::vector<int> flops = registers.of(r);
    if (flops.empty()) missing.push_back(r);
    for (int f : flops) flags[static_cast<size_t>(f)] = 1;
  }
  return flags;
}
