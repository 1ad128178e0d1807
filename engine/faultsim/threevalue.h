// Three-valued logic on 64 bits at once, as the fault simulator evaluates it.
#pragma once

#include <cstdint>

#include "faultsim/netlist.h"

// 64 three-valued bits: a bit set in `one` is 1, in `zero` is 0, in neither X.
struct V {
  std::uint64_t one = 0, zero = 0;
  bool operator==(const V&) const = default;
};

constexpr std::uint64_t kAllBits = ~std::uint64_t{0};
constexpr V kUnknown{0, 0};

// 0 or 1 on every bit.
inline V forcedValue(int v) { return v ? V{kAllBits, 0} : V{0, kAllBits}; }

// Bits known in both and different.
inline std::uint64_t differ(V a, V b) { return (a.one & b.zero) | (a.zero & b.one); }

// How evaluate() treats a gate kind, as all-ones or all-zero masks: which
// inputs and the output it inverts, whether B is tied to 1 (one-input
// gates), and which of AND, XOR and MUX it computes.
struct GateMasks {
  std::uint64_t invertA, invertB, tieB, isAnd, isXor, isMux, invertOut;
};

inline constexpr GateMasks kGateMasks[] = {
    // invA      invB      tieB      and       xor       mux       invOut
    {0, 0, 0, kAllBits, 0, 0, 0},                                // And
    {kAllBits, kAllBits, 0, kAllBits, 0, 0, kAllBits},           // Or = ~(~a & ~b)
    {0, 0, 0, 0, kAllBits, 0, 0},                                // Xor
    {0, 0, kAllBits, kAllBits, 0, 0, kAllBits},                  // Not = ~(a & 1)
    {0, 0, 0, 0, 0, kAllBits, 0},                                // Mux
    {0, 0, 0, kAllBits, 0, 0, kAllBits},                         // Nand
    {kAllBits, kAllBits, 0, kAllBits, 0, 0, 0},                  // Nor = ~a & ~b
    {0, 0, 0, 0, kAllBits, 0, kAllBits},                         // Xnor
    {0, kAllBits, 0, kAllBits, 0, 0, 0},                         // AndNot = a & ~b
    {kAllBits, 0, 0, kAllBits, 0, 0, kAllBits},                  // OrNot = ~(~a & b)
    {0, 0, kAllBits, kAllBits, 0, 0, 0},                         // Buf = a & 1
};

// `v` inverted where `m` is set (1 and 0 swap, X stays).
[[gnu::always_inline]] inline V invertWhere(V v, std::uint64_t m) {
  const std::uint64_t t = (v.one ^ v.zero) & m;
  return {v.one ^ t, v.zero ^ t};
}

// The output of a gate of kind `k` whose pins read `a`, `b` and `s`, without branches.
[[gnu::always_inline]] inline V evaluate(GateKind k, V a, V b, V s) {
  const GateMasks& m = kGateMasks[static_cast<unsigned>(k)];
  const V x = invertWhere(a, m.invertA);
  V y = invertWhere(b, m.invertB);
  y.one |= m.tieB;
  y.zero &= ~m.tieB;
  const std::uint64_t andOne = x.one & y.one, andZero = x.zero | y.zero;
  const std::uint64_t xorOne = (a.one & b.zero) | (a.zero & b.one), xorZero = (a.one & b.one) | (a.zero & b.zero);
  const std::uint64_t muxOne = (s.zero & a.one) | (s.one & b.one) | (a.one & b.one);
  const std::uint64_t muxZero = (s.zero & a.zero) | (s.one & b.zero) | (a.zero & b.zero);
  const V out{(andOne & m.isAnd) | (xorOne & m.isXor) | (muxOne & m.isMux),
              (andZero & m.isAnd) | (xorZero & m.isXor) | (muxZero & m.isMux)};
  return invertWhere(out, m.invertOut);
}
