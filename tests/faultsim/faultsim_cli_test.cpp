// `tarvex faultsim` and `compare --faultsim` end to end, with yosys.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

#include "spawn_util.h"

namespace {

namespace fs = std::filesystem;
using spawntest::RunResult;

constexpr const char* kCounter = R"(module cnt(input clk, input rst, input en, input [1:0] d, output [1:0] q, output z);
  reg [1:0] count;
  reg [1:0] hold;
  always @(posedge clk) begin
    if (rst) count <= 0; else if (en) count <= count + 1;
    hold <= d ^ count;
  end
  assign q = count;
  assign z = &hold;
endmodule
)";

class FaultsimCli : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("tarvex_faultsim_" + std::to_string(::getpid()) + "_" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    std::ofstream(dir / "cnt.v") << kCounter;
  }
  void TearDown() override { fs::remove_all(dir); }
  RunResult run(const std::vector<std::string>& args) { return spawntest::runTarvex(dir, args); }
  nlohmann::json json(const std::string& name) { return nlohmann::json::parse(spawntest::slurp(dir / name)); }
  fs::path dir;
};

TEST_F(FaultsimCli, FullScanReportsCoverageFilesAndCorrelation) {
  const RunResult r = run({"faultsim", "cnt.v", "--method", "full", "--seed", "5", "--patterns", "300", "--json",
                           "--write-faults", "f.txt", "--write-patterns", "p.txt", "--write-netlist", "n.json"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("uncollapsed"), std::string::npos);
  const nlohmann::json d = json("cnt.faultsim.json");
  EXPECT_EQ(d.at("scan_flip_flops"), 4);
  EXPECT_EQ(d.at("coverage").at("patterns"), 300);
  EXPECT_GT(d.at("coverage").at("coverage_percent").get<double>(), 50.0);
  EXPECT_FALSE(d.at("curve").empty());
  EXPECT_GE(d.at("registers_and_ports").size(), 4u);
  EXPECT_TRUE(d.at("spearman").is_number() || d.at("spearman").is_null());
  // One fault per line, one pattern per line after the three header lines.
  const std::string faults = spawntest::slurp(dir / "f.txt");
  EXPECT_EQ(static_cast<long>(std::count(faults.begin(), faults.end(), '\n')), d.at("coverage").at("faults").get<long>());
  const std::string patterns = spawntest::slurp(dir / "p.txt");
  EXPECT_EQ(std::count(patterns.begin(), patterns.end(), '\n'), 303);
  EXPECT_TRUE(nlohmann::json::parse(spawntest::slurp(dir / "n.json")).contains("modules"));
  // The same seed, the same results.
  const RunResult again = run({"faultsim", "cnt.v", "--method", "full", "--seed", "5", "--patterns", "300",
                               "--write-faults", "g.txt"});
  EXPECT_EQ(spawntest::slurp(dir / "g.txt"), faults);
}

TEST_F(FaultsimCli, ScanningBuysCoverage) {
  const RunResult none = run({"faultsim", "cnt.v", "--method", "none", "--exhaustive", "--json", "--out", "a"});
  const RunResult full = run({"faultsim", "cnt.v", "--method", "full", "--exhaustive", "--json", "--out", "b"});
  ASSERT_EQ(none.status, 0) << none.err;
  ASSERT_EQ(full.status, 0) << full.err;
  EXPECT_LT(json("a/cnt.faultsim.json").at("coverage").at("detected"),
            json("b/cnt.faultsim.json").at("coverage").at("detected"));
}

TEST_F(FaultsimCli, RefusesWhatCannotBeSimulated) {
  std::ofstream(dir / "c.cir") << "CIR c a(in,1) \n";
  RunResult r = run({"faultsim", "c.cir"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("has no gates"), std::string::npos) << r.err;
  r = run({"faultsim", "cnt.v", "--method", "full", "--exhaustive", "--capture-cycles", "6"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("--exhaustive"), std::string::npos) << r.err;
  for (const std::vector<std::string>& words :
       {std::vector<std::string>{"faultsim"}, {"faultsim", "cnt.v", "--layout", "count", "--method", "full"},
        {"faultsim", "cnt.v", "--patterns", "0"}, {"faultsim", "cnt.v", "--method", "best"},
        {"faultsim", "cnt.v", "--exhaustive", "--patterns", "5"}, {"faultsim", "cnt.v", "--bogus"}})
    EXPECT_EQ(run(words).status, 2) << words.back();
  std::ofstream(dir / "bad.v") << "module bad(input a, output y);\n  assign y = a &;\nendmodule\n";
  r = run({"faultsim", "bad.v"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("bad.v:2"), std::string::npos) << r.err;
}

// As optimise does, a method leaves out the registers the checks find
// unscannable, a given layout naming one is refused, and test-mode pins count.
TEST_F(FaultsimCli, UnscannableRegistersStayOutOfTheSimulatedLayout) {
  std::ofstream(dir / "timer.v") << spawntest::slurp(fs::path(TARVEX_EXAMPLES) / "verilog/timer.v");
  RunResult r = run({"faultsim", "timer.v", "--method", "full", "--patterns", "64", "--seed", "1"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("2 register(s) cannot be scanned and are left out of every layout"), std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("(0 scanned)"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("has no flip-flop"), std::string::npos) << r.out;
  r = run({"faultsim", "timer.v", "--layout", "count", "--patterns", "64", "--seed", "1"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("register 'count' cannot be scanned (CLK-1"), std::string::npos) << r.err;
  r = run({"faultsim", "timer.v", "--layout", "count", "--test-mode", "test_mode=1", "--patterns", "64", "--seed",
           "1"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(run({"faultsim", "timer.v", "--test-mode", "test_mode"}).status, 2);
}

// The gate-level mapping models an asynchronous reset with gates after the
// flip-flop; scan still loads that flip-flop, and every one of them is found.
TEST_F(FaultsimCli, RegistersWithAnAsyncResetAreScanned) {
  std::ofstream(dir / "acnt.v") << "module acnt(input clk, input rst, output reg [3:0] c);\n"
                                   "  always @(posedge clk or posedge rst) if (rst) c <= 0; else c <= c + 1;\n"
                                   "endmodule\n";
  const RunResult none = run({"faultsim", "acnt.v", "--method", "none", "--seed", "1", "--json", "--out", "a"});
  const RunResult full = run({"faultsim", "acnt.v", "--method", "full", "--seed", "1", "--json", "--out", "b"});
  ASSERT_EQ(none.status, 0) << none.err;
  ASSERT_EQ(full.status, 0) << full.err;
  EXPECT_EQ(full.out.find("has no flip-flop"), std::string::npos) << full.out;
  EXPECT_NE(full.out.find("4 flip-flops (4 scanned)"), std::string::npos) << full.out;
  const nlohmann::json n = json("a/acnt.faultsim.json"), f = json("b/acnt.faultsim.json");
  EXPECT_TRUE(f.at("unmapped_registers").empty());
  EXPECT_LT(n.at("coverage").at("detected"), f.at("coverage").at("detected"));
  // The examples with asynchronous resets map every scanned register too.
  for (const std::string design : {"fir", "timer"}) {
    std::ofstream(dir / (design + ".v")) << spawntest::slurp(fs::path(TARVEX_EXAMPLES) / "verilog" / (design + ".v"));
    std::vector<std::string> words = {"faultsim", design + ".v", "--method", "full", "--patterns", "64", "--seed", "1"};
    if (design == "timer") words.insert(words.end(), {"--test-mode", "test_mode=1"});
    const RunResult r = run(words);
    ASSERT_EQ(r.status, 0) << design << r.err;
    EXPECT_EQ(r.out.find("has no flip-flop"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("(0 scanned)"), std::string::npos) << r.out;
  }
}

TEST_F(FaultsimCli, CompareAddsCoverageWithTheSamePatterns) {
  const RunResult r = run({"compare", "cnt.v", "--faultsim", "--patterns", "200", "--seed", "3", "--json",
                           "--patience", "5"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("SA cov %"), std::string::npos);
  const nlohmann::json d = json("cnt.compare.json");
  double none = -1, full = -1;
  for (const nlohmann::json& row : d.at("rows")) {
    ASSERT_TRUE(row.contains("stuck_at_coverage_percent")) << row.dump();
    if (row.at("method") == "none") none = row.at("stuck_at_coverage_percent");
    if (row.at("method") == "full") full = row.at("stuck_at_coverage_percent");
  }
  EXPECT_LT(none, full);
  // Without --faultsim the table stays as it was.
  const RunResult plain = run({"compare", "cnt.v", "--seed", "3", "--patience", "5"});
  EXPECT_EQ(plain.out.find("SA cov"), std::string::npos);
}

TEST_F(FaultsimCli, TheMeasureOfTheWordLevelFiguresIsChosenAndNamed) {
  const std::vector<std::string> common = {"faultsim", "cnt.v", "--method", "full", "--seed", "5", "--patterns",
                                           "200", "--json", "--out"};
  auto with = [&](std::vector<std::string> extra, const std::string& out) {
    std::vector<std::string> args = common;
    args.push_back(out);
    args.insert(args.end(), extra.begin(), extra.end());
    return run(args);
  };
  const RunResult byDefault = with({}, "d");
  const RunResult classic = with({"--measure", "classic"}, "c");
  const RunResult fixpoint = with({"--measure=fixpoint"}, "f");
  ASSERT_EQ(byDefault.status, 0) << byDefault.err;
  ASSERT_EQ(classic.status, 0) << classic.err;
  ASSERT_EQ(fixpoint.status, 0) << fixpoint.err;
  EXPECT_NE(byDefault.out.find("Measure fixpoint"), std::string::npos);
  EXPECT_EQ(classic.out.find("Measure"), std::string::npos);  // the classic measure goes unnamed, as before
  const nlohmann::json d = json("d/cnt.faultsim.json"), c = json("c/cnt.faultsim.json"),
                       f = json("f/cnt.faultsim.json");
  EXPECT_EQ(d.at("measure"), "fixpoint");
  EXPECT_EQ(c.at("measure"), "classic");
  EXPECT_EQ(f.at("registers_and_ports"), d.at("registers_and_ports"));
  // The same layout and patterns: the same coverage, with each measure's word-level testability beside it.
  EXPECT_EQ(c.at("coverage"), f.at("coverage"));
  ASSERT_EQ(c.at("registers_and_ports").size(), f.at("registers_and_ports").size());
  bool differs = false;
  for (size_t k = 0; k < c.at("registers_and_ports").size(); ++k) {
    const nlohmann::json &a = c.at("registers_and_ports")[k], &b = f.at("registers_and_ports")[k];
    EXPECT_EQ(a.at("name"), b.at("name"));
    EXPECT_EQ(a.at("detected"), b.at("detected"));
    differs = differs || a.at("testability") != b.at("testability");
  }
  EXPECT_TRUE(differs);
  const RunResult wrong = run({"faultsim", "cnt.v", "--measure", "best"});
  EXPECT_EQ(wrong.status, 2);
  EXPECT_NE(wrong.err.find("--measure is 'classic' or 'fixpoint', not 'best'"), std::string::npos) << wrong.err;
}

TEST_F(FaultsimCli, CompareNamesItsMeasureAndRanksByIt) {
  for (const std::string measure : {"classic", "fixpoint"}) {
    const RunResult r = run({"compare", "cnt.v", "--faultsim", "--patterns", "200", "--seed", "3", "--json",
                             "--patience", "5", "--measure", measure, "--out", measure});
    ASSERT_EQ(r.status, 0) << r.err;
    const nlohmann::json d = json(measure + "/cnt.compare.json");
    EXPECT_EQ(d.at("measure"), measure);
    // Each row's rank correlation is that of `faultsim` with the row's layout under the same measure.
    for (const nlohmann::json& row : d.at("rows")) {
      if (row.at("method") != "full") continue;
      const RunResult f = run({"faultsim", "cnt.v", "--method", "full", "--seed", "3", "--patterns", "200",
                               "--json", "--out", measure + "-full", "--measure", measure});
      ASSERT_EQ(f.status, 0) << f.err;
      EXPECT_EQ(row.at("coverage_spearman"), json(measure + "-full/cnt.faultsim.json").at("spearman")) << measure;
    }
  }
}

}  // namespace
