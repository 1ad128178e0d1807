// Large circuit descriptions for benchmarks and scale tests: copies of the
// diffeq data path chained one after the other, and random layered data
// paths with register feedback loops. Both are reproducible from their
// parameters alone.
#pragma once

#include <cstdint>
#include <string>

// Ports of one diffeq copy (item ports; the primary ports are shared).
inline constexpr long kDiffeqCopyPorts = 59;

// Description of `copies` diffeq copies: copy k takes dx from copy k-1's
// reg5 and its bound from copy k-1's comparator; all share the clock, the
// selects and const2; the last comparator drives the primary output.
std::string tiledDiffeq(long copies, const std::string& name = "tiled");

// Copies of diffeq needed for about `ports` ports (at least one).
long diffeqCopiesFor(long ports);

struct LayeredOptions {
  long ports = 10000;         // about this many ports in all
  std::uint64_t seed = 1;     // same seed, same description
  int layerWidth = 32;        // items per layer
  int registerPercent = 25;   // share of items that are registers
  int muxPercent = 25;        // share of items that are multiplexers
  int feedbackPercent = 10;   // share of multiplexer inputs fed back from a later register
  int selects = 8;            // primary select inputs shared by all multiplexers
};

// Description of a random layered data path: each item's data inputs come
// from the previous layer (or primary inputs for the first), multiplexers
// may take a register output of a later layer (feedback loops), every
// register hangs on the one clock, the last layer drives the primary outputs.
std::string layeredCircuit(const LayeredOptions& o, const std::string& name = "layered");

// Description of a layered data path with exactly `registers` registers
// (and about three times as many other items), for optimiser benchmarks.
std::string layeredWithRegisters(int registers, std::uint64_t seed = 1);
