// The local search after the genetic algorithm and the restarts: moves,
// climbing to a local optimum, the GA's polish, repeatable restarts and the
// fields `optimise` adds for them.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <set>
#include <fstream>
#include <nlohmann/json.hpp>

#include "cli/cli.h"
#include "ga_test_util.h"
#include "optimise/methods.h"
#include "optimise/polish.h"
#include "optimise/restarts.h"
#include "random_circuit.h"
#include "read/import.h"
#include "test_diagnostics.h"

namespace {

ScanLayout read(const std::string& notation, const Circuit& c) {
  ScanLayout chains;
  EXPECT_EQ(parseNotation(notation, LayoutRegisters(c), chains), "");
  return chains;
}

FitnessLimits classicLimits() { return {7.0, 13.0, Objective::CLASSIC}; }

std::unique_ptr<Circuit> generated(int items, std::uint64_t seed) {
  RandomCircuitOptions o;
  o.items = items;
  o.seed = seed;
  o.feedbackPercent = 15;
  return randomCircuit(o).build();
}

TEST(LayoutMoves, EachKindChangesTheLayoutAsDescribed) {
  const ScanLayout l = {{0, 1, 2}, {3}};
  const auto apply = [&](LayoutMove m) {
    ScanLayout out;
    applyMove(l, m, out);
    return settledLayout(out, 6, ChainOrder::AS_LISTED);
  };
  EXPECT_EQ(apply({LayoutMove::REMOVE, 0, 1, 0, 0}), (ScanLayout{{0, 2}, {3}}));
  EXPECT_EQ(apply({LayoutMove::REMOVE, 1, 0, 0, 0}), (ScanLayout{{0, 1, 2}}));
  EXPECT_EQ(apply({LayoutMove::ADD, 5, 0, 1, 0}), (ScanLayout{{0, 5, 1, 2}, {3}}));
  EXPECT_EQ(apply({LayoutMove::ADD, 5, 2, 0, 0}), (ScanLayout{{0, 1, 2}, {3}, {5}}));
  EXPECT_EQ(apply({LayoutMove::MOVE, 0, 0, 0, 3}), (ScanLayout{{1, 2, 0}, {3}}));
  EXPECT_EQ(apply({LayoutMove::MOVE, 0, 2, 1, 0}), (ScanLayout{{0, 1}, {2, 3}}));
  EXPECT_EQ(apply({LayoutMove::MOVE, 1, 0, 0, 0}), (ScanLayout{{3, 0, 1, 2}}));
  EXPECT_EQ(apply({LayoutMove::SWAP, 0, 0, 1, 0}), (ScanLayout{{3, 1, 2}, {0}}));
  EXPECT_EQ(apply({LayoutMove::REPLACE, 0, 2, 4, 0}), (ScanLayout{{0, 1, 4}, {3}}));
  EXPECT_EQ(apply({LayoutMove::MERGE, 1, 0, 0, 0}), (ScanLayout{{3, 0, 1, 2}}));
  EXPECT_EQ(apply({LayoutMove::SPLIT, 0, 1, 0, 0}), (ScanLayout{{0}, {3}, {1, 2}}));
}

TEST(LayoutMoves, EveryMoveChangesTheLayoutAndUnorderedScanSkipsOrderOnlyMoves) {
  const ScanLayout l = {{0, 1, 2}, {3}};
  for (bool ordered : {true, false}) {
    SCOPED_TRACE(ordered);
    const ChainOrder order = ordered ? ChainOrder::AS_LISTED : ChainOrder::BY_REGISTER;
    std::vector<LayoutMove> moves;
    layoutMoves(l, 6, ordered, moves);
    std::set<std::string> keys;
    for (const LayoutMove& m : moves) {
      ScanLayout out;
      applyMove(l, m, out);
      const ScanLayout s = settledLayout(out, 6, order);
      EXPECT_NE(layoutKey(s), layoutKey(settledLayout(l, 6, order))) << m.kind << " " << m.a << m.b << m.c << m.d;
      keys.insert(layoutKey(s));
    }
    // Unordered chains: no move changes only an order, so moves rarely coincide.
    if (!ordered) {
      EXPECT_LT(moves.size(), 40u);
    }
    EXPECT_GT(keys.size(), 10u);
  }
}

TEST(Polish, ClimbsFromOneMoveAwayToTheDiffeqOptimum) {
  auto c = gatest::loadExample("diffeq");
  ASSERT_TRUE(c);
  ScanEvaluator eval(*c, testsupport::testRun().context(), ORDERED_SCAN, classicLimits());
  const PolishResult p = polishLayout(eval, read("0.1", *c));
  EXPECT_NEAR(p.startFitness, 59.671, 5e-4);
  EXPECT_NEAR(p.fitness, 59.872, 5e-4);
  EXPECT_GE(p.moves, 1);
  EXPECT_TRUE(p.localOptimum);
  EXPECT_DOUBLE_EQ(eval.fitness(p.layout), p.fitness);
}

TEST(Polish, NeverWorsensAndEndsWhereNoMoveImproves) {
  auto c = generated(30, 23);
  ASSERT_TRUE(c);
  ScanEvaluator eval(*c, testsupport::testRun().context(), ORDERED_SCAN, FitnessLimits{7.0, 13.0, Objective::GRADED});
  const int n = eval.registers().count();
  const ScanLayout starts[] = {{}, {{0}}, {{n - 1, 0}, {1}}, {{2, 3, 4, 5}}};
  for (const ScanLayout& start : starts) {
    const PolishResult p = polishLayout(eval, start);
    EXPECT_GE(p.fitness, eval.fitness(start));
    ASSERT_TRUE(p.localOptimum);
    std::vector<LayoutMove> moves;
    layoutMoves(p.layout, n, true, moves);
    ScanLayout next;
    for (const LayoutMove& m : moves) {
      applyMove(p.layout, m, next);
      ASSERT_LE(eval.fitness(next), p.fitness);
    }
  }
}

TEST(Polish, StopsAtItsEvaluationBound) {
  auto c = generated(30, 23);
  ScanEvaluator eval(*c, testsupport::testRun().context(), ORDERED_SCAN, FitnessLimits{7.0, 13.0, Objective::GRADED});
  PolishOptions o;
  o.maxComputed = 5;
  o.batch = 4;
  const PolishResult p = polishLayout(eval, ScanLayout{}, o);
  EXPECT_FALSE(p.localOptimum);
  EXPECT_LE(p.computed, 5 + 4);
  EXPECT_GE(p.fitness, p.startFitness);
}

// A short modern GA run on `c` with `polish`, seed `seed`.
SearchResult shortRun(Circuit& c, bool polish, std::uint64_t seed) {
  OptimiseSettings s;
  s.patience = 30;
  s.seed = seed;
  s.polish = polish;
  GaOptions o = modernGaOptions(c, s, testsupport::testRun().context());
  o.writeResults = false;
  SeededRandom random(seed);
  return runGA(c, o, random, testsupport::testRun().context());
}

TEST(Polish, TheGeneticAlgorithmKeepsItsOwnResultWithoutPolishAndGainsWithIt) {
  auto c = generated(30, 23);
  for (std::uint64_t seed : {1, 2, 3}) {
    const SearchResult plain = shortRun(*c, false, seed);
    const SearchResult polished = shortRun(*c, true, seed);
    EXPECT_FALSE(plain.polish.has_value());
    ASSERT_TRUE(polished.polish.has_value());
    EXPECT_EQ(polished.polish->gaNotation, plain.notation);
    EXPECT_DOUBLE_EQ(polished.polish->gaFitness, plain.fitness);
    EXPECT_GE(polished.fitness, plain.fitness);
    EXPECT_EQ(polished.polish->moves > 0, polished.fitness > plain.fitness);
  }
}

TEST(Restarts, RepeatByTheirSeedOnAnyThreadCountAndNeverLoseToOne) {
  auto c = generated(24, 11);
  OptimiseSettings s;
  s.patience = 20;
  GaOptions o = modernGaOptions(*c, s, testsupport::testRun().context());
  o.polish = true;
  EXPECT_EQ(restartSeed(42, 0), 42u);
  EXPECT_NE(restartSeed(42, 1), restartSeed(42, 2));
  EXPECT_NE(restartSeed(42, 1), restartSeed(43, 1));
  const RestartsOutcome one = runRestarts(*c, o, 42, 1, 1, testsupport::testRun().context());
  const RestartsOutcome serial = runRestarts(*c, o, 42, 4, 1, testsupport::testRun().context());
  const RestartsOutcome sideBySide = runRestarts(*c, o, 42, 4, 2, testsupport::testRun().context());
  ASSERT_EQ(serial.runs.size(), 4u);
  EXPECT_EQ(serial.best, sideBySide.best);
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(serial.runs[i].notation, sideBySide.runs[i].notation);
    EXPECT_DOUBLE_EQ(serial.runs[i].fitness, sideBySide.runs[i].fitness);
    EXPECT_EQ(serial.runs[i].restart, static_cast<int>(i));
    EXPECT_LE(serial.runs[i].fitness, serial.runs[static_cast<size_t>(serial.best)].fitness);
  }
  EXPECT_EQ(serial.runs[0].notation, one.runs[0].notation);
  EXPECT_GE(serial.runs[static_cast<size_t>(serial.best)].fitness, one.runs[0].fitness);
}

// Runs `tarvex optimise diffeq ARGS --json` into a fresh folder and returns NAME.json.
nlohmann::json optimiseJson(std::vector<std::string> args) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("tarvex_polish_" + std::to_string(::getpid()));
  fs::remove_all(dir);
  std::vector<std::string> words = {"tarvex", "optimise", std::string(TARVEX_EXAMPLES) + "/diffeq", "--json",
                                    "--patience", "40", "--out", dir.string()};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  resetTestErrors();
  CliEnv env{{testDiagnostics(), systemClock(), systemProcessRunner(), std::string(), AnalysisOptions{}}, false};
  EXPECT_EQ(cliMain(static_cast<int>(words.size()), argv.data(), env), 0);
  std::ifstream in(dir / "diffeq.json");
  nlohmann::json j = in ? nlohmann::json::parse(in) : nlohmann::json();
  fs::remove_all(dir);
  return j;
}

TEST(Polish, OptimiseReportsTheGaAndPolishedFitnessAndItsRestarts) {
  const nlohmann::json polished = optimiseJson({"--seed", "1", "--objective", "classic", "--measure", "classic"});
  ASSERT_TRUE(polished.contains("ga_fitness"));
  EXPECT_NEAR(polished["ga_fitness"].get<double>(), 59.671, 5e-4);
  EXPECT_NEAR(polished["polished_fitness"].get<double>(), 59.872, 5e-4);
  EXPECT_EQ(polished["polished_fitness"], polished["fitness"]);
  EXPECT_GE(polished["polish_moves"].get<long>(), 1);
  EXPECT_FALSE(polished.contains("restarts"));

  const nlohmann::json plain = optimiseJson({"--seed", "1", "--objective", "classic", "--no-polish", "--measure", "classic"});
  EXPECT_FALSE(plain.contains("ga_fitness"));
  EXPECT_EQ(plain["fitness"], polished["ga_fitness"]);

  const nlohmann::json restarts = optimiseJson({"--seed", "1", "--restarts", "3"});
  EXPECT_EQ(restarts["restarts"], 3);
  ASSERT_TRUE(restarts.contains("best_restart"));
  const int best = restarts["best_restart"];
  EXPECT_EQ(restarts["restart_seed"], restartSeed(1, best));
  EXPECT_EQ(optimiseJson({"--seed", "1", "--restarts", "3"})["layout"], restarts["layout"]);
}

}  // namespace
