// Genetic operations of the optimiser with injected random draws.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "optimise/ga.h"
#include "optimise/population.h"
#include "ga_test_util.h"

using gatest::ErrorCapture;

namespace {

// A population of `n` chromosomes of 8 characters, not tied to a circuit.
struct Fixture {
  explicit Fixture(int n, int len = 8) : pop("Population_P", n, len, ORDERED_SCAN, nullptr, testDiagnostics()) {}
  void set(int chID, const std::string& text) {
    std::copy(text.begin(), text.end(), pop.getDataPtr() + chID * pop.getChLen());
  }
  Population pop;
};

class Mechanics : public ::testing::Test {};

}  // namespace

TEST_F(Mechanics, RandomDrawsCoverTheUnitIntervalAndRepeatWithASeed) {
  SeededRandom random(42);
  std::vector<double> first;
  double lo = 1.0, hi = 0.0;
  for (int i = 0; i < 20000; ++i) {
    const double u = random.unit();
    lo = std::min(lo, u);
    hi = std::max(hi, u);
    if (i < 10) first.push_back(u);
    EXPECT_GE(random.nonNegative(), 0);
  }
  EXPECT_GE(lo, 0.0);
  EXPECT_LE(hi, 1.0);
  EXPECT_LT(lo, 0.001);
  EXPECT_GT(hi, 0.999);
  SeededRandom again(42);
  for (double u : first) EXPECT_EQ(again.unit(), u);
  EXPECT_EQ(again.seed(), 42u);
}

TEST_F(Mechanics, TheSequenceOfASeedIsFixed) {
  // The draws follow from the standard's mt19937_64 sequence alone, so a seed
  // gives the same run on every machine and library.
  std::mt19937_64 reference(7);
  SeededRandom random(7);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(random.unit(), static_cast<double>(reference() & 32767) / 32767.0);
  SeededRandom zero(0);
  EXPECT_EQ(zero.unit(), static_cast<double>(std::mt19937_64(0)() & 32767) / 32767.0);
  ScriptedRandom scripted({0.25, 1.0});
  EXPECT_EQ(scripted.unit(), 0.25);
  EXPECT_EQ(scripted.unit(), 1.0);
  EXPECT_EQ(scripted.unit(), SeededRandom(1).unit());  // then the generator of its seed
}

TEST_F(Mechanics, UpperBoundAttenuation) {
  EXPECT_DOUBLE_EQ(evalUBatt(10.0, 0.0), 1.0);
  EXPECT_DOUBLE_EQ(evalUBatt(10.0, 10.0), 0.95 + 0.05 / std::exp(1.0));
  EXPECT_DOUBLE_EQ(evalUBatt(10.0, 5.0), 0.95 + 0.05 * std::exp(-0.25));
  EXPECT_DOUBLE_EQ(evalUBatt(10.0, 12.0), 0.95 * std::exp(-2.0));
  EXPECT_DOUBLE_EQ(evalUBatt(0.0, 0.0), 1.0);  // no overhead under a zero bound
  EXPECT_DOUBLE_EQ(evalUBatt(0.0, 3.0), 0.95 * std::exp(-3.0));
  EXPECT_EQ(evalUBatt(10.0, INFINITY), 0.0);
}

TEST_F(Mechanics, RouletteSelection) {
  Fixture f(3);
  for (int i = 0; i < 3; ++i) f.pop.setFitness(i, 0.0);
  ScriptedRandom r1({0.7, 1.0});
  EXPECT_EQ(f.pop.select_parent_idx(r1), 0);  // all fitness 0
  EXPECT_EQ(f.pop.select_parent_idx(r1), 0);
  f.pop.setFitness(0, 1.0);
  f.pop.setFitness(1, 2.0);
  f.pop.setFitness(2, 3.0);
  ScriptedRandom r2({0.0, 0.5, 0.51, 1.0});
  EXPECT_EQ(f.pop.select_parent_idx(r2), 0);
  EXPECT_EQ(f.pop.select_parent_idx(r2), 1);  // r = 3 is reached by 1 + 2
  EXPECT_EQ(f.pop.select_parent_idx(r2), 2);
  EXPECT_EQ(f.pop.select_parent_idx(r2), 2);
  Fixture empty(0);
  EXPECT_EQ(empty.pop.select_parent_idx(r2), -1);
}

TEST_F(Mechanics, CrossoverAndMutationPositions) {
  Fixture f(2);
  f.set(0, "00000000");
  f.set(1, "11111111");
  ScriptedRandom r3({1.0});  // a draw of exactly 1 cuts at 0: nothing is exchanged
  f.pop.crossover(0, 1, r3);
  EXPECT_EQ(f.pop.chromosome(0), "00000000");
  ScriptedRandom r4({0.5});
  f.pop.crossover(0, 1, r4);
  EXPECT_EQ(f.pop.chromosome(0), "11110000");
  EXPECT_EQ(f.pop.chromosome(1), "00001111");
  ScriptedRandom r5({0.999});
  f.pop.crossover(0, 1, r5);
  EXPECT_EQ(f.pop.chromosome(0), "00001110");
  EXPECT_EQ(f.pop.chromosome(1), "11110001");
  ScriptedRandom r6({1.0, 0.0, 0.99});
  f.pop.mutation(1, r6);
  EXPECT_EQ(f.pop.chromosome(1), "01110001");  // position 0
  f.pop.mutation(1, r6);
  EXPECT_EQ(f.pop.chromosome(1), "11110001");
  f.pop.mutation(1, r6);
  EXPECT_EQ(f.pop.chromosome(1), "11110000");
  Fixture fresh(1);
  ScriptedRandom r7({0.0});
  fresh.pop.mutation(0, r7);  // a zero byte becomes '0'
  EXPECT_EQ(fresh.pop.chromosome(0)[0], '0');
}

TEST_F(Mechanics, ReproductionMutatesUnlessTheDrawIsLow) {
  Fixture f(2);
  f.set(0, "00000000");
  f.set(1, "11111111");
  // crossover at 4, child 1 escapes mutation (0.01), child 2 mutated at 7
  ScriptedRandom r8({0.5, 0.01, 0.05, 0.99});
  f.pop.reproduction(0, 1, r8);
  EXPECT_EQ(f.pop.chromosome(0), "11110000");
  EXPECT_EQ(f.pop.chromosome(1), "00001110");
}

TEST_F(Mechanics, BadChromosomeIdsChangeNothing) {
  Fixture f(2);
  f.set(0, "00000000");
  f.set(1, "11111111");
  ErrorCapture errors;
  SeededRandom none(1);
  f.pop.crossover(0, 2, none);
  f.pop.crossover(-1, 0, none);
  f.pop.mutation(2, none);
  f.pop.reproduction(1, 5, none);
  EXPECT_EQ(errors.count(), 4);
  EXPECT_NE(errors.text().find("Bad chromosome ID in Population::crossover()\n"), std::string::npos);
  EXPECT_NE(errors.text().find("Bad chromosome ID 5 in Population::reproduction()"), std::string::npos);
  EXPECT_EQ(f.pop.chromosome(0), "00000000");
  EXPECT_EQ(f.pop.chromosome(1), "11111111");
}

TEST_F(Mechanics, CopyFillsSlotsInOrderAndRefusesWhenFull) {
  Fixture src(2), dst(2);
  src.set(0, "10101010");
  src.set(1, "01010101");
  src.pop.setFitness(1, 4.5);
  dst.pop.resetPos();
  EXPECT_EQ(dst.pop.copyChromosome(1, &src.pop), 1);
  EXPECT_EQ(dst.pop.copyChromosome(0, &src.pop), 1);
  EXPECT_EQ(dst.pop.chromosome(0), "01010101");
  EXPECT_DOUBLE_EQ(dst.pop.getFitness(0), 4.5);
  EXPECT_EQ(dst.pop.chromosome(1), "10101010");
  ErrorCapture errors;
  EXPECT_EQ(dst.pop.copyChromosome(0, &src.pop), 0);
  EXPECT_NE(errors.text().find(
                "there is no space for inserting a new chromosome_2 to 'Population_P' population!\n"),
            std::string::npos);
  EXPECT_EQ(dst.pop.getPos(), 2);
  dst.pop.setPos(-2);  // no slot -1
  EXPECT_EQ(dst.pop.copyChromosome(0, &src.pop), 0);
  dst.pop.resetPos();
  EXPECT_EQ(dst.pop.copyChromosome(0, nullptr), 0);
  EXPECT_EQ(dst.pop.copyChromosome(2, &src.pop), 0);
  Fixture none(0);
  EXPECT_EQ(dst.pop.copyChromosome(0, &none.pop), 0);
  EXPECT_EQ(errors.count(), 5);
  EXPECT_EQ(dst.pop.chromosome(0), "01010101");
}

TEST_F(Mechanics, NewPopulationsAndRandomStart) {
  Fixture f(3);
  EXPECT_EQ(f.pop.chromosome(2), std::string(8, '\0'));
  EXPECT_EQ(f.pop.getFitness(2), 0.0);
  EXPECT_EQ(f.pop.getPos(), -1);
  SeededRandom random(5);
  f.pop.initPopulation(random);
  const std::string chr = f.pop.chromosome(1);
  EXPECT_EQ(chr.find_first_not_of("01"), std::string::npos);
  EXPECT_DOUBLE_EQ(f.pop.getFitness(1), 0.001);
  SeededRandom same(5);
  Fixture again(3);
  again.pop.initPopulation(same);
  EXPECT_EQ(again.pop.chromosome(1), chr);
  Fixture none(-4);
  EXPECT_EQ(none.pop.getSize(), 0);
  none.pop.initPopulation(random);
  EXPECT_EQ(none.pop.getDataPtr(), nullptr);
}

// The keyed repair makes exactly the repairs of the pair-by-pair one, in the
// same order, on chromosomes crowded with shared chains and positions (few
// distinct field values), with stray bytes (a zero byte is not '0').
TEST(ChromosomeRepair, KeyedRepairEqualsThePairByPairOne) {
  std::mt19937 gen(7);
  std::vector<std::pair<std::uint64_t, int>> keys;
  std::unordered_map<std::uint64_t, std::vector<int>> buckets;
  long repaired = 0;
  for (int round = 0; round < 400; ++round) {
    const int regs = 2 + static_cast<int>(gen() % 70);
    const int b = scanFieldWidth(regs);
    const unsigned spread = 4 + static_cast<unsigned>(gen() % 16);  // mostly '0': fields shared often
    std::string chr(static_cast<size_t>((2 * b + 1) * regs), '0');
    for (char& ch : chr) {
      const auto draw = gen() % spread;
      ch = draw == 0 ? '\0' : draw == 1 ? '1' : '0';
    }
    for (int r = 0; r < regs; ++r) chr[static_cast<size_t>(r)] = gen() % 4 == 0 ? '0' : '1';
    std::string slow = chr, fast = chr;
    correctEveryPair(reinterpret_cast<unsigned char*>(slow.data()), regs, b);
    correctAllPairs(reinterpret_cast<unsigned char*>(fast.data()), regs, b, keys, buckets);
    ASSERT_EQ(fast, slow) << "round " << round << ", " << regs << " registers";
    repaired += slow != chr;
  }
  EXPECT_GT(repaired, 100);  // the rounds did exercise the repairs
}
