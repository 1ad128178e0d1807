// `tarvex check`: its words, lines, summary, JSON file and exit status.
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "checks_util.h"
#include "base/clock.h"
#include "base/diagnostics.h"
#include "base/run_context.h"
#include "cli/check_command.h"

namespace {

namespace fs = std::filesystem;

// Runs the command in a fresh folder; its output and errors as text.
class CheckCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("tarvex_check_" + std::to_string(::getpid()) + "_" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    home = fs::current_path();
    fs::current_path(dir);
  }
  void TearDown() override {
    fs::current_path(home);
    fs::remove_all(dir);
  }

  int run(const std::vector<std::string>& words) {
    std::FILE* o = std::tmpfile();
    std::FILE* e = std::tmpfile();
    Diagnostics diagnostics(e);
    RunContext context{diagnostics, systemClock(), systemProcessRunner(), "", AnalysisOptions{}};
    const int status = checkCommand(words, context, o);
    out = slurp(o);
    err = slurp(e);
    return status;
  }

  static std::string slurp(std::FILE* f) {
    std::fflush(f);
    std::rewind(f);
    std::string text;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
    std::fclose(f);
    return text;
  }

  fs::path dir, home;
  std::string out, err;
};

TEST_F(CheckCommand, ErrorsGiveExitStatusOneWithOneLineEach) {
  EXPECT_EQ(run({checkDesign("clk1_gated.v")}), 1);
  EXPECT_EQ(out.rfind("CLK-1 error q clk1_gated.v:4: Its clock net 'gclk' comes from logic", 0), 0u) << out;
  EXPECT_NE(out.find("Design 'clk1_gated': 0 of 4 flip-flops in 0 of 1 register can be scanned\n"), std::string::npos);
  EXPECT_NE(out.find("Findings: CLK-1 1 CLK-2 0 RST-1 0"), std::string::npos) << out;
  EXPECT_NE(out.find("1 error, 0 warnings, 0 infos\n"), std::string::npos) << out;
  EXPECT_EQ(err, "");
}

TEST_F(CheckCommand, WarningsAloneAndRepeatedTestModePinsGiveZero) {
  EXPECT_EQ(run({checkDesign("rst2_noreset.v")}), 0);
  EXPECT_NE(out.find("RST-2 warning q rst2_noreset.v:3: "), std::string::npos) << out;
  EXPECT_EQ(run({checkDesign("rst1_internal.v"), "--test-mode", "test_mode=1", "--test-mode=rst_n=1"}), 0) << out;
  EXPECT_EQ(run({checkDesign("rst1_internal.v"), "--test-mode", "rst_n=1"}), 1) << out;
}

TEST_F(CheckCommand, JsonCarriesTheFindingsAndTheSummary) {
  ASSERT_EQ(run({checkDesign("rst1_soft.v"), "--json", "--test-mode", "soft_en=1"}), 1);
  EXPECT_NE(out.find("Wrote 'rst1_soft.check.json'"), std::string::npos) << out;
  std::ifstream in(dir / "rst1_soft.check.json");
  const nlohmann::json doc = nlohmann::json::parse(in);
  EXPECT_EQ(doc["design"], "rst1_soft");
  EXPECT_EQ(doc["test_mode"]["soft_en"], 1);
  ASSERT_EQ(doc["findings"].size(), 1u);
  EXPECT_EQ(doc["findings"][0]["rule"], "RST-1");
  EXPECT_EQ(doc["findings"][0]["severity"], "error");
  EXPECT_EQ(doc["findings"][0]["location"], "rst1_soft.v:8");
  EXPECT_EQ(doc["summary"]["flip_flops"], 5);
  EXPECT_EQ(doc["summary"]["scannable_flip_flops"], 1);
  EXPECT_EQ(doc["summary"]["findings"]["RST-1"], 1);
  EXPECT_EQ(doc["summary"]["findings"].size(), 10u);
  bool killScannable = false, qScannable = true;
  for (const auto& r : doc["registers"]) {
    if (r["name"] == "kill") killScannable = r["scannable"];
    if (r["name"] == "q") qScannable = r["scannable"];
  }
  EXPECT_TRUE(killScannable);
  EXPECT_FALSE(qScannable);
}

TEST_F(CheckCommand, WrongUsageGivesTwoAndUnreadableInputOne) {
  EXPECT_EQ(run({}), 2);
  EXPECT_NE(err.find("FILE missing"), std::string::npos);
  EXPECT_EQ(run({"a.v", "b.v"}), 2);
  EXPECT_EQ(run({"a.v", "--test-mode", "rst_n"}), 2);
  EXPECT_NE(err.find("--test-mode needs PORT=0 or PORT=1"), std::string::npos) << err;
  EXPECT_EQ(run({"a.v", "--test-mode"}), 2);
  EXPECT_EQ(run({"a.v", "--frobnicate"}), 2);
  EXPECT_EQ(run({"a.v", "--json=1"}), 2);
  EXPECT_EQ(run({"--help"}), 0);
  EXPECT_NE(out.find("--test-mode PORT=VALUE"), std::string::npos);

  std::ofstream("c.cir") << "CIR c\n";
  EXPECT_EQ(run({"c.cir"}), 1);
  EXPECT_NE(err.find("ERROR(1): 'c.cir' is not a Verilog design or a Yosys netlist"), std::string::npos) << err;
  EXPECT_EQ(run({"missing.json"}), 1);
  EXPECT_NE(err.find("Can't open input file 'missing.json'"), std::string::npos) << err;
  std::ofstream("bad.json") << "{\"modules\": {\"m\": {}}}";
  EXPECT_EQ(run({"bad.json", "--test-mode", "x=1"}), 1);
  EXPECT_NE(err.find("ERROR(1): --test-mode x: the design 'm' has no input 'x'!"), std::string::npos) << err;
}

}  // namespace
