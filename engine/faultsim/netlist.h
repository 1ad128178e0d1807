// Gate-level netlists for fault simulation: single-bit gates and positive-edge
// flip-flops read from a Yosys JSON netlist, their bits numbered densely.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

// The gates a gate-level netlist may hold.
enum class GateKind : std::uint8_t { And, Or, Xor, Not, Mux, Nand, Nor, Xnor, AndNot, OrNot, Buf };

// Net numbers of the constant bits; every other net numbers from kFirstNet on.
constexpr int kNet0 = 0, kNet1 = 1, kNetX = 2, kFirstNet = 3;

// Gate input pins in the order gates keep them: A, B, S.
constexpr int kPinA = 0, kPinB = 1, kPinS = 2, kPinY = 3;

struct Gate {
  std::string name;
  GateKind kind = GateKind::Buf;
  int in[3] = {-1, -1, -1};  // A, B, S (-1: the kind has no such pin)
  int out = -1;              // Y
  std::string origin;        // "file.v:12", may be empty
};

struct FlipFlop {
  std::string name;
  int d = -1, q = -1, clock = -1;
  std::string origin;
};

// One primary port: its name and the net of each bit, least significant first.
struct PortBits {
  std::string name;
  std::vector<int> nets;
};

struct GateNetlist {
  std::string module;
  int netCount = kFirstNet;
  std::vector<Gate> gates;
  std::vector<FlipFlop> flops;
  std::vector<PortBits> inputs, outputs;
  std::unordered_map<std::string, std::vector<int>> netNames;  // visible named nets and their bits
};

// The number of input pins of a gate kind (1 to 3).
int gateInputCount(GateKind k);
// The pin letter of pin index p ("A", "B", "S", "Y").
const char* gatePinName(int p);

// Reads the gate-level netlist `json` (module `top`, or the only/top-marked
// one when empty). `source` names the input in messages. Problems (malformed
// cells, unsupported cell types, nets driven twice) are appended to `problems`
// naming the cell and its source line; false when there were any.
bool readGateNetlist(const std::string& json, const std::string& source, const std::string& top,
                     GateNetlist& out, std::vector<std::string>& problems);
