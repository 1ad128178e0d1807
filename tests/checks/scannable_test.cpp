// What the checks mean for the other commands: the registers they exclude,
// found again in the imported circuit; analyse refusing a layout that names
// one and marking them in its JSON.
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "base/clock.h"
#include "checks/scannable.h"
#include "checks_util.h"
#include "cli/cli.h"
#include "model/circuitcopy.h"
#include "scan/notation.h"
#include "test_diagnostics.h"
#include "test_util.h"

namespace {

namespace fs = std::filesystem;

const std::string kTimer = std::string(TARVEX_EXAMPLES) + "/verilog/timer.v";

// A clock standing still.
class FixedClock final : public Clock {
 public:
  double seconds() override { return 0.0; }
  std::uint64_t seedFromTime() override { return 1; }
};

TEST(Scannable, ErrorLevelRegistersAreExcludedByItemName) {
  ErrorCapture errors;
  ScanExclusions excluded;
  std::vector<std::string> problems;
  auto c = loadCheckedCircuit(kTimer, {}, {}, systemProcessRunner(), excluded, problems, testDiagnostics());
  ASSERT_TRUE(c) << errors.text();
  EXPECT_TRUE(problems.empty());
  ASSERT_EQ(excluded.size(), 2u);
  ASSERT_TRUE(excluded.ruleOf("count"));
  EXPECT_EQ(*excluded.ruleOf("count"), "CLK-1");
  ASSERT_TRUE(excluded.ruleOf("expired"));
  EXPECT_EQ(*excluded.ruleOf("expired"), "RST-1");
  // The test-mode pin makes both scannable.
  c = loadCheckedCircuit(kTimer, {}, {{"test_mode", true}}, systemProcessRunner(), excluded, problems, testDiagnostics());
  ASSERT_TRUE(c);
  EXPECT_TRUE(excluded.empty());
}

TEST(Scannable, DescriptionsHaveNothingToCheck) {
  ErrorCapture errors;
  ScanExclusions excluded;
  std::vector<std::string> problems;
  const std::string diffeq = std::string(TARVEX_EXAMPLES) + "/diffeq";
  EXPECT_TRUE(loadCheckedCircuit(diffeq, {}, {}, systemProcessRunner(), excluded, problems, testDiagnostics()));
  EXPECT_TRUE(excluded.empty());
  EXPECT_FALSE(loadCheckedCircuit(diffeq, {}, {{"rst_n", true}}, systemProcessRunner(), excluded, problems, testDiagnostics()));
  ASSERT_EQ(problems.size(), 1u);
}

TEST(Scannable, AnExcludedRegisterIsNoLayoutRegisterAlsoInCopies) {
  ErrorCapture errors;
  ScanExclusions excluded;
  std::vector<std::string> problems;
  auto c = loadCheckedCircuit(checkDesign("rst1_internal.v"), {}, {}, systemProcessRunner(), excluded, problems, testDiagnostics());
  ASSERT_TRUE(c) << errors.text();
  ASSERT_EQ(c->getNREGs(), 3);
  Item* q = nullptr;
  for (Item* i = c->getIList(); i; i = i->getNext())
    if (i->getName() == "q") q = i;
  ASSERT_TRUE(q && excluded.ruleOf("q"));
  ASSERT_TRUE(c->excludeFromLayouts(q));
  EXPECT_FALSE(c->excludeFromLayouts(q));  // once only
  EXPECT_EQ(c->getNREGs(), 2);
  EXPECT_EQ(LayoutRegisters(*c).indexOf("q"), -1);
  auto copy = copyCircuit(*c);
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->getNREGs(), 2);
  EXPECT_EQ(LayoutRegisters(*copy).indexOf("q"), -1);
  EXPECT_NE(LayoutRegisters(*copy).indexOf("sync1"), -1);
}

// Runs `tarvex WORDS...` in a fresh folder.
class ScannableCli : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("tarvex_scannable_" + std::to_string(::getpid()) + "_" +
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
  int run(std::vector<std::string> words) {
    words.insert(words.begin(), "tarvex");
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    FixedClock clock;
    CliEnv env{{testContext().diagnostics, clock, systemProcessRunner(), "", AnalysisOptions{}}, false};
    const int status = cliMain(static_cast<int>(words.size()), argv.data(), env);
    std::fflush(stdout);
    return status;
  }
  fs::path dir, home;
};

TEST_F(ScannableCli, AnalyseRefusesALayoutNamingAnUnscannableRegister) {
  ErrorCapture errors;
  EXPECT_EQ(run({"analyse", kTimer, "--layout", "expired"}), 1);
  EXPECT_NE(errors.text().find("Layout 'expired': register 'expired' cannot be scanned (RST-1, see 'tarvex check')!"),
            std::string::npos)
      << errors.text();
  EXPECT_FALSE(fs::exists("timer.txt"));
}

TEST_F(ScannableCli, AnalyseMarksUnscannableRegistersInItsJson) {
  ErrorCapture errors;
  ASSERT_EQ(run({"analyse", kTimer, "--json"}), 0) << errors.text();
  std::ifstream in("timer.json");
  const auto doc = nlohmann::json::parse(in);
  for (const auto& r : doc["registers"]) {
    EXPECT_EQ(r["scannable"], false) << r["name"];
    EXPECT_EQ(r["check_rule"], r["name"] == "count" ? "CLK-1" : "RST-1");
  }
  // Held in test mode, both can be scanned: no mark, and the layout is taken.
  ASSERT_EQ(run({"analyse", kTimer, "--json", "--test-mode", "test_mode=1", "--layout", "expired"}), 0)
      << errors.text();
  std::ifstream again("timer.json");
  const nlohmann::json held = nlohmann::json::parse(again);  // kept alive over the loop
  for (const auto& r : held["registers"]) EXPECT_FALSE(r.contains("scannable"));
  EXPECT_EQ(run({"analyse", kTimer, "--test-mode", "test_mode"}), 2);
}

TEST_F(ScannableCli, MethodsNeverScanAnUnscannableRegister) {
  ErrorCapture errors;
  for (const char* method : {"full", "loops", "exact", "ga"}) {
    SCOPED_TRACE(method);
    ASSERT_EQ(run({"optimise", checkDesign("rst1_internal.v"), "--method", method, "--seed", "1", "--patience", "20",
                   "--json"}),
              0)
        << errors.text();
    std::ifstream in("rst1_internal.json");
    const auto doc = nlohmann::json::parse(in);
    for (const auto& chain : doc["chains"])
      for (const auto& name : chain) EXPECT_NE(name, "q");
    for (const auto& r : doc["registers"]) EXPECT_NE(r["name"], "q");
  }
  // Full scan takes every register the checks allow: both synchronizer stages.
  std::ifstream full;
  ASSERT_EQ(run({"optimise", checkDesign("rst1_internal.v"), "--method", "full", "--json"}), 0);
  full.open("rst1_internal.json");
  EXPECT_EQ(nlohmann::json::parse(full)["chains"], nlohmann::json::parse(R"([["sync1", "sync2"]])"));
  // Held in test mode, q can be scanned again.
  ASSERT_EQ(run({"optimise", checkDesign("rst1_internal.v"), "--method", "full", "--json", "--test-mode",
                 "test_mode=1"}),
            0);
  std::ifstream again("rst1_internal.json");
  EXPECT_EQ(nlohmann::json::parse(again)["registers"].size(), 3u);
}

}  // namespace
