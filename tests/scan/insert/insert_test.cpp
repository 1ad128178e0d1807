// `tarvex insert` end to end: the files it writes, the table it prints, and
// the counted errors for what cannot take scan chains (yosys runs for real).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "spawn_util.h"

namespace fs = std::filesystem;
using spawntest::runTarvex;

namespace {

class Insert : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("tarvex_insert_" + std::to_string(::getpid()) + "_" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }

  void write(const std::string& name, const std::string& text) { std::ofstream(dir / name) << text; }
  void copyExample(const std::string& from, const std::string& name) {
    fs::copy_file(fs::path(TARVEX_EXAMPLES) / from, dir / name);
  }

  fs::path dir;
};

constexpr const char* kTwoClocks = R"(module two(input c1, input c2, input [3:0] d, output [3:0] q);
  reg [3:0] a, b;
  always @(posedge c1) a <= d;
  always @(posedge c2) b <= a;
  assign q = b;
endmodule
)";

TEST_F(Insert, WritesTheDesignAndItsChainDescriptionAndPrintsTheTable) {
  copyExample("verilog/diffeq.v", "diffeq.v");
  const auto r = runTarvex(dir, {"insert", "diffeq.v", "--layout", "x_var,u_var.y_var"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string verilog = spawntest::slurp(dir / "diffeq_solver_scan.v");
  EXPECT_NE(verilog.find("module diffeq_solver("), std::string::npos);
  EXPECT_NE(verilog.find("input SCAN_MODE;"), std::string::npos);
  EXPECT_NE(verilog.find("output SCAN_OUT1;"), std::string::npos);
  EXPECT_NE(verilog.find("x_var"), std::string::npos);  // registers keep their names
  const auto chains = nlohmann::json::parse(spawntest::slurp(dir / "diffeq_solver_scan.chains.json"));
  EXPECT_EQ(chains["module"], "diffeq_solver");
  ASSERT_EQ(chains["chains"].size(), 2u);
  EXPECT_EQ(chains["chains"][0]["length"], 32);  // two 16-bit registers
  EXPECT_EQ(chains["chains"][0]["flops"][16]["register"], "u_var");
  EXPECT_EQ(chains["chains"][0]["flops"][16]["bit"], 0);
  EXPECT_NE(r.out.find("Wrote 'diffeq_solver_scan.v' and 'diffeq_solver_scan.chains.json': 2 scan chain(s), "
                       "48 flip-flop(s) scanned"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("0      SCAN_IN0  SCAN_OUT0      32  clk rising   x_var[16] u_var[16]\n"), std::string::npos)
      << r.out;

  const auto json = runTarvex(dir, {"insert", "diffeq.v", "--layout", "-1", "--out", "sub", "--json"});
  ASSERT_EQ(json.status, 0) << json.err;
  EXPECT_TRUE(fs::exists(dir / "sub" / "diffeq_solver_scan.v"));
  EXPECT_EQ(nlohmann::json::parse(json.out)["chains"].size(), 0u);
}

TEST_F(Insert, CountsAnErrorForWhatCannotTakeChains) {
  copyExample("diffeq", "diffeq");
  copyExample("verilog/cpu.v", "cpu.v");
  write("latch.v", "module l(input en, input [1:0] d, input clk, output [1:0] q);\n  reg [1:0] lat, r;\n"
                   "  always @* if (en) lat = d;\n  always @(posedge clk) r <= lat;\n  assign q = r;\nendmodule\n");
  write("two.v", kTwoClocks);
  struct Case {
    std::vector<std::string> args;
    std::string expected;
  };
  const Case cases[] = {
      {{"insert", "diffeq", "--layout", "-1"}, "ERROR(1): 'diffeq' is a circuit description"},
      {{"insert", "cpu.v", "--layout", "pc,nosuch"}, "unknown register 'nosuch'"},
      {{"insert", "latch.v", "--layout", "r,lat"}, "ERROR(1): latch.v:3: layout 'r,lat': register 'lat' cannot be scanned (LAT-1"},
      {{"insert", "two.v", "--layout", "a,b"}, "register 'b' in chain 0 is clocked on the rising edge of c2"},
      {{"insert", "two.v", "--layout", "a", "-o", "two.v"}, "would overwrite the input design"},
  };
  for (const Case& c : cases) {
    const auto r = runTarvex(dir, c.args);
    EXPECT_EQ(r.status, 1) << c.expected;
    EXPECT_NE(r.err.find(c.expected), std::string::npos) << r.err;
  }
  EXPECT_TRUE(fs::exists(dir / "two.v"));
  EXPECT_EQ(runTarvex(dir, {"insert", "two.v", "--layout", "a.b", "-o", "ok.v"}).status, 0);  // a chain per clock
  EXPECT_EQ(runTarvex(dir, {"insert", "two.v"}).status, 2);  // --layout missing
  EXPECT_EQ(runTarvex(dir, {"insert", "two.v", "--layout", "a", "--test-mode", "x"}).status, 2);
  EXPECT_EQ(runTarvex(dir, {"optimise", "diffeq", "--write-verilog", "x.v"}).status, 2);
}

// A register the checks find unscannable never goes into a chain: insert
// refuses a layout naming it (unless a test-mode pin makes it scannable), and
// optimise --write-verilog shows and writes its layout by name without it.
constexpr const char* kGatedClock = R"(module ex3(input clk, input en, input [3:0] d, output [3:0] y);
  wire gclk = clk & en;
  reg [3:0] a, b, c;
  always @(posedge gclk) a <= d;
  always @(posedge clk) b <= a + d;
  always @(posedge clk) c <= b ^ a;
  assign y = c;
endmodule
)";

TEST_F(Insert, LayoutsNamingUnscannableRegistersAreRefused) {
  write("ex3.v", kGatedClock);
  const auto refused = runTarvex(dir, {"insert", "ex3.v", "--layout", "a,b", "-o", "r.v"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("ex3.v:4: layout 'a,b': register 'a' cannot be scanned (CLK-1"), std::string::npos)
      << refused.err;
  EXPECT_FALSE(fs::exists(dir / "r.v"));
  EXPECT_EQ(runTarvex(dir, {"insert", "ex3.v", "--layout", "b", "-o", "b.v"}).status, 0);

  const auto optimised = runTarvex(dir, {"optimise", "ex3.v", "--method", "full", "--write-verilog", "o.v"});
  ASSERT_EQ(optimised.status, 0) << optimised.err;
  EXPECT_NE(optimised.out.find("Layout 'b,c'"), std::string::npos) << optimised.out;
  const auto chains = nlohmann::json::parse(spawntest::slurp(dir / "o.chains.json"));
  ASSERT_EQ(chains["chains"].size(), 1u);
  EXPECT_EQ(chains["chains"][0]["flops"][0]["register"], "b");
  EXPECT_EQ(chains["chains"][0]["length"], 8);

  write("timer.v", spawntest::slurp(fs::path(TARVEX_EXAMPLES) / "verilog/timer.v"));
  EXPECT_EQ(runTarvex(dir, {"insert", "timer.v", "--layout", "count", "-o", "t.v"}).status, 1);
  EXPECT_EQ(runTarvex(dir, {"insert", "timer.v", "--layout", "count", "--test-mode", "test_mode=1", "-o", "t.v"}).status,
            0);
}

}  // namespace
