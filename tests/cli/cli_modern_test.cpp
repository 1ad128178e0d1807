// End-to-end tests of the modern command line: help texts, exit statuses,
// usage errors, repeatable seeded runs on a large circuit and NAME.json
// against its documented schema.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>
#include <string>
#include <vector>

#include "datapath.h"
#include "spawn_util.h"

namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;
using spawntest::RunResult;
using spawntest::slurp;

class ModernCli : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("tarvex_modern_" + std::to_string(::getpid()) + "_" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::copy_file(fs::path(TARVEX_EXAMPLES) / "diffeq", dir / "diffeq");
  }
  void TearDown() override { fs::remove_all(dir); }
  RunResult run(const std::vector<std::string>& args) { return spawntest::runTarvex(dir, args); }
  // Writes a generated data path of `nregs` registers; returns its file name.
  std::string datapath(int nregs) {
    const std::string name = "dp" + std::to_string(nregs);
    std::ofstream(dir / name) << registerDatapath(nregs, name);
    return name;
  }
  Json json(const std::string& name) { return Json::parse(slurp(dir / name)); }

  fs::path dir;
};

// Checks every field the schema of docs/json.md requires, with its JSON type.
void expectSchema(const Json& d, bool optimiser) {
  for (const char* s : {"version", "circuit", "method", "objective", "layout"}) EXPECT_TRUE(d.at(s).is_string()) << s;
  EXPECT_TRUE(d.at("seed").is_number_unsigned() || d.at("seed").is_null());
  for (const char* n : {"fitness", "testability", "controllability", "observability", "controllable_percent",
                        "observable_percent", "area_overhead_percent", "pin_overhead_percent"})
    EXPECT_TRUE(d.at(n).is_number()) << n;
  EXPECT_EQ(d.contains("visited"), optimiser);
  EXPECT_EQ(d.contains("elapsed_seconds"), optimiser);
  for (const Json& chain : d.at("chains"))
    for (const Json& r : chain) EXPECT_TRUE(r.is_string());
  for (const Json& r : d.at("registers")) {
    EXPECT_TRUE(r.at("name").is_string());
    EXPECT_TRUE(r.at("scanned").is_boolean());
    EXPECT_TRUE(r.at("chain").is_number_integer());
    EXPECT_TRUE(r.at("position").is_number_integer());
    EXPECT_TRUE(r.at("con").is_number() && r.at("obs").is_number());
    EXPECT_TRUE(r.at("in_loop").is_boolean());
    EXPECT_EQ(r.at("scanned").get<bool>(), r.at("chain").get<int>() >= 0);
  }
  for (const Json& p : d.at("ports")) {
    EXPECT_TRUE(p.at("name").is_string());
    EXPECT_TRUE(p.at("bits").is_number_integer());
    for (const char* n : {"con", "obs", "tst"}) EXPECT_TRUE(p.at(n).is_number()) << n;
  }
  for (const Json& i : d.at("items")) {
    EXPECT_TRUE(i.at("name").is_string() && i.at("kind").is_string());
    for (const Json& p : i.at("ports")) EXPECT_TRUE(p.at("type").is_string() && p.at("bits").is_number_integer());
  }
  for (const Json& l : d.at("links")) EXPECT_TRUE(l.at("from").is_string() && l.at("to").is_string());
  for (const Json& l : d.at("loops")) EXPECT_TRUE(l.at("registers").is_array() && l.at("broken").is_boolean());
}

}  // namespace

TEST_F(ModernCli, HelpTextsAndVersion) {
  RunResult r = run({"help"});
  EXPECT_EQ(r.status, 0);
  for (const char* cmd : {"tarvex analyse FILE", "tarvex optimise FILE", "tarvex import FILE", "tarvex --version"})
    EXPECT_NE(r.out.find(cmd), std::string::npos) << cmd;
  EXPECT_EQ(r.err, "");
  for (const char* cmd : {"analyse", "optimise", "import"}) {
    RunResult page = run({cmd, "--help"});
    EXPECT_EQ(page.status, 0) << cmd;
    EXPECT_EQ(page.out.rfind(std::string(cmd == std::string("import") ? "usage" : "Usage") + ": tarvex " + cmd + " FILE", 0),
              0u)
        << page.out;
    EXPECT_EQ(run({"help", cmd}).out, page.out);
  }
  EXPECT_NE(run({"optimise", "--help"}).out.find("--seed N"), std::string::npos);
  r = run({"--version"});
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(std::regex_match(r.out, std::regex("tarvex [0-9][0-9.]*\n"))) << r.out;
}

TEST_F(ModernCli, UsageErrorsExitWithTwoAndAOneLineHint) {
  const std::vector<std::vector<std::string>> cases = {
      {"analyse"},
      {"analyse", "diffeq", "extra"},
      {"analyse", "diffeq", "--bogus"},
      {"analyse", "diffeq", "--layout"},
      {"optimise", "diffeq", "--population", "0"},
      {"optimise", "diffeq", "--population", "12x"},
      {"optimise", "diffeq", "--patience", "-1"},
      {"optimise", "diffeq", "--area", "-3"},
      {"optimise", "diffeq", "--seed", "abc"},
      {"optimise", "diffeq", "--objective", "best"},
      {"optimise", "diffeq", "--method", "annealing"},
      {"optimise", "diffeq", "--elitism=1"},
      {"help", "nothing"},
  };
  for (const auto& args : cases) {
    RunResult r = run(args);
    EXPECT_EQ(r.status, 2) << args.back();
    EXPECT_EQ(r.out, "") << args.back();
    EXPECT_TRUE(std::regex_match(r.err, std::regex("tarvex " + args[0] + ": [^\n]+ \\(see 'tarvex " + args[0] +
                                                   " --help'\\)\n")))
        << r.err;
  }
  EXPECT_FALSE(fs::exists(dir / "diffeq.par"));
}

TEST_F(ModernCli, CountedErrorsExitWithOneAndLeaveNoResults) {
  RunResult r = run({"analyse", "missing"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "ERROR(1): Can't open DC description file 'missing'!\n");
  r = run({"analyse", "diffeq", "--layout", "reg1,nosuch"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "ERROR(1): Wrong scan layout notation 'reg1,nosuch' (unknown register 'nosuch')!\n");
  EXPECT_FALSE(fs::exists(dir / "diffeq.par"));
  EXPECT_FALSE(fs::exists(dir / "diffeq.json"));
  std::ofstream(dir / "blocked") << "a file where the folder should be";
  r = run({"analyse", "diffeq", "--out", "blocked/sub"});
  EXPECT_EQ(r.status, 1);
}

TEST_F(ModernCli, AnalyseWritesTheClassicResultsAndTheJson) {
  // With the classic measure, the modern command writes what the classic form writes.
  RunResult r = run({"analyse", "diffeq", "--layout", "reg1.reg6", "--out", "res", "--json", "--measure", "classic"});
  ASSERT_EQ(r.status, 0) << r.err;
  for (const char* ext : {".dot", ".pro", ".txt", ".tex", ".html", ".par", ".eva", ".json"})
    EXPECT_TRUE(fs::exists(dir / "res" / (std::string("diffeq") + ext))) << ext;
  EXPECT_FALSE(fs::exists(dir / "diffeq.par"));
  // the named form applies the same layout as its digits
  const std::string par = slurp(dir / "res" / "diffeq.par");
  ASSERT_EQ(run({"diffeq", "-n", "0", "0.5"}).status, 0);
  const std::string classic = slurp(dir / "diffeq.par");
  EXPECT_EQ(par.substr(par.find(' ')), classic.substr(classic.find(' ')));
  EXPECT_EQ(par.rfind("'reg1.reg6' ", 0), 0u);
  const Json d = json("res/diffeq.json");
  expectSchema(d, false);
  EXPECT_EQ(d["circuit"], "diffeq");
  EXPECT_EQ(d["method"], "analyse");
  EXPECT_TRUE(d["seed"].is_null());
  EXPECT_EQ(d["layout"], "reg1.reg6");
  EXPECT_EQ(d["chains"], Json::parse(R"([["reg1"],["reg6"]])"));
  ASSERT_EQ(d["registers"].size(), 6u);
  // entry d is the register that classic digit d names
  for (int k = 0; k < 6; ++k) EXPECT_EQ(d["registers"][k]["name"], "reg" + std::to_string(k + 1));
  EXPECT_EQ(d["controllable_percent"], 100.0);
  // the figures are those of the .par line
  char gt[32];
  std::snprintf(gt, sizeof gt, "%3.3lf", d["testability"].get<double>());
  EXPECT_NE(par.find(std::string(" ") + gt + " "), std::string::npos) << par;
  for (const Json& reg : d["registers"])
    if (reg["name"] == "reg6") {
      EXPECT_EQ(reg["chain"], 1);
      EXPECT_EQ(reg["position"], 0);
      EXPECT_TRUE(reg["in_loop"].get<bool>());
    }
  // the named form works in the classic command line too
  ASSERT_EQ(run({"diffeq", "-n", "0", "reg1.reg6"}).status, 0);
  EXPECT_EQ(slurp(dir / "diffeq.par"), par);
}

TEST_F(ModernCli, SeededRunsRepeatAndTheirLayoutAnalysesBack) {
  const std::string file = datapath(64);
  const std::vector<std::string> args = {"optimise", file, "--seed", "77", "--patience", "15", "--population", "10",
                                         "--json", "--progress"};
  RunResult first = run(args);
  ASSERT_EQ(first.status, 0) << first.err;
  const Json a = json(file + ".json");
  expectSchema(a, true);
  const std::string gar = slurp(dir / (file + ".gar"));
  RunResult second = run(args);
  ASSERT_EQ(second.status, 0) << second.err;
  const Json b = json(file + ".json");
  EXPECT_EQ(a["layout"], b["layout"]);
  EXPECT_EQ(a["fitness"], b["fitness"]);
  EXPECT_EQ(a["seed"], 77);
  EXPECT_EQ(a["objective"], "graded");
  EXPECT_EQ(a["method"], "ga");
  EXPECT_NE(gar.find("Seed: 77\n"), std::string::npos);
  // progress lines, one per generation, machine-readable
  const std::regex line("progress generation=(\\d+) stale=(\\d+) best=[0-9.]+ elapsed=[0-9.]+\n");
  long lines = 0;
  for (auto it = std::sregex_iterator(first.err.begin(), first.err.end(), line); it != std::sregex_iterator(); ++it)
    ++lines;
  EXPECT_GE(lines, 15);
  // the layout found, written with register names, analyses back to the same figures
  const std::string layout = a["layout"];
  ASSERT_FALSE(layout.empty());
  EXPECT_EQ(layout.find_first_not_of("0123456789."), layout.find_first_of("r"));  // named form
  EXPECT_NE(first.out.find("Layout '" + layout + "'"), std::string::npos);
  RunResult back = run({"analyse", file, "--layout", layout, "--json"});
  ASSERT_EQ(back.status, 0) << back.err;
  const Json c = json(file + ".json");
  EXPECT_EQ(c["testability"], a["testability"]);
  EXPECT_EQ(c["controllable_percent"], a["controllable_percent"]);
  EXPECT_EQ(c["area_overhead_percent"], a["area_overhead_percent"]);
  EXPECT_NEAR(c["fitness"].get<double>(), a["fitness"].get<double>(), 1e-9);
  EXPECT_EQ(c["chains"], a["chains"]);
}

TEST_F(ModernCli, WithoutASeedTheDrawnSeedIsPrintedAndRepeatsTheRun) {
  RunResult r = run({"optimise", "diffeq", "--patience", "20", "--json"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");  // standard error is no terminal: no progress
  std::smatch m;
  ASSERT_TRUE(std::regex_search(r.out, m, std::regex("seed (\\d+)\n")));
  const Json a = json("diffeq.json");
  EXPECT_EQ(std::to_string(a["seed"].get<unsigned long long>()), m[1].str());
  ASSERT_EQ(run({"optimise", "diffeq", "--patience", "20", "--json", "--seed", m[1].str()}).status, 0);
  EXPECT_EQ(json("diffeq.json")["layout"], a["layout"]);
}

TEST_F(ModernCli, ClassicObjectiveAndUnorderedChains) {
  ASSERT_EQ(run({"optimise", "diffeq", "--seed", "4", "--patience", "30", "--objective", "classic", "--unordered",
                 "--elitism", "--json"})
                .status,
            0);
  const Json d = json("diffeq.json");
  EXPECT_EQ(d["objective"], "classic");
  EXPECT_FALSE(d["layout"].get<std::string>().empty());  // unordered layouts are written too
  RunResult back = run({"analyse", "diffeq", "--layout", d["layout"], "--objective", "classic", "--json"});
  ASSERT_EQ(back.status, 0);
  EXPECT_NEAR(json("diffeq.json")["fitness"].get<double>(), d["fitness"].get<double>(), 1e-9);
}

TEST_F(ModernCli, TheVerilogExampleOptimisesAndAnalysesBack) {
  fs::copy_file(fs::path(TARVEX_EXAMPLES) / "datapath50.v", dir / "datapath50.v");
  if (run({"import", "datapath50.v", "-o", "datapath50.cir"}).status != 0) GTEST_SKIP() << "yosys is not available";
  RunResult r = run({"optimise", "datapath50.v", "--seed", "5", "--patience", "8", "--json"});
  ASSERT_EQ(r.status, 0) << r.err;
  const Json found = json("datapath50.json");
  EXPECT_EQ(found["registers"].size(), 50u);
  const std::string layout = found["layout"];
  ASSERT_EQ(run({"analyse", "datapath50.v", "--layout", layout, "--json"}).status, 0);
  const Json back = json("datapath50.json");
  for (const char* k : {"testability", "controllable_percent", "observable_percent", "area_overhead_percent",
                        "pin_overhead_percent", "fitness"})
    EXPECT_EQ(back[k], found[k]) << k;
  // the imported description gives the same figures
  ASSERT_EQ(run({"analyse", "datapath50.cir", "--layout", layout, "--json"}).status, 0);
  EXPECT_EQ(json("datapath50.json")["testability"], found["testability"]);
}
