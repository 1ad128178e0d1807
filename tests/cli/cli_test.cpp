// End-to-end tests: run the built tarvex and compare what it prints.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "spawn_util.h"

namespace {

namespace fs = std::filesystem;
using spawntest::RunResult;
using spawntest::slurp;

// A fresh working folder per test, removed afterwards.
class Cli : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("tarvex_cli_" + std::to_string(::getpid()) + "_" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }

  // Runs tarvex (as program name "tarvex") in the working folder.
  RunResult run(const std::vector<std::string>& args, const std::string& input = "") {
    return spawntest::runTarvex(dir, args, input);
  }

  void copyExample(const char* name) { fs::copy_file(fs::path(TARVEX_EXAMPLES) / name, dir / name); }

  fs::path dir;
};

const std::string kBanner =
    "+--------------------------------------------------------------------+\n"
    "|  TARVEX (Tool for Register-Transfer Level Testability Analysis     |\n"
    "|            and for Automated Design for Testability)               |\n"
    "|  Testability analysis and scan layout design for RTL data paths    |\n"
    "|  Written by the tarvex developers, 2026                            |\n"
    "+--------------------------------------------------------------------+\n"
    "tarvex is running in NORMAL mode\n";

const std::string kHelp =
    "SYNTAX: tarvex DC_structure_description_file Other_parameters\n"
    "where Other_parameters are:\n"
    "\t[-n] 0 scan_layout_notation\n"
    "\tor\n"
    "\t[-n] 1 scan_type a_over p_over psize elitism maxruns.\n"
    "Comments:\n"
    "\t-n disables interactive mode\n"
    "\tscan_layout_notation or -1 (perform testability analysis only)\n"
    "\tscan_type equal to 0 means unordered scan, otherwise ordered scan\n"
    "\taover resp. pover represents max allowed area resp. pin overheads in %\n"
    "\tpsize means genetic algorithm population size\n"
    "\telitism=0 switchs off elitism, other value switchs it on\n"
    "\tmaxruns means max number of unenhanced genetic algorithm runs allowed\n";

const std::string kWait = "\nPress ENTER to finish the program\n";

bool endsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

TEST_F(Cli, BannerLinesAreSeventyCharactersWide) {
  RunResult r = run({});
  std::istringstream lines(r.out);
  std::string line;
  for (int k = 0; k < 6 && std::getline(lines, line); ++k) EXPECT_EQ(line.size(), 70u) << line;
}

TEST_F(Cli, NoArgumentsPrintsTheHelpAndWaits) {
  RunResult r = run({});
  EXPECT_EQ(r.out, kBanner + kHelp + "tarvex ended with 1 error(s).\n" + kWait);
  EXPECT_EQ(r.err, "ERROR(1): Parameter (input file name) missing!\n");
  EXPECT_EQ(r.status, 1);
}

TEST_F(Cli, EveryHelpFormIsAnExplicitRequest) {
  for (const char* h : {"-h", "--h", "-help", "--help", "?", "/?", "/h"}) {
    RunResult r = run({h});
    EXPECT_EQ(r.out, kBanner + kHelp + "tarvex ended with 1 error(s).\n" + kWait) << h;
    EXPECT_EQ(r.err, "ERROR(1): Parameter (input file name) missing!\n") << h;
    EXPECT_EQ(r.status, 0) << h;
  }
}

TEST_F(Cli, SyntaxErrors) {
  const std::string wrongParameter = "ERROR(1): SYNTAX ERROR: Wrong parameter given! Please check the syntax.\n";
  const std::string summary = kBanner + "tarvex ended with 1 error(s).\n" + kWait;
  struct Case {
    std::vector<std::string> args;
    std::string err;
  } cases[] = {
      {{"-x"}, wrongParameter},
      {{"ex", "1", "-1"}, wrongParameter},
      {{"ex", "-n", "2", "-1"}, wrongParameter},
      {{"ex", "0", "1", "7", "13", "20", "0", "500"}, wrongParameter},
      {{"ex", "-n", "abc", "1", "7", "13", "20", "0", "500"}, wrongParameter},
      {{"ex", "-n"}, "ERROR(1): SYNTAX ERROR: Wrong number of parameters! Please check the syntax.\n"},
      {{"a", "b", "c", "d", "e", "f", "g"},
       "ERROR(1): SYNTAX ERROR: Wrong number of parameters! Please check the syntax.\n"},
  };
  for (const Case& c : cases) {
    RunResult r = run(c.args);
    const bool quiet = (c.args.size() == 4 || c.args.size() == 9) && c.args[1] == "-n";  // -n turns the wait off even here
    EXPECT_EQ(r.out, quiet ? summary.substr(0, summary.size() - kWait.size()) : summary) << c.args.size();
    EXPECT_EQ(r.err, c.err) << c.args.size();
    EXPECT_EQ(r.status, 1);
  }
}

TEST_F(Cli, MissingFileEndsAtOnceWithoutWaiting) {
  RunResult r = run({"nosuch", "-n", "0", "-1"});
  EXPECT_EQ(r.out, kBanner +
                       "----------\n"
                       "Opening input file 'nosuch'...\n"
                       "tarvex has ended with 1 error(s).\n");
  EXPECT_EQ(r.err, "ERROR(1): Can't open DC description file 'nosuch'!\nExiting...\n");
  EXPECT_EQ(r.status, 1);
  // Without -n the open error does not wait either.
  EXPECT_FALSE(endsWith(run({"nosuch", "0", "-1"}).out, kWait));
}

TEST_F(Cli, FlagFormsDecideTheFinalWait) {
  copyExample("ex");
  RunResult quiet = run({"ex", "-n", "0", "-1"});
  EXPECT_TRUE(endsWith(quiet.out, "tarvex has ended with no errors.\n")) << quiet.out;
  EXPECT_EQ(quiet.err, "");
  EXPECT_EQ(quiet.status, 0);
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"ex", "foo", "0", "-1"}, std::vector<std::string>{"ex", "0", "-1"}}) {
    RunResult r = run(args, "\n");
    EXPECT_TRUE(endsWith(r.out, "tarvex has ended with no errors.\n" + kWait)) << r.out;
    EXPECT_EQ(r.status, 0);
  }
  EXPECT_NE(quiet.out.find("Opening input file 'ex'...\nReading digital circuit data...\n"
                           "Closing input file 'ex'.\n"),
            std::string::npos);
}

TEST_F(Cli, ADescriptionWithErrorsGivesNoResults) {
  std::ofstream(dir / "bad") << "CIR bad a(in,8) y(out,8)\nLINK bad.a -> bad.q\n";
  RunResult r = run({"bad", "-n", "0", "-1"});
  EXPECT_EQ(r.out, kBanner +
                       "----------\n"
                       "Opening input file 'bad'...\n"
                       "Reading digital circuit data...\n"
                       "Closing input file 'bad'.\n"
                       "tarvex ended with 1 error(s).\n");
  EXPECT_EQ(r.err, "ERROR(1): pointer to bad.q is NULL (Line 3)! Please check the port name.\n");
  EXPECT_EQ(r.status, 1);
  int files = 0;
  for (const auto& e : fs::directory_iterator(dir)) files += e.path().filename() != "bad";
  EXPECT_EQ(files, 0);
}

TEST_F(Cli, OverlongArgumentsAreCountedErrors) {
  copyExample("ex");
  RunResult longName = run({std::string(300, 'f'), "-n", "0", "-1"});
  EXPECT_EQ(longName.err, "ERROR(1): The input file name is longer than 255 characters!\n");
  EXPECT_EQ(longName.status, 1);
  RunResult longNotation = run({"ex", "-n", "0", std::string(100000, '0')});
  EXPECT_EQ(longNotation.err, "ERROR(1): The scan layout notation is longer than 255 characters!\n");
  EXPECT_EQ(longNotation.status, 1);
  EXPECT_EQ(longNotation.out.find("Opening"), std::string::npos);
}

}  // namespace
