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
  auto c = loadCheckedCircuit(kTimer, {}, {}, systemProcessRunner(), excluded, problems);
  ASSERT_TRUE(c) << errors.text();
  EXPECT_TRUE(problems.empty());
  ASSERT_EQ(excluded.size(), 2u);
  ASSERT_TRUE(excluded.ruleOf("count"));
  EXPECT_EQ(*excluded.ruleOf("count"), "CLK-1");
  ASSERT_TRUE(excluded.ruleOf("expired"));
  EXPECT_EQ(*excluded.ruleOf("expired"), "RST-1");
  // The test-mode pin makes both scannable.
  c = loadCheckedCircuit(kTimer, {}, {{"test_mode", true}}, systemProcessRunner(), excluded, problems);
  ASSERT_TRUE(c);
  EXPECT_TRUE(excluded.empty());
}

TEST(Scannable, DescriptionsHaveNothingToCheck) {
  ErrorCapture errors;
  ScanExclusions excluded;
  std::vector<std::string> problems;
  const std::string diffeq = std::string(TARVEX_EXAMPLES) + "/diffeq";
  EXPECT_TRUE(loadCheckedCircuit(diffeq, {}, {}, systemProcessRunner(), excluded, problems));
  EXPECT_TRUE(excluded.empty());
  EXPECT_FALSE(loadCheckedCircuit(diffeq, {}, {{"rst_n", true}}, systemProcessRunner(), excluded, problems));
  ASSERT_EQ(problems.size(), 1u);
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
    CliEnv env{clock, systemProcessRunner(), false};
    nerrors = 0;
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
  for (const auto& r : nlohmann::json::parse(again)["registers"]) EXPECT_FALSE(r.contains("scannable"));
  EXPECT_EQ(run({"analyse", kTimer, "--test-mode", "test_mode"}), 2);
}

}  // namespace
