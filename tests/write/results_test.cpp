// Analysis runs end to end and the result files, byte for byte.
//
// The expected files under data/ were checked by hand, not only captured:
//
// ex (P = 25 bits, K = 1): add1.o = 1 - 8/26 = 0.692308 (best input i2, the
// first of two equal ones), r1.q = (1 - 9/26)(1 - 1/2) = 0.326923, r1.d obs =
// (1 - 1/26)/2 = 0.480769, add1.i1 obs = (1 - 9/26)/2 = 0.326923; 66 bits, 64
// observable (not the clocks); GC = 0.5 (1 + 6.038462/8) = 0.877404, GO =
// 0.5 (64/66)(1 + 4.269231/8) = 0.743590, GT = GC GO = 0.652429.
//
// diffeq (P = 232 + 13 = 245, K = 6; 421 bits): mux1.q = 245/246 = 0.995935
// from mux1.b; mul1.q = (245/246)(1 - 9/246) = 0.959498; reg4.q = (245/246)
// (1 - 10/246)(6/7) = 0.818957; mux3.q (semi-propagated from reg4.q) =
// (245/246)(1 - 11/246)(6/7) = 0.815487; mux4.q (semi, from dx) = 244/246 =
// 0.991870; mul2.q = 0.815487 (1 - 10/246) = 0.782337 from mul2.b; reg5.q =
// 0.815487 (1 - 11/246)(6/7) = 0.667733. reg1.q, reg2.q, reg3.q, reg6.q stay
// at 0: no multiplexer opens the loops through sub and through mux5/add.
// Observability: comp.a = 1 - 8/246 = 0.967480 (comp.b gets none, comp.a's
// con is 0), reg6.d = (1 - 9/246)(6/7) = 0.825784, add.a = 0.995935 (1 -
// 17/246)(6/7) = 0.794666, mux5.a = mux5.b = 0.995935 (1 - 18/246)(6/7) =
// 0.791196, reg3.d = 0.995935 (1 - 19/246)(5/7) = 0.656438. Controllable bits
// 253 (232 data bits and all 21 control bits), observable 112, none both;
// the averages over the 50 data ports 0.530681 and 0.233070 give GC =
// 0.459932, GO = 0.164019, GT = 0.075437.
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "write/reports.h"
#include "test_util.h"
#include "test_diagnostics.h"

namespace {

namespace fs = std::filesystem;

const char* const kExtensions[] = {".dot", ".pro", ".txt", ".tex", ".html", ".par", ".eva"};

// Result files go to a fresh folder per test.
class Results : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("tarvex_results_" + std::to_string(::getpid()) + "_" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    previous = setTestResultFolder(dir.string());
  }
  void TearDown() override {
    setTestResultFolder(previous);
    fs::remove_all(dir);
  }

  // Runs the engine in this process; returns what it printed.
  std::string run(std::vector<std::string> args) {
    args.insert(args.begin(), "tarvex");
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    ::testing::internal::CaptureStdout();
    tarvexMain(static_cast<int>(argv.size()), argv.data(), testContext());
    return ::testing::internal::GetCapturedStdout();
  }

  void expectFilesAsIn(const char* circuit) {
    for (const char* ext : kExtensions) {
      const std::string name = std::string(circuit) + ext;
      EXPECT_EQ(slurp(dir / name), slurp(fs::path(TARVEX_TEST_DATA) / circuit / name)) << name;
    }
  }

  int fileCount() const {
    int n = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir)) ++n;
    return n;
  }

  fs::path dir;
  std::string previous;
};

TEST_F(Results, WorkedExampleFilesByteForByte) {
  ErrorCapture errors;
  const std::string out = run({TARVEX_EXAMPLES "/ex", "-n", "0", "-1"});
  expectFilesAsIn("ex");
  EXPECT_EQ(slurp(dir / "ex.par"), "'' 66 0.652 100.0 97.0 0.000 0.000 0.000 ");
  const std::string txt = slurp(dir / "ex.txt");
  EXPECT_EQ(txt.substr(txt.rfind("Global")), "GlobalMeasures 0.877404 0.743590 0.652429\n");
  EXPECT_NE(out.find("Exporting circuit structure to file 'ex.dot' in Graphviz format\n"
                     "Running testability analysis (current part: \rTestability analysis done.            "
                     "                                       \n"
                     "Writing propagation info to 'ex.pro' (ASCII text format)...\n"
                     "Writing TA results to 'ex.txt' (ASCII text format)...\n"
                     "Writing TA results to 'ex.tex' (TEX format)...\n"
                     "Writing TA results to 'ex.html' (HTML format)...\n"
                     "Writing circuit parameters to 'ex.par' (ASCII text format)...\n"
                     "Writing circuit parameters to 'ex.eva' (ASCII text format)...\n"
                     "tarvex has ended with no errors.\n"),
            std::string::npos)
      << out;
  EXPECT_EQ(errors.text(), "");
}

TEST_F(Results, BenchmarkFilesByteForByte) {
  ErrorCapture errors;
  run({TARVEX_EXAMPLES "/diffeq", "-n", "0", "-1"});
  expectFilesAsIn("diffeq");
  EXPECT_EQ(errors.text(), "");
}

TEST_F(Results, AWrongLayoutIsACountedErrorWithoutResults) {
  ErrorCapture errors;
  const std::string out = run({TARVEX_EXAMPLES "/diffeq", "-n", "0", "0.1.6"});
  EXPECT_EQ(errors.text(), "ERROR(1): Wrong scan layout notation '0.1.6' (register 6 does not exist)!\n");
  EXPECT_EQ(fileCount(), 0);
  EXPECT_NE(out.find("tarvex ended with 1 error(s).\n"), std::string::npos);
}

// Old results are emptied beside the analysis and the drawing is emptied by
// its writer: longer old files must leave no tail, a rejected layout must
// leave them as they were, and a missing table is not made by the emptying.
TEST_F(Results, RewrittenFilesKeepNothingOfTheOldOnesAndARejectedLayoutKeepsThem) {
  const std::string old(300000, 'x');
  for (const char* ext : kExtensions) std::ofstream(dir / (std::string("diffeq") + ext)) << old;
  {
    ErrorCapture errors;
    run({TARVEX_EXAMPLES "/diffeq", "-n", "0", "0.1.6"});
    EXPECT_EQ(errors.text(), "ERROR(1): Wrong scan layout notation '0.1.6' (register 6 does not exist)!\n");
    for (const char* ext : kExtensions)
      EXPECT_TRUE(slurp(dir / (std::string("diffeq") + ext)) == old) << ext << " changed";
  }
  {
    ErrorCapture errors;
    run({TARVEX_EXAMPLES "/diffeq", "-n", "0", "-1"});
    EXPECT_EQ(errors.text(), "");
    for (const char* ext : kExtensions)
      EXPECT_TRUE(slurp(dir / (std::string("diffeq") + ext)).find('x' + std::string(20, 'x')) == std::string::npos)
          << ext << " kept old text";
    expectFilesAsIn("diffeq");
  }

  fs::remove(dir / "ex.html");
  Circuit c("ex");
  emptyAnalysisFiles(c, testFiles());
  EXPECT_FALSE(fs::exists(dir / "ex.html"));
}

// Files are closed on the threads that write them; their write failures are
// still reported once, in the order the files were announced.
TEST_F(Results, FailedWritesAreReportedInOrderAndTheOtherFilesAreWhole) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  for (const char* name : {"diffeq.dot", "diffeq.txt", "diffeq.html"}) fs::create_symlink("/dev/full", dir / name);
  ErrorCapture errors;
  run({TARVEX_EXAMPLES "/diffeq", "-n", "0", "-1"});
  EXPECT_EQ(errors.text(),
            "ERROR(1): Circuit::export_graphviz - can't write output file diffeq.dot!\n"
            "ERROR(2): Can't write to 'diffeq.txt'!\n"
            "ERROR(3): Can't write to 'diffeq.html'!\n");
  for (const char* ext : {".pro", ".tex", ".par", ".eva"}) {
    const std::string name = std::string("diffeq") + ext;
    EXPECT_EQ(slurp(dir / name), slurp(fs::path(TARVEX_TEST_DATA) / "diffeq" / name)) << name;
  }
}

TEST_F(Results, UnwritableFilesAreReportedAndTheRunGoesOn) {
  ErrorCapture errors;
  setTestResultFolder((dir / "missing").string());
  const std::string out = run({TARVEX_EXAMPLES "/ex", "-n", "0", "-1"});
  EXPECT_EQ(errors.text(),
            "ERROR(1): Circuit::export_graphviz - can't open output file ex.dot!\n"
            "ERROR(2): Can't write to 'ex.pro'!\n"
            "ERROR(3): Can't write to 'ex.txt'!\n"
            "ERROR(4): Can't write to 'ex.tex'!\n"
            "ERROR(5): Can't write to 'ex.html'!\n"
            "ERROR(6): Can't write to 'ex.par'!\n"
            "ERROR(7): Can't write to 'ex.eva'!\n");
  EXPECT_NE(out.find("tarvex ended with 7 error(s).\n"), std::string::npos);
}

TEST_F(Results, EmptyCircuitPrintsZeroRatios) {
  ErrorCapture errors;
  Circuit c("z");
  analyseFull(c);
  writeParameters(c, measuresOf(c), testFiles());
  writeEvaluation(c, measuresOf(c), testFiles());
  writeTextTable(c, testFiles());
  EXPECT_EQ(slurp(dir / "z.par"), "'' 0 0.000 0.0 0.0 0.000 0.000 0.000 ");
  EXPECT_EQ(slurp(dir / "z.eva"), "0 0.000 0.000 0.000 0.0 0.0 ");
  EXPECT_NE(slurp(dir / "z.txt").find("#Nodes(Total=0) C(0/0.0%) O(0/0.0%) T(0/0.0%)\n"
                                      "GlobalMeasures 0.000000 0.000000 0.000000\n"),
            std::string::npos);
  EXPECT_EQ(slurp(dir / "z.pro"), "");
}

TEST_F(Results, LayoutFiguresAndOddItems) {
  ErrorCapture errors;
  auto c = readText(
      "CIR k a(in,8) y(out,8)\nITM r(REG) d(in,8) c(clk,1) q(out,8)\nLINK k.a -> r.d\nLINK r.q -> k.y\n");
  c->getItemPtr("r")->toSreg();  // +40 area, +3 item bits
  c->addPrimaryPort("SCAN_IN0", 1, IN);
  c->setNotation("0");
  c->setFitness(12.3456);
  c->addItem("b", I_UNKNOWN)->addPort("x", 2, IN);
  testAnalyser().controllabilityFigures(*c);
  writeParameters(*c, measuresOf(*c), testFiles());
  // total 8+1+8 + 8+1+8 + 1+1+1 + 2 = 39 bits, 17 controllable (k.a, r.d,
  // SCAN_IN0: the register has no clock); pins 17 of 16, area 120 of 80.
  EXPECT_EQ(slurp(dir / "k.par"), "'0' 39 0.000 43.6 0.0 6.250 50.000 12.346 ");
  writePropagationFile(*c, testFiles());
  const std::string pro = slurp(dir / "k.pro");
  EXPECT_EQ(pro.substr(0, pro.find('\n') + 1), "I b.x -(0.000000) -(0.000000);\n");
  EXPECT_NE(errors.text().find("Circuit::dumpPropagInfo - Unknown item type"), std::string::npos);
}

TEST_F(Results, ControllableButUnobservedPort) {
  ErrorCapture errors;
  auto c = readText("CIR u a(in,8) y(out,8)\nITM m(MUX) a(in,8) q(out,8)\nLINK u.a -> m.a\n");
  analyseFull(*c);
  writeTextTable(*c, testFiles());
  writeHtmlTable(*c, testFiles());
  // tst is half the con, shown as 0 in the text table and as it is (red) in HTML.
  EXPECT_NE(slurp(dir / "u.txt").find("m.q(8) 1.000000 0.000000 0.000000\n"), std::string::npos);
  EXPECT_NE(slurp(dir / "u.html").find("<TR><TD class=portname>m.q (8)</TD><TD class=testport>1.000000</TD>"
                                       "<TD class=nontestport>0.000000</TD><TD class=nontestport>0.500000</TD>"
                                       "<TR>"),
            std::string::npos);
  EXPECT_NE(slurp(dir / "u.pro").find("U O u.y -(0.0) O(0.0);\nU I u.a I(0.0) -(0.0);\n"),
            std::string::npos);
}

TEST_F(Results, FileNamesStayInTheResultFolder) {
  ErrorCapture errors;
  Circuit c("../up/x.y");
  writeParameters(c, measuresOf(c), testFiles());
  exportGraphviz(c, testFiles());
  EXPECT_TRUE(fs::exists(dir / ".._up_x.y.par"));
  EXPECT_TRUE(fs::exists(dir / "___up_x_y.dot"));
  EXPECT_EQ(fileCount(), 2);
}

}  // namespace
