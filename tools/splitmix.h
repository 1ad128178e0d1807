// splitmix64: a small generator that draws the same sequence on every platform.
#pragma once

#include <cstdint>

class SplitMix {
 public:
  explicit SplitMix(std::uint64_t seed) : state(seed * 0x9E3779B97F4A7C15ULL + 0x632BE59BD9B4E5ULL) {}
  // The next 64 random bits.
  std::uint64_t next() {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }
  // A draw in [0, n) (n > 0).
  long below(long n) { return static_cast<long>(next() % static_cast<std::uint64_t>(n)); }

 private:
  std::uint64_t state;
};
