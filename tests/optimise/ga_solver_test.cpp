// The fitness and the DFT layout solver: hand-checked fitness values, the
// generation step, whole runs with a fixed seed and their result files.
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "optimise/ga.h"
#include "model/circuitcopy.h"
#include "circuitgen.h"
#include "ga_test_util.h"
#include "write/reports.h"
#include "slurp.h"
#include "test_diagnostics.h"

namespace fs = std::filesystem;
using gatest::ErrorCapture;
using gatest::structure;

namespace {

// Sends standard output to a file for its lifetime.
class StdoutCapture {
 public:
  explicit StdoutCapture(fs::path file) : path(std::move(file)) {
    std::fflush(stdout);
    saved = dup(STDOUT_FILENO);
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(fd, STDOUT_FILENO);
    close(fd);
  }
  ~StdoutCapture() { restore(); }
  StdoutCapture(const StdoutCapture&) = delete;
  StdoutCapture& operator=(const StdoutCapture&) = delete;
  // Everything printed so far; output goes back to the console.
  std::string text() {
    restore();
    return slurp(path);
  }

 private:
  void restore() {
    if (saved < 0) return;
    std::fflush(stdout);
    dup2(saved, STDOUT_FILENO);
    close(saved);
    saved = -1;
  }
  fs::path path;
  int saved = -1;
};

// A scratch result folder, a fixed seed and the run parameters of the front end's default run.
class Solver : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("tarvex_ga_" + std::to_string(::getpid()) + "_" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    previousFolder = setTestResultFolder(dir.string());
    resetTestErrors();
  }
  void TearDown() override {
    setTestResultFolder(previousFolder);
    fs::remove_all(dir);
    fs::remove(dir.string() + ".stdout");
  }

  // Runs the solver quietly with seed 11; returns what it printed.
  std::string solve(Circuit& c, unsigned long maxruns, bool elitism, int psize, int run = 0,
                    int techniques = ORDERED_SCAN) {
    GaOptions o;
    o.maxUnenhancedRuns = maxruns;
    o.elitism = elitism;
    o.populationSize = psize;
    o.techniques = techniques;
    o.runNumber = run;
    o.limits = limits;
    o.reuseFitness = reuseFitness;
    o.workers = workers;
    o.minSideBySideBits = 0;  // side by side even on small circuits
    SeededRandom random(11);
    StdoutCapture out(fs::path(dir.string() + ".stdout"));
    found = runGA(c, o, random, testContext());
    return out.text();
  }

  // Runs tarvex in-process on the bundled diffeq; returns what it printed.
  std::string tarvex(std::vector<std::string> args) {
    std::vector<std::string> words = {"tarvex", std::string(TARVEX_EXAMPLES) + "/diffeq", "-n"};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    resetTestErrors();  // a run reads the count of its own errors
    StdoutCapture out(fs::path(dir.string() + ".stdout"));
    tarvexMain(static_cast<int>(argv.size()), argv.data(), testContext());
    return out.text();
  }

  fs::path dir;
  std::string previousFolder;
  FitnessLimits limits{7, 13, Objective::CLASSIC};  // the front end's default run
  bool reuseFitness = true;
  int workers = 1;
  SearchResult found;  // by the last solve()
};

// Fitness of diffeq with `notation` applied, as the solver computes it.
double fitnessOf(const std::string& notation, const FitnessLimits& limits) {
  auto c = gatest::loadExample("diffeq");
  const LayoutRegisters regs(*c);
  const FitnessBasis basis{c->getArea(), c->getNPIOs(), limits};
  ScanLayout layout;
  if (notation != "-1") {
    EXPECT_EQ(readLayout(notation, regs, layout), "");
  }
  const AppliedScanLayout applied(*c, regs, layout);
  return appliedLayoutFitness(*c, basis, testAnalyser());
}

}  // namespace

// Derivation for "0.1.2.3.4.5" on diffeq with bounds 20 % and 40 %:
// area 1240 -> 1480 (six scan registers at 40), aOver = 19.3548...;
// pins 40 -> 53 (SCAN_MODE, six SCAN_IN, six SCAN_OUT), pOver = 32.5;
// uA = 0.95 + 0.05 exp(-(aOver/20)^2) = 0.969599..., uP = 0.95 + 0.05 exp(-(32.5/40)^2) = 0.975838...;
// every port bit is controllable (452 of 452), so res1 = 100; Con, the mean of
// the 84 non-control ports' controllability after the propagation rules
// (P = 257 input bits, K = 48 clock bits), is 0.905163836118868;
// fitness = (50 Con + 10 uA + 10 uP) 100 / 70 * Con uA uP = 79.175005985222.
TEST_F(Solver, FitnessOfFullScanDerivedByHand) {
  limits = {20, 40, Objective::CLASSIC};
  const double aOver = (1480.0 / 1240.0 - 1.0) * 100.0, pOver = (53.0 / 40.0 - 1.0) * 100.0;
  const double uA = 0.95 + 0.05 * std::exp(-(aOver / 20) * (aOver / 20));
  const double uP = 0.95 + 0.05 * std::exp(-(pOver / 40) * (pOver / 40));
  const double con = 0.905163836118868;
  const double expected = (50 * con + 10 * uA + 10 * uP) * 100 / 70 * con * uA * uP;
  EXPECT_NEAR(expected, 79.175005985222, 1e-9);
  EXPECT_NEAR(fitnessOf("0.1.2.3.4.5", limits), expected, 1e-9);
  // Over the bounds of the default run the overheads nearly zero the fitness.
  limits = {7, 13, Objective::CLASSIC};
  EXPECT_LT(fitnessOf("0.1.2.3.4.5", limits), 1e-6);
  // Two scan registers on the two feedback loops fit 7 % and 13 %.
  EXPECT_NEAR(fitnessOf("0.5", limits), 59.872220086144594, 1e-9);
  // Without scan registers reg1.q and reg6.q stay uncontrollable: res1 = 0.
  EXPECT_EQ(fitnessOf("-1", limits), 0.0);
}

TEST_F(Solver, FitnessOfACircuitWithoutPortsIsZero) {
  auto c = gatest::parseCircuit("CIR nothing\n");
  ASSERT_TRUE(c);
  EXPECT_EQ(appliedLayoutFitness(*c, FitnessBasis{c->getArea(), c->getNPIOs(), limits}, testAnalyser()), 0.0);
  limits.objective = Objective::GRADED;
  EXPECT_EQ(appliedLayoutFitness(*c, FitnessBasis{c->getArea(), c->getNPIOs(), limits}, testAnalyser()), 0.0);
}

TEST_F(Solver, ElitismPutsTheBestInTheLastChildWritten) {
  auto c = gatest::loadExample("diffeq");
  const int len = getScanChrLen(ORDERED_SCAN, 6);
  Population best("Best-evaluated chromosome", 1, len, ORDERED_SCAN, c.get(), testDiagnostics());
  ASSERT_TRUE(best.encodeNotation("0.5", 0));
  best.setFitness(0, 59.87);
  for (int psize : {4, 5}) {
    Population P("Population_P", psize, len, ORDERED_SCAN, c.get(), testDiagnostics());
    Population Q("Population_Q", psize, len, ORDERED_SCAN, c.get(), testDiagnostics());
    SeededRandom random(11);
    P.initPopulation(random);
    const std::string untouched = Q.chromosome(psize - 1);
    breedGeneration(P, Q, best, psize, true, random);
    EXPECT_EQ(Q.getPos(), 3) << psize;
    EXPECT_EQ(Q.chromosome(3), best.chromosome(0));
    EXPECT_EQ(Q.getFitness(3), 59.87);
    if (psize == 5) {
      EXPECT_EQ(Q.chromosome(4), untouched);  // odd size: last slot not refilled
    }
  }
  for (int psize : {0, 1}) {  // no child is written, so nothing is replaced
    Population P("Population_P", psize, len, ORDERED_SCAN, c.get(), testDiagnostics());
    Population Q("Population_Q", psize, len, ORDERED_SCAN, c.get(), testDiagnostics());
    ErrorCapture errors;
    SeededRandom random(11);
    breedGeneration(P, Q, best, psize, true, random);
    EXPECT_EQ(Q.getPos(), -1);
    EXPECT_EQ(errors.count(), 0);
  }
}

TEST_F(Solver, ZeroRunsAnalyseTheCircuitAsRead) {
  auto c = gatest::loadExample("diffeq");
  const std::string before = structure(*c);
  ErrorCapture errors;
  const std::string out = solve(*c, 0, true, 20);
  EXPECT_EQ(errors.count(), 0);
  EXPECT_NE(out.find("Done - algorithm has ended after 0 iteration(s).\n"), std::string::npos);
  EXPECT_EQ(out.find("Solution="), std::string::npos);
  EXPECT_EQ(structure(*c), before);
  EXPECT_EQ(c->getNotation(), "");
  const std::string par = slurp(dir / "diffeq.par");
  EXPECT_EQ(par.substr(0, 7), "'' 421 ");
  EXPECT_EQ(par.substr(par.size() - 7), " 0.000 ");
  EXPECT_EQ(slurp(dir / "diffeq.gar"),
            "Run number: 0\n"
            "Collumns (from left to right side):\n1) Iteration number\n2) Best solution found\n3) Fitness value\n\n"
            "Running (GA-based) DFT Layout Solver\n"
            "(RUN-PARAMETERS: Chromosome_length=42bits, MaxUnenhancedRuns=0, |REGS|=6, Elitism=YES, "
            "Population_size=20, Selected_DFT_Techniques: SCAN(ORDERED))\n"
            "Algorithm has ended after 0 iteration(s).\n" +
                std::string(80, '-') + "\n\n");
}

TEST_F(Solver, RunsAppendToTheLogAndStopAfterTheUnenhancedGenerations) {
  auto c = gatest::loadExample("diffeq");
  const std::string before = structure(*c);
  const std::string out = solve(*c, 1, false, 20, 0);
  EXPECT_NE(out.find("Done - algorithm has ended after 1 iteration(s).\n"), std::string::npos);
  solve(*c, 3, true, 7, 1, ORDERED_SCAN | UNORDERED_SCAN | TEST_POINT_INSERTION);
  EXPECT_EQ(structure(*c), before);
  const std::string gar = slurp(dir / "diffeq.gar");
  const std::regex block(
      "Run number: (\\d+)\nCollumns \\(from left to right side\\):\n1\\) Iteration number\n2\\) Best solution "
      "found\n3\\) Fitness value\n\nRunning \\(GA-based\\) DFT Layout Solver\n\\(RUN-PARAMETERS: [^\n]*\\)\n"
      "((\\d+)\t[0-9. ]{15,}\t\\d+\\.\\d{6}\n)*Algorithm has ended after (\\d+) iteration\\(s\\)\\.\n-{80}\n\n");
  std::vector<std::string> runs, iterations;
  const std::regex line("(\\d+)\t([0-9.]+) *\t(\\d+\\.\\d{6})\n");
  for (auto it = std::sregex_iterator(gar.begin(), gar.end(), block); it != std::sregex_iterator(); ++it) {
    runs.push_back((*it)[1]);
    iterations.push_back((*it)[4]);
    // improvements only ever rise within a run
    const std::string text = (*it)[0];
    double last = -1.0;
    for (auto l = std::sregex_iterator(text.begin(), text.end(), line); l != std::sregex_iterator(); ++l) {
      const double f = std::stod((*l)[3]);
      EXPECT_GE(f, last);
      last = f;
    }
  }
  ASSERT_EQ(runs, (std::vector<std::string>{"0", "1"})) << gar;
  EXPECT_EQ(iterations[0], "1");
  EXPECT_NE(gar.find("Population_size=7, Selected_DFT_Techniques: SCAN(ORDERED) SCAN(UNORDERED) "
                     "TEST_POINT_INSERTION)\n"),
            std::string::npos);
}

TEST_F(Solver, TinyPopulationsEndNormally) {
  auto c = gatest::loadExample("diffeq");
  const std::string before = structure(*c);
  for (int psize : {0, 1, 2, 3}) {
    ErrorCapture errors;
    solve(*c, 4, true, psize);
    EXPECT_EQ(errors.count(), 0) << psize << errors.text();
    EXPECT_EQ(structure(*c), before);
  }
}

TEST_F(Solver, UnwritableLogIsReportedAndTheRunGoesOn) {
  auto c = gatest::loadExample("diffeq");
  fs::create_directories(dir / "diffeq.gar");  // a folder in the log's place
  ErrorCapture errors;
  solve(*c, 2, true, 6);
  EXPECT_EQ(errors.count(), 1);
  EXPECT_EQ(errors.text(), "ERROR(1): Can't write to 'diffeq.gar'!\n");
  EXPECT_TRUE(fs::exists(dir / "diffeq.par"));
}

TEST_F(Solver, ReusedFitnessValuesChangeNothing) {
  auto c = gatest::loadExample("diffeq");
  const std::string memo = solve(*c, 60, false, 12);
  const std::string memoGar = slurp(dir / "diffeq.gar"), memoPar = slurp(dir / "diffeq.par");
  fs::remove(dir / "diffeq.gar");
  reuseFitness = false;
  const std::string plain = solve(*c, 60, false, 12);
  EXPECT_EQ(plain, memo);
  EXPECT_EQ(slurp(dir / "diffeq.gar"), memoGar);
  EXPECT_EQ(slurp(dir / "diffeq.par"), memoPar);
  EXPECT_NE(memo.find("Solution="), std::string::npos);
}

namespace {
// Reads a generated description quietly.
std::unique_ptr<Circuit> readGenerated(std::string text) {
  FILE* in = fmemopen(text.data(), text.size(), "r");
  std::fflush(stdout);
  const int saved = dup(STDOUT_FILENO);
  const int null = open("/dev/null", O_WRONLY);
  dup2(null, STDOUT_FILENO);
  close(null);
  auto c = readCirData(in, testDiagnostics());
  std::fflush(stdout);
  dup2(saved, STDOUT_FILENO);
  close(saved);
  std::fclose(in);
  return c;
}
}  // namespace

// Evaluating a generation on several threads changes nothing: the console,
// the log, the results and the count of evaluations are those of one thread,
// with and without the reuse of known layouts, on 6 and on 48 registers.
TEST_F(Solver, SideBySideEvaluationGivesTheSerialRun) {
  for (bool reuse : {true, false}) {
    for (int copies : {0, 8}) {
      auto c = copies == 0 ? gatest::loadExample("diffeq") : readGenerated(tiledDiffeq(copies, "diffeq"));
      ASSERT_NE(c, nullptr);
      reuseFitness = reuse;
      workers = 1;
      const std::string serial = solve(*c, 8, true, 10);
      const std::string serialGar = slurp(dir / "diffeq.gar"), serialTxt = slurp(dir / "diffeq.txt");
      const long serialVisited = found.visited;
      fs::remove(dir / "diffeq.gar");
      workers = 3;
      EXPECT_EQ(solve(*c, 8, true, 10), serial);
      EXPECT_EQ(slurp(dir / "diffeq.gar"), serialGar);
      EXPECT_EQ(slurp(dir / "diffeq.txt"), serialTxt);
      EXPECT_EQ(found.visited, serialVisited);
      fs::remove(dir / "diffeq.gar");
    }
  }
  EXPECT_EQ(testErrorCount(), 0);
}

// A copy has the same lists in the same order, so it analyses to the same values.
TEST_F(Solver, CircuitCopiesAnalyseLikeTheOriginal) {
  auto c = readGenerated(tiledDiffeq(3, "t"));
  ASSERT_NE(c, nullptr);
  auto copy = copyCircuit(*c);
  ASSERT_NE(copy, nullptr);
  analyseFull(*c);
  analyseFull(*copy);
  for (Item *i = c->getIList(), *j = copy->getIList(); i || j; i = i->getNext(), j = j->getNext()) {
    ASSERT_TRUE(i && j);
    ASSERT_EQ(i->getName(), j->getName());
    for (Port *p = i->getPList(), *q = j->getPList(); p || q; p = p->getNext(), q = q->getNext()) {
      ASSERT_TRUE(p && q);
      EXPECT_EQ(p->getName(), q->getName());
      EXPECT_EQ(p->getCon(), q->getCon());
      EXPECT_EQ(p->getObs(), q->getObs());
    }
  }
  EXPECT_EQ(c->getArea(), copy->getArea());
  EXPECT_EQ(c->getNPortBits(), copy->getNPortBits());
  // With a layout applied there is nothing to copy from.
  {
    const AppliedScanLayout applied(*c, LayoutRegisters(*c), ScanLayout{{0}});
    EXPECT_EQ(copyCircuit(*c), nullptr);
  }
  EXPECT_NE(copyCircuit(*c), nullptr);
}

TEST_F(Solver, OtherRegisterCounts) {
  // three registers: the presets name registers 3 to 5 and are never seeded
  auto small = gatest::parseCircuit(gatest::registerChain(3));
  ASSERT_TRUE(small);
  const std::string before = structure(*small);
  {
    ErrorCapture errors;
    const std::string out = solve(*small, 5, true, 10);
    EXPECT_EQ(errors.count(), 0) << errors.text();
    EXPECT_NE(out.find("Chromosome_length=15bits"), std::string::npos);
  }
  EXPECT_EQ(structure(*small), before);
  // no registers at all: the circuit as read is the only layout
  auto none = gatest::parseCircuit(
      "CIR comb a(in,8) b(in,8) y(out,8)\nITM add(ADD) i1(in,8) i2(in,8) o(out,8)\n"
      "LINK comb.a -> add.i1\nLINK comb.b -> add.i2\nLINK add.o -> comb.y\n");
  ASSERT_TRUE(none);
  {
    ErrorCapture errors;
    const std::string out = solve(*none, 3, true, 4);
    EXPECT_EQ(errors.count(), 0) << errors.text();
    EXPECT_NE(out.find("Solution='', iteration number is 1\n"), std::string::npos);
    EXPECT_EQ(slurp(dir / "comb.par").substr(0, 3), "'' ");
  }
  // beyond ten registers the layout is written with register names
  auto big = gatest::parseCircuit(gatest::registerChain(11));
  ASSERT_TRUE(big);
  ErrorCapture errors;
  const std::string out = solve(*big, 20, true, 10);
  EXPECT_EQ(errors.count(), 0) << errors.text();
  ASSERT_FALSE(found.notation.empty());
  EXPECT_FALSE(isClassicNotation(found.notation)) << found.notation;
  EXPECT_NE(out.find("Solution='" + found.notation + "'"), std::string::npos);
  EXPECT_EQ(slurp(dir / "chain.par").rfind("'" + found.notation + "' ", 0), 0u);
  EXPECT_NE(slurp(dir / "chain.gar").find("\t" + found.notation), std::string::npos);
  EXPECT_EQ(structure(*big), structure(*gatest::parseCircuit(gatest::registerChain(11))));
}

TEST_F(Solver, LayoutEvaluationsLeaveNoReferenceToRemovedPorts) {
  // Run under AddressSanitizer: scan ports are removed after every evaluation
  // while analysis sources and ready entries may point at them.
  auto c = gatest::loadExample("diffeq");
  const LayoutRegisters regs(*c);
  for (const char* n : {"543210", "0.1.2.3.4.5", "05", "2.4.13", "5.0", "012345"}) {
    ScanLayout layout;
    ASSERT_EQ(readLayout(n, regs, layout), "");
    {
      const AppliedScanLayout applied(*c, regs, layout);
      analyseFull(*c);
      appliedLayoutFitness(*c, FitnessBasis{c->getOrigArea(), c->getOrigNPIOs(), limits}, testAnalyser());
    }
    for (Item* i = c->getIList(); i; i = i->getNext())
      for (Port* p = i->getPList(); p; p = p->getNext()) {
        if (p->getConSrc()) {
          EXPECT_EQ(p->getConSrc()->getItem()->getCircuit(), c.get());
        }
        if (p->getObsSrc()) {
          EXPECT_EQ(p->getObsSrc()->getItem()->getCircuit(), c.get());
        }
      }
    for (ReadyPort* r = c->getReadyPorts(); r; r = r->getNext()) EXPECT_NE(r->getPort()->getName(), "");
  }
  analyseFull(*c);
  // a circuit with its own scan register and scan-named pins, through whole runs
  auto own = gatest::parseCircuit(
      "CIR s a(in,8) clk(clk,1) SCAN_EN(sel,1) SCAN_IN0(in,1) y(out,8)\n"
      "ITM r0(REG) d(in,8) c(clk,1) q(out,8)\n"
      "ITM keep(SREG) d(in,8) c(clk,1) SCAN_MODE(sel,1) SCAN_IN(in,1) SCAN_OUT(out,1) q(out,8)\n"
      "ITM r1(REG) d(in,8) c(clk,1) q(out,8)\n"
      "LINK s.a -> r0.d\nLINK r0.q -> keep.d\nLINK keep.q -> r1.d\nLINK r1.q -> s.y r0.d\n"
      "LINK s.SCAN_EN -> keep.SCAN_MODE\nLINK s.SCAN_IN0 -> keep.SCAN_IN\n"
      "LINK s.clk -> r0.c keep.c r1.c\n");
  ASSERT_TRUE(own);
  const std::string before = structure(*own);
  limits = {100, 100, Objective::CLASSIC};
  ErrorCapture errors;
  solve(*own, 5, true, 6);
  solve(*own, 5, false, 5);
  EXPECT_EQ(errors.count(), 0) << errors.text();
  EXPECT_EQ(structure(*own), before);
}

TEST_F(Solver, OptimiserRunOnTheBenchmark) {
  const std::string out = tarvex({"1", "1", "7", "13", "20", "0", "500"});
  EXPECT_NE(out.find("Running (GA-based) DFT Layout Solver\n(RUN-PARAMETERS: Chromosome_length=42bits, "
                     "MaxUnenhancedRuns=500, |REGS|=6, Elitism=NO, Population_size=20, "
                     "Selected_DFT_Techniques: SCAN(ORDERED))\n"),
            std::string::npos);
  EXPECT_NE(out.find("Performing testability analysis (TA) to resulting circuit...\n"), std::string::npos);
  EXPECT_NE(out.find("has ended with no errors.\n"), std::string::npos);
  for (const char* ext : {".pro", ".txt", ".tex", ".html", ".par", ".gar"})
    EXPECT_TRUE(fs::exists(dir / (std::string("diffeq") + ext))) << ext;
  EXPECT_FALSE(fs::exists(dir / "diffeq.eva"));
  const std::string par = slurp(dir / "diffeq.par");
  std::smatch m;
  ASSERT_TRUE(std::regex_match(par, m,
                               std::regex("'([0-5.]*)' (\\d+) \\d+\\.\\d{3} \\d+\\.\\d \\d+\\.\\d (\\d+\\.\\d{3}) "
                                          "(\\d+\\.\\d{3}) (\\d+\\.\\d{3}) ")))
      << par;
  const std::string notation = m[1];
  const double fitness = std::stod(m[5]);
  EXPECT_GT(fitness, 50.0);
  // the last solution printed is the one in .par, with the last fitness logged
  const size_t last = out.rfind("Solution='");
  ASSERT_NE(last, std::string::npos);
  EXPECT_EQ(out.substr(last, 10 + notation.size() + 2), "Solution='" + notation + "',");
  // an analysis run with that notation gives the same figures; its fitness recomputed matches
  const std::string analysed = tarvex({"0", notation});
  EXPECT_NE(analysed.find("has ended with no errors.\n"), std::string::npos);
  const std::string par2 = slurp(dir / "diffeq.par");
  EXPECT_EQ(par2.substr(0, par2.size() - 6), par.substr(0, par.size() - 6 - (m[5].length() - 5)));
  char recomputed[32];
  std::snprintf(recomputed, sizeof recomputed, "%3.3lf", fitnessOf(notation, limits));
  EXPECT_EQ(m[5].str(), recomputed);
  const std::string gar = slurp(dir / "diffeq.gar");
  EXPECT_NE(gar.find(notation + std::string(15 - std::min<size_t>(15, notation.size()), ' ') + "\t" +
                     std::to_string(fitnessOf(notation, limits)).substr(0, m[5].length() + 3)),
            std::string::npos)
      << gar;
}

TEST_F(Solver, AnalysisRunWithANotation) {
  const std::string out = tarvex({"0", "0.1.2.3.4.5"});
  EXPECT_NE(out.find("has ended with no errors.\n"), std::string::npos);
  for (const char* ext : {".dot", ".pro", ".txt", ".tex", ".html", ".par", ".eva"})
    EXPECT_TRUE(fs::exists(dir / (std::string("diffeq") + ext))) << ext;
  EXPECT_EQ(slurp(dir / "diffeq.par").substr(0, 18), "'0.1.2.3.4.5' 452 ");
  EXPECT_NE(slurp(dir / "diffeq.txt").find("diffeq.SCAN_IN0(1) 1.000000"), std::string::npos);
}

TEST_F(Solver, BadNotationOnTheCommandLineLeavesNoResults) {
  for (const char* bad : {"0.1.x", "0..1", "6", "0.1.2.3.4.5.0"}) {
    ErrorCapture errors;
    const std::string out = tarvex({"0", bad});
    EXPECT_EQ(testErrorCount(), 1) << bad;
    EXPECT_EQ(errors.text().rfind(std::string("ERROR(1): Wrong scan layout notation '") + bad + "'", 0), 0u)
        << errors.text();
    EXPECT_NE(out.find("ended with 1 error(s).\n"), std::string::npos);
    EXPECT_TRUE(fs::is_empty(dir)) << bad;
  }
}

TEST_F(Solver, NegativeMaxRunsIsAWrongParameter) {
  ErrorCapture errors;
  tarvex({"1", "1", "7", "13", "20", "0", "-1"});
  EXPECT_EQ(errors.text(), "ERROR(1): SYNTAX ERROR: Wrong parameter given! Please check the syntax.\n");
  EXPECT_FALSE(fs::exists(dir / "diffeq.gar"));
}
