// The comparison of the optimiser methods: rows, their layouts, the table,
// the JSON file and the Pareto front.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/cli.h"
#include "test_diagnostics.h"
#include "optimise/compare.h"
#include "optimise/evaluator.h"
#include "ga_test_util.h"
#include "read/import.h"
#include "circuitgen.h"
#include "optimise/methods.h"
#include "optimise/ga.h"
#include "base/random.h"
#include "spawn_util.h"

namespace {

// A clock that advances by a quarter second each time it is read.
class SteppingClock final : public Clock {
 public:
  double seconds() override { return now += 0.25; }
  std::uint64_t seedFromTime() override { return 99; }

 private:
  double now = 0.0;
};

OptimiseSettings diffeqSettings() {
  OptimiseSettings s;  // the defaults: area 7, pins 13, graded, population 20, patience 500
  s.seed = 5;
  return s;
}

const CompareRow* row(const Comparison& cmp, const std::string& method) {
  for (const CompareRow& r : cmp.rows)
    if (r.method == method) return &r;
  return nullptr;
}

TEST(Compare, DiffeqRowsAreConsistentWithTheirLayouts) {
  auto c = gatest::loadExample("diffeq");
  ASSERT_TRUE(c);
  SteppingClock clock;
  SeededRandom random(5);
  const RunContext run{testDiagnostics(), clock, systemProcessRunner(), std::string(), AnalysisOptions{}};
  const Comparison cmp = compareMethods(*c, diffeqSettings(), random, run);
  ASSERT_EQ(cmp.rows.size(), 6u);
  const char* order[] = {"none", "full", "loops", "ga", "ga+polish", "exact"};
  for (size_t k = 0; k < 6; ++k) EXPECT_EQ(cmp.rows[k].method, order[k]);
  EXPECT_TRUE(cmp.skipped.empty());

  EXPECT_EQ(row(cmp, "none")->scanned, 0);
  EXPECT_EQ(row(cmp, "none")->layout, "");
  EXPECT_DOUBLE_EQ(row(cmp, "none")->areaPercent, 0.0);
  EXPECT_EQ(row(cmp, "full")->scanned, 6);
  EXPECT_EQ(row(cmp, "full")->chains, 2);  // 13 % of 40 pins: a scan mode pin and two pairs
  EXPECT_EQ(row(cmp, "full")->layout, "012.345");
  EXPECT_EQ(row(cmp, "loops")->scanned, 3);  // reg1, reg5, reg6 (see the loop-breaking test)
  EXPECT_EQ(row(cmp, "loops")->layout, "04.5");
  EXPECT_EQ(row(cmp, "loops")->visited, -1);
  EXPECT_GT(row(cmp, "ga")->visited, 0);
  EXPECT_GT(row(cmp, "exact")->visited, 0);
  // The polish starts from the ga row's layout and reaches the optimum on diffeq.
  EXPECT_GE(row(cmp, "ga+polish")->fitness, row(cmp, "ga")->fitness);
  EXPECT_DOUBLE_EQ(row(cmp, "ga+polish")->fitness, row(cmp, "exact")->fitness);
  EXPECT_DOUBLE_EQ(row(cmp, "exact")->gapPercent, 0.0);
  for (const CompareRow& r : cmp.rows) {
    SCOPED_TRACE(r.method);
    EXPECT_LE(r.fitness, row(cmp, "exact")->fitness);
    EXPECT_NEAR(r.gapPercent, (row(cmp, "exact")->fitness - r.fitness) / row(cmp, "exact")->fitness * 100.0, 1e-9);
    EXPECT_DOUBLE_EQ(r.seconds, 0.25);  // one clock step per method
    // The layout read back gives the row's fitness.
    ScanLayout chains;
    if (!r.layout.empty()) {
      ASSERT_EQ(parseNotation(r.layout, LayoutRegisters(*c), chains), "");
    }
    ScanEvaluator eval(*c, testContext(), ORDERED_SCAN, diffeqSettings().limits);
    EXPECT_DOUBLE_EQ(eval.fitness(chains), r.fitness);
    EXPECT_EQ(scannedCount(chains), r.scanned);
  }
  // No scan register costs no area, so "none" is always on the front.
  ASSERT_FALSE(cmp.pareto.empty());
  EXPECT_EQ(cmp.pareto.front(), "none");
  // The comparison leaves the circuit as it was read.
  EXPECT_EQ(c->getArea(), c->getOrigArea());
  EXPECT_EQ(c->getNPIOs(), c->getOrigNPIOs());
}

TEST(Compare, ParetoFrontOfTestabilityAgainstArea) {
  auto mk = [](const char* m, double gt, double area) {
    CompareRow r;
    r.method = m;
    r.testability = gt;
    r.areaPercent = area;
    return r;
  };
  const std::vector<CompareRow> rows = {mk("none", 0.1, 0), mk("full", 0.5, 20), mk("loops", 0.4, 20),
                                        mk("ga", 0.45, 5), mk("exact", 0.45, 5)};
  // loops is beaten by full (same area, more testability); ga and exact tie and both stay.
  EXPECT_EQ(paretoFront(rows), (std::vector<std::string>{"none", "full", "ga", "exact"}));
}

TEST(Compare, TableAndJson) {
  Comparison cmp;
  cmp.circuit = "diffeq";
  cmp.objective = "graded";
  cmp.areaBudgetPercent = 7;
  cmp.pinBudgetPercent = 13;
  cmp.seed = 3;
  CompareRow none;
  none.method = "none";
  CompareRow ga;
  ga.method = "ga";
  ga.layout = "5.0";
  ga.scanned = 2;
  ga.chains = 2;
  ga.areaPercent = 4.5;
  ga.pinsPercent = 12.5;
  ga.testability = 0.25;
  ga.controllablePercent = 80;
  ga.observablePercent = 90;
  ga.fitness = 59.872;
  ga.seconds = 0.125;
  ga.visited = 1034;
  cmp.rows = {none, ga};
  setGaps(cmp.rows);
  cmp.pareto = {"none", "ga"};
  cmp.skipped = "too many layouts";

  char* buf = nullptr;
  size_t len = 0;
  FILE* f = open_memstream(&buf, &len);
  ASSERT_TRUE(f);
  printComparison(cmp, f);
  std::fclose(f);
  const std::string table(buf, len);
  std::free(buf);
  EXPECT_EQ(table,
            "Comparison of 'diffeq' (objective graded, area bound 7 %, pin bound 13 %)\n"
            "method    scanned chains   area %   pins %      GT    C %    O %   fitness   gap %   time s  layout\n"
            "none            0      0    0.000    0.000  0.0000    0.0    0.0     0.000  100.00    0.000  -\n"
            "ga              2      2    4.500   12.500  0.2500   80.0   90.0    59.872    0.00    0.125  5.0\n"
            "exact: skipped, too many layouts\n"
            "Pareto front (testability against area overhead): none, ga\n");

  const auto j = nlohmann::json::parse(comparisonJson(cmp, "1.2"));
  EXPECT_EQ(j["circuit"], "diffeq");
  EXPECT_EQ(j["objective"], "graded");
  EXPECT_EQ(j["area_budget_percent"], 7.0);
  EXPECT_EQ(j["pin_budget_percent"], 13.0);
  EXPECT_EQ(j["version"], "1.2");
  ASSERT_EQ(j["rows"].size(), 2u);
  const auto& r = j["rows"][1];
  EXPECT_EQ(r["method"], "ga");
  EXPECT_EQ(r["layout"], "5.0");
  EXPECT_EQ(r["scanned"], 2);
  EXPECT_EQ(r["chains"], 2);
  EXPECT_EQ(r["area_percent"], 4.5);
  EXPECT_EQ(r["pins_percent"], 12.5);
  EXPECT_EQ(r["testability"], 0.25);
  EXPECT_EQ(r["controllable_percent"], 80.0);
  EXPECT_EQ(r["observable_percent"], 90.0);
  EXPECT_EQ(r["fitness"], 59.872);
  EXPECT_EQ(r["seconds"], 0.125);
  EXPECT_EQ(r["visited"], 1034);
  EXPECT_EQ(r["gap_percent"], 0.0);
  EXPECT_EQ(j["rows"][0]["gap_percent"], 100.0);
  EXPECT_FALSE(j["rows"][0].contains("visited"));
  EXPECT_EQ(j["pareto"], (std::vector<std::string>{"none", "ga"}));
}

TEST(Compare, CommandWritesTheJsonBesideTheResults) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("tarvex_compare_" + std::to_string(::getpid()));
  fs::remove_all(dir);
  const std::string example = std::string(TARVEX_EXAMPLES) + "/diffeq";
  std::vector<std::string> words = {"tarvex", "compare", example, "--json", "--seed", "5", "--out", dir.string()};
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  SteppingClock clock;
  resetTestErrors();  // the command's status counts the errors of this run
  CliEnv env{{testDiagnostics(), clock, systemProcessRunner(), std::string(), AnalysisOptions{}}, false};
  EXPECT_EQ(cliMain(static_cast<int>(words.size()), argv.data(), env), 0);
  std::ifstream in(dir / "diffeq.compare.json");
  ASSERT_TRUE(in);
  const auto j = nlohmann::json::parse(in);
  EXPECT_EQ(j["rows"].size(), 6u);
  EXPECT_EQ(j["seed"], 5);
  // Only the comparison is written, no result files of a single method.
  size_t files = 0;
  for (const auto& e : fs::directory_iterator(dir)) files += e.is_regular_file() ? 1 : 0;
  EXPECT_EQ(files, 1u);
  fs::remove_all(dir);
}

TEST(Compare, LayoutSummariesAndWhenTheTableUsesThem) {
  CompareRow none, balanced, uneven;
  none.method = "none";
  balanced.chains = 3;
  balanced.shortestChain = balanced.longestChain = 200;
  uneven.chains = 2;
  uneven.shortestChain = 7;
  uneven.longestChain = 9;
  EXPECT_EQ(layoutSummary(none), "-");
  EXPECT_EQ(layoutSummary(balanced), "3 x 200");
  EXPECT_EQ(layoutSummary(uneven), "2 x 7-9");
  Comparison cmp;
  balanced.method = "full";
  balanced.layout = std::string(kInlineLayoutChars, '0');
  cmp.rows = {none, balanced};
  EXPECT_FALSE(layoutsSummarised(cmp));  // exactly at the limit still prints inline
  cmp.rows[1].layout.push_back('1');
  EXPECT_TRUE(layoutsSummarised(cmp));
  EXPECT_EQ(comparisonLayoutsText(cmp), "none -\nfull " + cmp.rows[1].layout + "\n");
}

TEST(Compare, PolishedRowTakesTheGaSearchOnlyWhenItWouldRepeatIt) {
  auto c = gatest::loadExample("diffeq");
  ASSERT_TRUE(c);
  SteppingClock clock;
  const RunContext run{testDiagnostics(), clock, systemProcessRunner(), std::string(), AnalysisOptions{}};
  OptimiseSettings s = diffeqSettings();
  s.patience = 20;
  // Fresh from the seed: the row is the polished search's result.
  SeededRandom fresh(s.seed);
  const Comparison taken = compareMethods(*c, s, fresh, run);
  SeededRandom again(s.seed);
  const SearchResult own = polishedGaSearch(*c, s, again, run);
  EXPECT_EQ(row(taken, "ga+polish")->layout, own.notation);
  EXPECT_EQ(row(taken, "ga+polish")->visited, own.visited);
  EXPECT_DOUBLE_EQ(row(taken, "ga+polish")->fitness, own.fitness);
  // A generator already drawn from: the polished search runs on its own, from the seed.
  SeededRandom used(s.seed);
  used.unit();
  const Comparison repeated = compareMethods(*c, s, used, run);
  EXPECT_EQ(row(repeated, "ga+polish")->layout, own.notation);
  EXPECT_EQ(row(repeated, "ga+polish")->visited, own.visited);
}

TEST(Compare, GaSearchReportsTheFreshSeedOfAPolishedRunOnly) {
  SeededRandom fresh(9);
  EXPECT_EQ(fresh.freshSeed(), std::optional<std::uint64_t>(9));
  fresh.nonNegative();
  EXPECT_FALSE(fresh.freshSeed());
  ScriptedRandom scripted({0.5}, 9);
  EXPECT_FALSE(scripted.freshSeed());  // its draws are not a seeded generator's

  auto c = gatest::loadExample("diffeq");
  ASSERT_TRUE(c);
  SteppingClock clock;
  const RunContext run{testDiagnostics(), clock, systemProcessRunner(), std::string(), AnalysisOptions{}};
  OptimiseSettings s = diffeqSettings();
  s.patience = 5;
  GaOptions o = modernGaOptions(*c, s, run);
  o.writeResults = false;
  o.polish = true;
  SeededRandom polishedFresh(s.seed);
  EXPECT_EQ(runGA(*c, o, polishedFresh, run).polishedFreshSeed, std::optional<std::uint64_t>(s.seed));
  SeededRandom used(s.seed);
  used.unit();
  EXPECT_FALSE(runGA(*c, o, used, run).polishedFreshSeed);
  o.polish = false;
  SeededRandom unpolished(s.seed);
  EXPECT_FALSE(runGA(*c, o, unpolished, run).polishedFreshSeed);
}

TEST(Compare, LargeDesignTableSummarisesAndTheLayoutsFileHoldsTheNotations) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("tarvex_compare_large_" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  std::ofstream(dir / "big") << layeredWithRegisters(80);
  const spawntest::RunResult r = spawntest::runTarvex(
      dir, {"compare", "big", "--seed", "3", "--patience", "5", "--population", "10", "--json", "--out", "res"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("layout (chains x registers)"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Wrote 'layered80.layouts.txt'"), std::string::npos) << r.out;
  std::istringstream table(r.out);
  for (std::string line; std::getline(table, line);) EXPECT_LT(line.size(), 160u) << line;
  const auto j = nlohmann::json::parse(spawntest::slurp(dir / "res" / "layered80.compare.json"));
  std::istringstream layouts(spawntest::slurp(dir / "res" / "layered80.layouts.txt"));
  size_t k = 0;
  for (std::string line; std::getline(layouts, line); ++k) {
    ASSERT_LT(k, j["rows"].size());
    const auto& rowJson = j["rows"][k];
    const std::string layout = rowJson["layout"].get<std::string>();
    EXPECT_EQ(line, rowJson["method"].get<std::string>() + " " + (layout.empty() ? "-" : layout));
    // the table row shows the summary of the same layout
    if (rowJson["chains"].get<int>() > 0) {
      EXPECT_NE(r.out.find(std::to_string(rowJson["chains"].get<int>()) + " x "), std::string::npos);
    }
  }
  EXPECT_EQ(k, j["rows"].size());
  EXPECT_GT(j["rows"][1]["layout"].get<std::string>().size(), kInlineLayoutChars);  // full scan of 80 registers
  fs::remove_all(dir);
}

TEST(Compare, SmallDesignKeepsItsLayoutsInline) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("tarvex_compare_small_" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  fs::copy_file(std::string(TARVEX_EXAMPLES) + "/diffeq", dir / "diffeq");
  const spawntest::RunResult r = spawntest::runTarvex(dir, {"compare", "diffeq", "--seed", "1"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("  012.345\n"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("chains x registers"), std::string::npos);
  EXPECT_FALSE(fs::exists(dir / "diffeq.layouts.txt"));
  fs::remove_all(dir);
}

}  // namespace
