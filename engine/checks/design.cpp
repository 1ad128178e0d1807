// Bit-level indexes over the checks' netlist, built in two passes (count,
// then fill) so that every list is one slice of a flat array.
#include "checks/design.h"

#include <algorithm>

namespace {

// Offsets from counts: start[b] .. start[b+1] holds bit b's entries.
void prefixSums(std::vector<int>& start) {
  int sum = 0;
  for (int& s : start) {
    const int count = s;
    s = sum;
    sum += count;
  }
}

}  // namespace

CheckDesign::CheckDesign(const CheckNetlist& netlist) : n(netlist) {
  ops.reserve(n.cells.size());
  regs.reserve(n.cells.size());
  for (const NetCell& c : n.cells) {
    regs.push_back(registerKindOf(c));
    ops.push_back(cellOpOf(c));
  }
  indexEnds();
  indexNames();
}

void CheckDesign::indexEnds() {
  const size_t nets = static_cast<size_t>(n.nets);
  driverStart.assign(nets + 1, 0);
  readerStart.assign(nets + 1, 0);
  // Visits every end: (bit, end, is a driver).
  auto visit = [&](auto&& f) {
    for (size_t p = 0; p < n.ports.size(); ++p) {
      const NetPort& port = n.ports[p];
      for (size_t i = 0; i < port.bits.size(); ++i) {
        const BitEnd e{-1, static_cast<int>(p), static_cast<int>(i)};
        if (port.direction != PortDirection::Out) f(port.bits[i], e, true);
        if (port.direction != PortDirection::In) f(port.bits[i], e, false);
      }
    }
    for (size_t c = 0; c < n.cells.size(); ++c)
      for (size_t p = 0; p < n.cells[c].pins.size(); ++p) {
        const NetPin& pin = n.cells[c].pins[p];
        for (size_t i = 0; i < pin.bits.size(); ++i)
          f(pin.bits[i], BitEnd{static_cast<int>(c), static_cast<int>(p), static_cast<int>(i)}, pin.output);
      }
  };
  visit([&](NetBit b, const BitEnd&, bool drives) {
    if (b >= 0) ++(drives ? driverStart : readerStart)[b];
  });
  prefixSums(driverStart);
  prefixSums(readerStart);
  driverEnds.resize(driverStart.back());
  readerEnds.resize(readerStart.back());
  std::vector<int> nextDriver(driverStart.begin(), driverStart.end() - 1);
  std::vector<int> nextReader(readerStart.begin(), readerStart.end() - 1);
  visit([&](NetBit b, const BitEnd& e, bool drives) {
    if (b < 0) return;
    if (drives) driverEnds[nextDriver[b]++] = e;
    else readerEnds[nextReader[b]++] = e;
  });
}

void CheckDesign::indexNames() {
  nameStart.assign(static_cast<size_t>(n.nets) + 1, 0);
  for (const NetName& name : n.names)
    if (!name.hidden)
      for (NetBit b : name.bits)
        if (b >= 0) ++nameStart[b];
  prefixSums(nameStart);
  namesOfBit.resize(nameStart.back());
  std::vector<int> next(nameStart.begin(), nameStart.end() - 1);
  for (size_t k = 0; k < n.names.size(); ++k)
    if (!n.names[k].hidden)
      for (NetBit b : n.names[k].bits)
        if (b >= 0) namesOfBit[next[b]++] = static_cast<int>(k);
  for (size_t b = 0; b + 1 < nameStart.size(); ++b)
    std::stable_sort(namesOfBit.begin() + nameStart[b], namesOfBit.begin() + nameStart[b + 1],
                     [&](int x, int y) { return n.names[x].bits.size() < n.names[y].bits.size(); });
}

std::string CheckDesign::bitName(NetBit b) const {
  if (b < 0 || b >= n.nets || nameStart[b] == nameStart[b + 1]) return "";
  const NetName& name = n.names[namesOfBit[nameStart[b]]];
  if (name.bits.size() == 1) return name.name;
  const auto at = std::find(name.bits.begin(), name.bits.end(), b) - name.bits.begin();
  return name.name + "[" + std::to_string(at) + "]";
}

std::string CheckDesign::signalName(const std::vector<NetBit>& bits) const {
  NetBit first = -1;
  for (NetBit b : bits)
    if (b >= 0) {
      first = b;
      break;
    }
  if (first < 0 || nameStart[first] == nameStart[first + 1]) return "";
  auto isPort = [&](const std::string& name) {
    return std::any_of(n.ports.begin(), n.ports.end(), [&](const NetPort& p) { return p.name == name; });
  };
  const NetName* exact = nullptr;
  for (int k = nameStart[first]; k < nameStart[first + 1]; ++k) {
    const NetName& name = n.names[namesOfBit[k]];
    if (name.bits != bits) continue;
    if (!exact || (isPort(exact->name) && !isPort(name.name))) exact = &name;
  }
  return exact ? exact->name : bitName(first);
}

std::string CheckDesign::cellLabel(int k) const {
  const NetCell& c = n.cells[k];
  if (!c.name.empty() && c.name.find('$') == std::string::npos) return c.name;
  std::string label = c.type;
  if (!label.empty() && label[0] == '$') label.erase(0, 1);
  return c.origin.empty() ? label : label + " at " + c.origin;
}
