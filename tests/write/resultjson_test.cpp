// What NAME.json gives the front end beyond the figures: the loop-breaking
// set (the one `optimise --method loops` scans) and the propagation sources
// of every port (the steps the .pro record lists).
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "slurp.h"
#include "spawn_util.h"

namespace fs = std::filesystem;
using Json = nlohmann::json;
using spawntest::slurp;

namespace {

class ResultJson : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("tarvex_resultjson_" + std::to_string(::getpid()) + "_" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::copy_file(fs::path(TARVEX_EXAMPLES) / "diffeq", dir / "diffeq");
    fs::copy_file(fs::path(TARVEX_TEST_DATA) / "loops" / "loops7", dir / "loops7");
  }
  void TearDown() override { fs::remove_all(dir); }
  // Runs tarvex with `args` and returns the NAME.json it wrote.
  Json run(const std::vector<std::string>& args, const std::string& name) {
    const spawntest::RunResult r = spawntest::runTarvex(dir, args);
    EXPECT_EQ(r.status, 0) << r.err;
    return Json::parse(slurp(dir / (name + ".json")));
  }
  static std::vector<std::string> names(const Json& list) {
    std::vector<std::string> out;
    for (const Json& n : list) out.push_back(n.get<std::string>());
    return out;
  }

  fs::path dir;
};

}  // namespace

// On loops7 the hub h lies on the most loops, yet the smallest breaking set
// is a1, a2, a3: the recorded set is the loops method's, for every layout.
TEST_F(ResultJson, LoopBreakingSetIsTheLoopsMethodsChoice) {
  const Json loops = run({"optimise", "loops7", "--method", "loops", "--json"}, "loops7");
  ASSERT_EQ(loops["chains"].size(), 1u);
  const std::vector<std::string> scanned = names(loops["chains"][0]);
  EXPECT_EQ(scanned, (std::vector<std::string>{"a3", "a2", "a1"}));
  for (const auto& layout : {std::string(), std::string("h.b1,b2")}) {
    std::vector<std::string> args{"analyse", "loops7", "--json"};
    if (!layout.empty()) args.insert(args.end(), {"--layout", layout});
    const Json d = run(args, "loops7");
    EXPECT_EQ(names(d["loop_breaking"]["registers"]), scanned) << layout;
    EXPECT_TRUE(d["loop_breaking"]["minimum"].get<bool>());
  }
  // diffeq: its self-loop, the adder loops and one of the multiplier pair.
  const Json diffeq = run({"analyse", "diffeq", "--json"}, "diffeq");
  EXPECT_EQ(names(diffeq["loop_breaking"]["registers"]), (std::vector<std::string>{"reg1", "reg5", "reg6"}));
}

// Every port has one entry, in the order of "ports", naming the same sources
// as the .pro record of the same run.
TEST_F(ResultJson, PropagationMatchesTheProRecord) {
  const Json d = run({"analyse", "diffeq", "--layout", "0.5", "--json"}, "diffeq");
  const Json& ports = d["ports"];
  const Json& steps = d["propagation"];
  ASSERT_EQ(steps.size(), ports.size());
  // .pro: "KIND TYPE item.port conSource(con) obsSource(obs);", '-' for none.
  std::map<std::string, std::pair<std::string, std::string>> pro;
  std::istringstream lines(slurp(dir / "diffeq.pro"));
  for (std::string line; std::getline(lines, line);) {
    std::istringstream fields(line);
    std::string kind, type, port, con, obs;
    fields >> kind >> type >> port >> con >> obs;
    pro[port] = {con.substr(0, con.find('(')), obs.substr(0, obs.find('('))};
  }
  for (size_t k = 0; k < steps.size(); ++k) {
    const std::string name = ports[k]["name"];
    ASSERT_EQ(steps[k]["port"], name);
    ASSERT_TRUE(pro.count(name)) << name;
    const bool primary = name.rfind("diffeq.", 0) == 0;
    auto expected = [primary](const std::string& source) { return primary || source == "-" ? Json() : Json(source); };
    EXPECT_EQ(steps[k]["con_from"], expected(pro[name].first)) << name;
    EXPECT_EQ(steps[k]["obs_from"], expected(pro[name].second)) << name;
  }
}
