// Random numbers for the optimisers: an injectable source with a defined
// sequence, so that a run repeats exactly from its seed on every machine.
#pragma once

#include <cstdint>
#include <optional>
#include <random>
#include <vector>

// Where the optimisers take their random draws from.
class RandomSource {
 public:
  virtual ~RandomSource() = default;
  // A draw in [0, 1] with a resolution of 1/32767; 1 is included.
  virtual double unit() = 0;
  // A non-negative draw of 31 bits (the seeding draws of the solver).
  virtual long nonNegative() = 0;
  // The seed of a generator that has drawn nothing yet (it will draw what a
  // fresh generator of that seed draws), or none.
  virtual std::optional<std::uint64_t> freshSeed() const { return std::nullopt; }
};

// The engine's generator: two std::mt19937_64 streams (their sequence is fixed
// by the C++ standard) seeded from one 64-bit seed. Draws are taken from the
// raw output bits, never through a library distribution, so the sequence is
// the same with every standard library.
class SeededRandom final : public RandomSource {
 public:
  explicit SeededRandom(std::uint64_t seed);
  double unit() override;
  long nonNegative() override;
  // The seed the generator started from.
  std::uint64_t seed() const { return start; }
  std::optional<std::uint64_t> freshSeed() const override {
    return drawn ? std::nullopt : std::optional<std::uint64_t>(start);
  }

 private:
  std::uint64_t start;
  bool drawn = false;
  std::mt19937_64 unitStream;
  std::mt19937_64 longStream;
};

// Returns the given unit draws in order, then continues with a seeded
// generator (tests that need exact draws).
class ScriptedRandom final : public RandomSource {
 public:
  explicit ScriptedRandom(std::vector<double> unitDraws, std::uint64_t seed = 1);
  double unit() override;
  long nonNegative() override;

 private:
  std::vector<double> draws;
  std::size_t next = 0;
  SeededRandom rest;
};
