// The optimise methods beside the GA (exact, loops, full) and the seeds of the
// GA's modern form, run as `optimise --method` runs them.
#include <gtest/gtest.h>

#include <filesystem>

#include "test_diagnostics.h"
#include "optimise/evaluator.h"
#include "ga_test_util.h"
#include "optimise/methods.h"
#include "write/reports.h"
#include "optimise/seeding.h"

namespace {

namespace fs = std::filesystem;

// Runs methods with their result files in a fresh folder.
class Methods : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("tarvex_methods_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    previous = setTestResultFolder(dir.string());
    resetTestErrors();
  }
  void TearDown() override {
    setTestResultFolder(previous);
    fs::remove_all(dir);
  }
  SearchResult run(Circuit& c, const char* method, const OptimiseSettings& s) {
    const OptimiserMethod* m = findOptimiserMethod(method);
    EXPECT_TRUE(m) << method;
    SeededRandom random(s.seed);
    return m ? m->run(c, s, random, nullptr, testContext()) : SearchResult{};
  }
  fs::path dir;
  std::string previous;
};

TEST_F(Methods, LoopsWithAndWithoutSelfLoopsAndChainCounts) {
  auto c = gatest::loadExample("diffeq");
  ASSERT_TRUE(c);
  OptimiseSettings s;
  // reg1, reg5, reg6 (digits 0, 4, 5) in the two chains 13 % of 40 pins allow.
  EXPECT_EQ(run(*c, "loops", s).notation, "04.5");
  EXPECT_TRUE(fs::exists(dir / "diffeq.par"));
  s.chains = 1;
  EXPECT_EQ(run(*c, "loops", s).notation, "045");
  s.chains = 0;
  s.keepSelfLoops = true;
  EXPECT_EQ(run(*c, "loops", s).notation, "4.5");
  EXPECT_EQ(testErrorCount(), 0);
  // Each run leaves the circuit without a layout.
  EXPECT_EQ(c->getArea(), c->getOrigArea());
}

TEST_F(Methods, EveryMethodTakesACircuitWithoutRegisters) {
  // The empty layout is the only one; no method reports an error for it.
  auto c = gatest::parseCircuit(
      "CIR comb a(in,8) b(in,8) y(out,8)\nITM add(ADD) i1(in,8) i2(in,8) o(out,8)\n"
      "LINK comb.a -> add.i1\nLINK comb.b -> add.i2\nLINK add.o -> comb.y\n");
  ASSERT_TRUE(c);
  OptimiseSettings s;
  s.patience = 3;
  for (const char* method : {"ga", "exact", "loops", "full"}) {
    gatest::ErrorCapture errors;
    const SearchResult r = run(*c, method, s);
    EXPECT_EQ(errors.count(), 0) << method << ": " << errors.text();
    EXPECT_EQ(r.notation, "") << method;
    EXPECT_TRUE(r.chains.empty()) << method;
    EXPECT_TRUE(fs::exists(dir / "comb.par")) << method;
  }
}

TEST_F(Methods, FullScanBalancesTheChains) {
  auto c = gatest::loadExample("diffeq");
  ASSERT_TRUE(c);
  OptimiseSettings s;
  EXPECT_EQ(run(*c, "full", s).notation, "012.345");
  s.chains = 4;
  EXPECT_EQ(run(*c, "full", s).notation, "01.23.4.5");
  s.chains = 50;  // no more chains than registers
  EXPECT_EQ(run(*c, "full", s).notation, "0.1.2.3.4.5");
  s.chains = 0;
  s.limits.maxPinOverhead = 0;  // a scan register needs one chain whatever the bound
  EXPECT_EQ(run(*c, "full", s).notation, "012345");
}

TEST_F(Methods, ExactIsAtLeastAsGoodAsEveryOtherMethod) {
  auto c = gatest::loadExample("diffeq");
  ASSERT_TRUE(c);
  const OptimiseSettings s;
  const SearchResult exact = run(*c, "exact", s);
  EXPECT_EQ(testErrorCount(), 0);
  EXPECT_GT(exact.visited, 0);
  for (const char* m : {"loops", "full", "ga"}) EXPECT_LE(run(*c, m, s).fitness, exact.fitness) << m;
}

TEST_F(Methods, ExactRefusesWithTheLayoutCount) {
  auto c = gatest::parseCircuit(gatest::registerChain(9));
  ASSERT_TRUE(c);
  OptimiseSettings s;
  s.limits.maxAreaOverhead = 100;
  s.limits.maxPinOverhead = 100;
  char* buf = nullptr;
  size_t len = 0;
  FILE* err = open_memstream(&buf, &len);
  FILE* old = setTestErrorStream(err);
  const SearchResult r = run(*c, "exact", s);
  const long counted = testErrorCount();
  setTestErrorStream(old);  // counts from 0 again
  std::fclose(err);
  const std::string text(buf, len);
  std::free(buf);
  EXPECT_EQ(counted, 1);
  EXPECT_EQ(r.notation, "");
  EXPECT_NE(text.find("Exact search of 'chain': the exact search would evaluate "), std::string::npos) << text;
  EXPECT_NE(text.find("use --method ga"), std::string::npos);
  EXPECT_FALSE(fs::exists(dir / "chain.par"));  // no results
}

TEST_F(Methods, SeedsGoToTheLastSlotsAndTheGaStartsFromThem) {
  auto c = gatest::loadExample("diffeq");
  ASSERT_TRUE(c);
  OptimiseSettings s;
  const ScanMethodSettings m = scanMethodSettings(s);
  const GaSeeds seeds = gaSeeds(*c, s.limits, m.techniques, false, testContext());
  ASSERT_EQ(seeds.layouts.size(), 2u);
  EXPECT_EQ(seeds.sparseMaxScanned, 3);  // each scan register costs 3.2 % of the area: two fit in 7 %, one more
  EXPECT_EQ(seeds.maxChains, 2);
  Population p("P", 20, getScanChrLen(m.techniques, 6), m.techniques, c.get(), testDiagnostics());
  SeededRandom random(3);
  p.initPopulation(random);
  seedPopulation(p, seeds, random);
  EXPECT_EQ(p.layoutNotation(19), "04.5");
  EXPECT_EQ(p.layoutNotation(18), "012.345");
  for (int k = 8; k <= 17; ++k) {
    const int scanned = scannedCount(p.chains(k));
    EXPECT_GE(scanned, 1) << k;
    EXPECT_LE(scanned, 3) << k;
  }
  // One generation already holds the seeds' fitness.
  s.patience = 1;
  ScanEvaluator eval(*c, testContext(), m.techniques, s.limits);
  const double loops = eval.fitness(seeds.layouts[0]);
  for (std::uint64_t seed = 1; seed <= 5; ++seed) {
    s.seed = seed;
    EXPECT_GE(run(*c, "ga", s).fitness, loops);
  }
}

}  // namespace
