// The optimiser works with the run context it is given and nothing else: two
// runs with their own contexts may go side by side, each run's errors and
// result files go where its own context says.
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include "base/clock.h"
#include "base/diagnostics.h"
#include "ga_test_util.h"
#include "optimise/ga.h"
#include "optimise/methods.h"
#include "read/import.h"
#include "slurp.h"
#include "test_diagnostics.h"

namespace fs = std::filesystem;

namespace {

// Sends standard output to /dev/null for its lifetime (the runs' console lines).
class QuietStdout {
 public:
  QuietStdout() {
    std::fflush(stdout);
    saved = dup(STDOUT_FILENO);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    close(null);
  }
  ~QuietStdout() {
    std::fflush(stdout);
    dup2(saved, STDOUT_FILENO);
    close(saved);
  }
  QuietStdout(const QuietStdout&) = delete;
  QuietStdout& operator=(const QuietStdout&) = delete;

 private:
  int saved = -1;
};

// One run's own context: diagnostics on a scratch stream and a result folder.
struct OwnRun {
  explicit OwnRun(const fs::path& dir)
      : sink(std::tmpfile()), diagnostics(sink), run{diagnostics, systemClock(), systemProcessRunner(), dir.string(), {}} {
    fs::create_directories(dir);
  }
  ~OwnRun() { std::fclose(sink); }
  OwnRun(const OwnRun&) = delete;
  OwnRun& operator=(const OwnRun&) = delete;
  // What the run reported.
  std::string messages() const {
    std::fflush(sink);
    std::rewind(sink);
    std::string t;
    for (int ch; (ch = std::fgetc(sink)) != EOF;) t.push_back(static_cast<char>(ch));
    return t;
  }

  FILE* sink;
  Diagnostics diagnostics;
  RunContext run;
};

class RunContexts : public ::testing::Test {
 protected:
  void SetUp() override {
    root = fs::temp_directory_path() / ("tarvex_ctx_" + std::to_string(::getpid()) + "_" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root);
    resetTestErrors();
  }
  void TearDown() override { fs::remove_all(root); }

  // The genetic algorithm with seed 7 on `c` in the context `run`.
  static SearchResult solve(Circuit& c, const RunContext& run) {
    GaOptions o;
    o.maxUnenhancedRuns = 12;
    o.populationSize = 10;
    o.elitism = true;
    o.limits = FitnessLimits{7, 13, Objective::GRADED};
    SeededRandom random(7);
    return runGA(c, o, random, run);
  }

  fs::path root;
};

// Each run writes its files to its own folder and counts its own errors; the
// results of two runs at once are those of one run alone.
TEST_F(RunContexts, TwoRunsSideBySideKeepToTheirOwnContexts) {
  auto first = gatest::loadExample("diffeq");
  auto second = gatest::loadExample("diffeq");
  auto alone = gatest::loadExample("diffeq");
  ASSERT_TRUE(first && second && alone);
  OwnRun a(root / "a"), b(root / "b"), single(root / "single");
  SearchResult ra, rb, rs;
  {
    QuietStdout quiet;
    std::thread other([&] { rb = solve(*second, b.run); });
    ra = solve(*first, a.run);
    other.join();
    rs = solve(*alone, single.run);
  }
  for (const char* ext : {".gar", ".pro", ".txt", ".tex", ".html", ".par"}) {
    SCOPED_TRACE(ext);
    const std::string expected = slurp(root / "single" / (std::string("diffeq") + ext));
    EXPECT_FALSE(expected.empty());
    EXPECT_EQ(slurp(root / "a" / (std::string("diffeq") + ext)), expected);
    EXPECT_EQ(slurp(root / "b" / (std::string("diffeq") + ext)), expected);
  }
  EXPECT_EQ(ra.notation, rs.notation);
  EXPECT_EQ(rb.notation, rs.notation);
  EXPECT_EQ(ra.visited, rs.visited);
  EXPECT_EQ(a.diagnostics.count() + b.diagnostics.count() + single.diagnostics.count(), 0);
  EXPECT_EQ(testErrorCount(), 0);
}

// A failure is counted by the run that met it, not by another run nor by a default channel.
TEST_F(RunContexts, ErrorsAreCountedByTheRunThatMetThem) {
  auto c = gatest::loadExample("diffeq");
  ASSERT_TRUE(c);
  OwnRun failing(root / "failing"), other(root / "other");
  fs::create_directories(root / "failing" / "diffeq.gar");  // a folder in the log's place
  {
    QuietStdout quiet;
    solve(*c, failing.run);
    const OptimiserMethod* full = findOptimiserMethod("full");
    ASSERT_NE(full, nullptr);
    SeededRandom random(1);
    fs::remove(root / "failing" / "diffeq.txt");
    fs::create_directories(root / "failing" / "diffeq.txt");  // and one in the table's
    full->run(*c, OptimiseSettings{}, random, nullptr, failing.run);
  }
  EXPECT_EQ(failing.diagnostics.count(), 2);
  EXPECT_EQ(failing.messages(), "ERROR(1): Can't write to 'diffeq.gar'!\nERROR(2): Can't write to 'diffeq.txt'!\n");
  EXPECT_EQ(other.diagnostics.count(), 0);
  EXPECT_EQ(testErrorCount(), 0);

  // A population reports to the diagnostics it was made with.
  Population pop("p", 2, getScanChrLen(ORDERED_SCAN, c->getNREGs()), ORDERED_SCAN, c.get(), other.diagnostics);
  SeededRandom draws(3);
  pop.mutation(5, draws);
  EXPECT_EQ(other.messages(), "ERROR(1): Bad chromosome ID 5 in Population::mutation()\n");
  EXPECT_EQ(failing.diagnostics.count(), 2);
  EXPECT_EQ(testErrorCount(), 0);
}

// The evaluator analyses as its run says; every schedule gives the same fitness.
TEST_F(RunContexts, EvaluatorFollowsTheRunsAnalysisSchedule) {
  auto c = gatest::loadExample("diffeq");
  ASSERT_TRUE(c);
  OwnRun incremental(root / "inc"), walks(root / "walks");
  walks.run.analysis.schedule = AnalysisSchedule::FULL_WALKS;
  const FitnessLimits limits{7, 13, Objective::GRADED};
  ScanEvaluator a(*c, incremental.run, ORDERED_SCAN, limits, EvaluatorOptions{false, 1, 0});
  ScanEvaluator b(*c, walks.run, ORDERED_SCAN, limits, EvaluatorOptions{false, 3, 0});
  const std::vector<ScanLayout> layouts = {{}, {{0}}, {{0, 1, 2}, {3, 4, 5}}, {{5, 4}, {1}}, {{2, 0, 5}}};
  std::vector<double> serial, sideBySide;
  a.fitnessOfAll(layouts, serial);
  b.fitnessOfAll(layouts, sideBySide);
  EXPECT_EQ(serial, sideBySide);
  EXPECT_GT(serial[2], 0.0);
  EXPECT_EQ(incremental.diagnostics.count() + walks.diagnostics.count(), 0);
}

}  // namespace
