#include "base/random.h"

#include <utility>

namespace {
// Largest value of a unit draw's numerator.
constexpr std::uint64_t kUnitMax = 32767;
// Distinguishes the stream of the seeding draws from the unit stream.
constexpr std::uint64_t kLongStreamSalt = 0x9e3779b97f4a7c15ULL;
}  // namespace

SeededRandom::SeededRandom(std::uint64_t seed)
    : start(seed), unitStream(seed), longStream(seed ^ kLongStreamSalt) {}

double SeededRandom::unit() {
  drawn = true;
  // 2^64 is a multiple of 32768, so the low 15 bits are uniform.
  return static_cast<double>(unitStream() & kUnitMax) * (1.0 / static_cast<double>(kUnitMax));
}

long SeededRandom::nonNegative() {
  drawn = true;
  return static_cast<long>(longStream() >> 33);
}

ScriptedRandom::ScriptedRandom(std::vector<double> unitDraws, std::uint64_t seed)
    : draws(std::move(unitDraws)), rest(seed) {}

double ScriptedRandom::unit() { return next < draws.size() ? draws[next++] : rest.unit(); }

long ScriptedRandom::nonNegative() { return rest.nonNegative(); }
