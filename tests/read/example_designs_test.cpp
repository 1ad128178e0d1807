// The importer over designs of different kinds: every example of ours (a
// processor with its register file, a bus system, filters, an FSM, macros as
// black boxes) and the outside designs that come with Debian's iverilog
// package (a DES core and a RAM, each under a port-less test bench). Each
// imports without error to its top module, item and register counts, with
// every item of a hierarchical design in one block. Then our rv32im
// processor: its register file as registers or one RAM, and a simulation of
// a hand-assembled program on it.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "analysis/blockfigures.h"
#include "base/diagnostics.h"
#include "model/kinds.h"
#include "read/import.h"
#include "spawn_util.h"

namespace fs = std::filesystem;

namespace {

struct Design {
  const char* path;  // under examples/, or absolute
  const char* top;
  int items;
  int registers;
  long warnings;  // black boxes, test benches set aside
};

const std::string kExamples = std::string(TARVEX_EXAMPLES) + "/";
const std::string kIverilogExamples = "/usr/share/doc/iverilog/examples/";

struct Counts {
  int items = 0, registers = 0, rams = 0, outsideBlocks = 0;
};

Counts countsOf(const Circuit& c) {
  Counts n;
  for (const Item* i = c.getIList(); i; i = i->getNext()) {
    if (i == c.getPortHolder()) continue;
    ++n.items;
    n.registers += i->getType() == REG;
    n.rams += i->getType() == RAM;
  }
  int tabled = 0;
  for (const BlockFigures& f : blockTables(c, 1, 0.0).instances) tabled += f.items;
  n.outsideBlocks = n.items - tabled;
  return n;
}

// Imports `path` with `options`; the circuit, or null with the messages in `messages`.
std::unique_ptr<Circuit> imported(const std::string& path, const ImportOptions& options, std::string& messages,
                                  long& warnings) {
  std::FILE* sink = std::tmpfile();
  Diagnostics diagnostics(sink);
  std::unique_ptr<Circuit> c = loadCircuit(path, options, systemProcessRunner(), diagnostics);
  if (!diagnostics.clean()) c.reset();
  warnings = diagnostics.warnings();
  std::rewind(sink);
  for (int ch; (ch = std::fgetc(sink)) != EOF;) messages.push_back(static_cast<char>(ch));
  std::fclose(sink);
  return c;
}

TEST(ExampleDesigns, EachImportsToItsTopAndCounts) {
  const Design designs[] = {
      {"verilog/cpu.v", "tiny_cpu", 248, 54, 0},
      {"verilog/diffeq.v", "diffeq_solver", 51, 8, 0},
      {"verilog/fir.v", "fir_acc", 27, 6, 0},
      {"verilog/timer.v", "timer", 8, 2, 0},
      {"verilog/rv32core.v", "rv32core", 300, 35, 0},
      {"verilog/soc.v", "soc", 1324, 216, 0},
      {"verilog/macro_soc.v", "macro_soc", 7, 1, 2},
      {"verilog/rv32im.v", "rv32im", 902, 81, 0},
      {"verilog/itc/arbiter.v", "arbiter", 38, 4, 0},
      {"verilog/itc/pointcalc.v", "pointcalc", 12, 3, 0},
      {"verilog/itc/serialcmp.v", "serialcmp", 28, 4, 0},
      {"/usr/share/doc/iverilog/examples/des.v", "des", 288, 128, 1},
      {"/usr/share/doc/iverilog/examples/xram16x1.v", "ram16x1", 98, 16, 1},
  };
  for (const Design& d : designs) {
    const std::string path = d.path[0] == '/' ? d.path : kExamples + d.path;
    if (!fs::exists(path)) continue;  // the iverilog package's examples are optional
    std::string messages;
    long warnings = 0;
    const std::unique_ptr<Circuit> c = imported(path, {}, messages, warnings);
    ASSERT_TRUE(c) << path << ":\n" << messages;
    EXPECT_EQ(c->getName(), d.top) << path;
    const Counts n = countsOf(*c);
    EXPECT_EQ(n.items, d.items) << path;
    EXPECT_EQ(n.registers, d.registers) << path;
    EXPECT_EQ(n.outsideBlocks, 0) << path;
    EXPECT_EQ(warnings, d.warnings) << path << ":\n" << messages;
  }
}

TEST(ExampleDesigns, PortlessBenchGivesWayToTheDesignItTestsWithAWarning) {
  const std::string path = kIverilogExamples + "des.v";
  if (!fs::exists(path)) GTEST_SKIP() << "no " << path;
  std::string messages;
  long warnings = 0;
  ASSERT_TRUE(imported(path, {}, messages, warnings));
  EXPECT_NE(messages.find("the top module is 'des'; 'top' without ports taken for a test bench"), std::string::npos)
      << messages;
  // Named, the bench is imported as it is, without a word.
  messages.clear();
  const std::unique_ptr<Circuit> bench = imported(path, ImportOptions("top"), messages, warnings);
  ASSERT_TRUE(bench) << messages;
  EXPECT_EQ(bench->getName(), "top");
  EXPECT_EQ(warnings, 0) << messages;
}

TEST(ExampleRv32im, RegisterFileIsThirtyTwoRegistersOrOneRam) {
  const std::string path = kExamples + "verilog/rv32im.v";
  std::string messages;
  long warnings = 0;
  ImportOptions small;
  small.memoryWords = 16;
  const std::unique_ptr<Circuit> c = imported(path, small, messages, warnings);
  ASSERT_TRUE(c) << messages;
  const Counts n = countsOf(*c);
  EXPECT_EQ(n.rams, 1);
  EXPECT_EQ(n.registers, 81 - 32);  // the 32 words left the registers for the RAM
  ASSERT_TRUE(c->getItemPtr("u_regfile_regs"));
  EXPECT_EQ(c->getItemPtr("u_regfile_regs")->getType(), RAM);
  // By block: the register file holds its RAM and its read logic.
  int regfileItems = 0;
  for (const BlockFigures& f : blockTables(*c, 1, 0.0).instances)
    if (f.name == "u_regfile") regfileItems = f.items;
  EXPECT_GT(regfileItems, 1);
}

// Runs `argv`; its output and error text in `log`. True when it exits with 0.
bool run(const std::vector<std::string>& argv, std::string& log) {
  std::string out, err;
  const int status = systemProcessRunner().run(argv, out, err);
  log = out + err;
  return status == 0;
}

TEST(ExampleRv32im, RunsItsTestProgramWithEitherShifter) {
  std::string log;
  if (!run({"iverilog", "-V"}, log)) GTEST_SKIP() << "iverilog is not installed";
  const fs::path dir = fs::temp_directory_path() / ("rv32im_sim_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const std::string bench = std::string(TARVEX_TEST_DATA) + "/../read/designs/rv32im_tb.v";
  for (const char* barrel : {"1", "0"}) {
    const std::string sim = (dir / ("rv32im_" + std::string(barrel) + ".vvp")).string();
    ASSERT_TRUE(run({"iverilog", "-g2005", "-P", std::string("tb.BARREL=") + barrel, "-s", "tb", "-o", sim, bench,
                     kExamples + "verilog/rv32im.v"},
                    log))
        << log;
    ASSERT_TRUE(run({"vvp", "-n", sim}, log)) << log;
    EXPECT_NE(log.find("rv32im: PASS"), std::string::npos) << "BARREL=" << barrel << ":\n" << log;
  }
  fs::remove_all(dir);
}

}  // namespace
