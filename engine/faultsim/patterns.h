// Test patterns, 64 to a machine word: for every pattern a value for each
// flip-flop (used when it is scanned) and for each data input bit in each
// capture cycle.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

class RandomSource;

class PatternSet {
 public:
  PatternSet() = default;
  PatternSet(int flops, int inputs, int cycles, long long count);
  int flops() const { return nFlops; }
  int inputs() const { return nInputs; }
  int cycles() const { return nCycles; }
  long long count() const { return nPatterns; }
  long long blocks() const { return (nPatterns + 63) / 64; }
  // The patterns of block b (patterns 64b .. 64b+63) that exist, as a mask.
  std::uint64_t validMask(long long b) const;
  std::uint64_t& flopWord(long long b, int f) { return words[at(b) + static_cast<size_t>(f)]; }
  std::uint64_t flopWord(long long b, int f) const { return words[at(b) + static_cast<size_t>(f)]; }
  std::uint64_t& inputWord(long long b, int cycle, int i) { return words[inputAt(b, cycle, i)]; }
  std::uint64_t inputWord(long long b, int cycle, int i) const { return words[inputAt(b, cycle, i)]; }
  // Value (0 or 1) of one bit of pattern p.
  int flopBit(long long p, int f) const { return static_cast<int>((flopWord(p / 64, f) >> (p % 64)) & 1); }
  int inputBit(long long p, int cycle, int i) const {
    return static_cast<int>((inputWord(p / 64, cycle, i) >> (p % 64)) & 1);
  }

 private:
  size_t perBlock() const { return static_cast<size_t>(nFlops) + static_cast<size_t>(nInputs) * nCycles; }
  size_t at(long long b) const { return static_cast<size_t>(b) * perBlock(); }
  size_t inputAt(long long b, int cycle, int i) const {
    return at(b) + static_cast<size_t>(nFlops) + static_cast<size_t>(cycle) * nInputs + static_cast<size_t>(i);
  }
  int nFlops = 0, nInputs = 0, nCycles = 1;
  long long nPatterns = 0;
  std::vector<std::uint64_t> words;
};

// `count` random patterns drawn from `random`, block by block: the flip-flops
// first, then the inputs cycle by cycle, so a seed gives the same patterns
// whatever the scan layout.
PatternSet randomPatterns(int flops, int inputs, int cycles, long long count, RandomSource& random);

// Most bits a pattern may have for --exhaustive.
constexpr int kMaxExhaustiveBits = 24;

// Every pattern of the scanned flip-flops (flags per flip-flop) and the
// inputs of every cycle: pattern p sets the scanned flip-flops in order from
// bit 0 of p, then the inputs of cycle 0, 1, ... Empty when they number more
// than kMaxExhaustiveBits bits.
PatternSet exhaustivePatterns(const std::vector<char>& scanned, int inputs, int cycles);

// Writes the patterns: a header naming the scan flip-flops and the input bits
// in order, then one line per pattern: the scan bits, and each cycle's input
// bits after a space.
void writePatterns(const PatternSet& p, const std::vector<std::string>& scanNames, const std::vector<int>& scanFlops,
                   const std::vector<std::string>& inputNames, std::ostream& out);
