// Every example design written with its scan chains, for the layouts none,
// loops, full and a GA result: yosys proves it equivalent to the original
// with SCAN_MODE low, and Icarus Verilog shifts a random stream through
// every chain, checking the loaded registers and the stream read back.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <random>
#include <sstream>

#include "read/import.h"
#include "spawn_util.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

struct Example {
  const char* file;  // under examples/
  const char* module;
};

const Example kExamples[] = {
    {"verilog/cpu.v", "tiny_cpu"},
    {"verilog/diffeq.v", "diffeq_solver"},
    {"verilog/fir.v", "fir_acc"},
    {"datapath50.v", "datapath50"},
};

// Runs a program; its output and error text in `log`. True when it exits with 0.
bool run(const std::vector<std::string>& argv, std::string& log) {
  std::string out, err;
  const int status = systemProcessRunner().run(argv, out, err);
  log = out + err;
  return status == 0;
}

// The yosys script proving `scan` (SCAN_MODE and the scan inputs tied low,
// the scan outputs left open) sequentially equivalent to `original`. Both
// sides get the importer's script, so that the scan muxes fold away and the
// rest matches cell for cell (equiv_struct), leaving the registers to
// equiv_simple and equiv_induct.
std::string equivalenceScript(const fs::path& original, const fs::path& scan, const std::string& module,
                              const json& chains) {
  std::string tie = "connect -set SCAN_MODE 1'b0; ";
  for (const json& c : chains["chains"]) tie += "connect -set " + c["scan_in"].get<std::string>() + " 1'b0; ";
  return "read_verilog " + original.string() + "; hierarchy -top " + module +
         "; proc; flatten; opt -nodffe -nosdff; memory; opt_clean; rename " + module + " gold; read_verilog " +
         scan.string() + "; proc; rename " + module + " gate; cd gate; delete -port w:SCAN_*; " + tie +
         "cd ..; opt -nodffe -nosdff gate; memory gate; opt_clean; async2sync; equiv_make gold gate equiv; hierarchy -top equiv; "
         "equiv_struct; equiv_simple -seq 5; equiv_induct -seq 5; equiv_status -assert";
}

// `dut.\name [bit]`: a flip-flop of the written design from the test bench.
std::string flopRef(const json& flop) {
  const std::string net = "dut.\\" + flop["net"].get<std::string>() + " ";
  return flop["net_width"] == 1 ? net : net + "[" + std::to_string(flop["net_bit"].get<int>()) + "]";
}

// A test bench: every chain is loaded with its random stream (chains shorter
// than the longest start later, so all are full after the same clock), the
// flip-flops are compared with the bits meant for them, then each stream is
// read back in order during exactly as many clocks as its chain is long.
std::string testBench(const std::string& module, const json& chains, std::mt19937& random) {
  size_t longest = 0;
  for (const json& c : chains["chains"]) longest = std::max(longest, c["length"].get<size_t>());
  const json& first = chains["chains"][0];
  std::ostringstream decls, ports, load, check, readBack;
  for (size_t k = 0; k < chains["chains"].size(); ++k) {
    const json& c = chains["chains"][k];
    const size_t n = c["length"];
    std::string bits;  // MSB first: bit i of sK is the i-th bit shifted in
    std::vector<int> stream(n);
    for (int& b : stream) b = static_cast<int>(random() & 1);
    for (size_t b = n; b-- > 0;) bits += static_cast<char>('0' + stream[b]);
    decls << "  reg [" << n - 1 << ":0] s" << k << " = " << n << "'b" << bits << ";\n  reg in" << k
          << " = 0;\n  wire out" << k << ";\n";
    ports << ", ." << c["scan_in"].get<std::string>() << "(in" << k << "), ." << c["scan_out"].get<std::string>()
          << "(out" << k << ")";
    load << "      if (i >= " << longest - n << ") in" << k << " = s" << k << "[i - " << longest - n << "];\n";
    for (size_t p = 0; p < n; ++p)  // position p from the scan input holds the bit shifted in n-1-p clocks before the end
      if (c["flops"][p]["net_width"] != 0)
        check << "    if (" << flopRef(c["flops"][p]) << " !== " << stream[n - 1 - p]
            << ") begin errors = errors + 1; $display(\"chain " << k << " flop " << p << " loaded wrong\"); end\n";
    readBack << "      if (i < " << n << " && out" << k << " !== s" << k << "[i]) begin errors = errors + 1; "
             << "$display(\"chain " << k << " bit %0d read back wrong\", i); end\n";
  }
  std::ostringstream tb;
  tb << "module tb;\n  reg clk = " << (first["edge"] == "rising" ? 0 : 1) << ";\n  reg SCAN_MODE = 1;\n"
     << "  integer i, errors = 0;\n" << decls.str() << "  " << module << " dut(.\\" << first["clock"].get<std::string>()
     << " (clk), .SCAN_MODE(SCAN_MODE)" << ports.str() << ");\n"
     << "  initial begin\n    for (i = 0; i < " << longest << "; i = i + 1) begin\n" << load.str()
     << "      #1 clk = ~clk; #1 clk = ~clk; #1;\n    end\n" << check.str()
     << "    for (i = 0; i < " << longest << "; i = i + 1) begin\n" << readBack.str()
     << "      #1 clk = ~clk; #1 clk = ~clk; #1;\n    end\n"
     << "    $display(\"shift errors: %0d\", errors);\n    $finish;\n  end\nendmodule\n";
  return tb.str();
}

// Writes the design of `args` (a tarvex command writing `scan`) and reads its chain description.
json writeDesign(const fs::path& dir, const std::vector<std::string>& args, const fs::path& scan) {
  const auto r = spawntest::runTarvex(dir, args);
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  fs::path chains = scan;
  chains.replace_extension(".chains.json");
  return r.status == 0 ? json::parse(spawntest::slurp(chains)) : json();
}

class InsertProof : public ::testing::TestWithParam<Example> {
 protected:
  void SetUp() override {
    std::string name = GetParam().module;
    dir = fs::temp_directory_path() / ("tarvex_insert_proof_" + std::to_string(::getpid()) + "_" + name);
    fs::remove_all(dir);
    fs::create_directories(dir);
    original = dir / fs::path(GetParam().file).filename();
    fs::copy_file(fs::path(TARVEX_EXAMPLES) / GetParam().file, original);
  }
  void TearDown() override {
    if (!HasFailure()) fs::remove_all(dir);
  }

  // True when yosys proves `scan` equivalent to the original; its output in `log`.
  bool equivalent(const fs::path& scan, const json& chains, std::string& log) {
    return run({"yosys", "-q", "-p", equivalenceScript(original, scan, GetParam().module, chains)}, log);
  }

  void proveEquivalent(const fs::path& scan, const json& chains) {
    std::string log;
    EXPECT_TRUE(equivalent(scan, chains, log)) << scan << " is not proven equivalent:\n" << log.substr(0, 4000);
  }

  // Simulates the shift of a random stream through `scan`; the simulator's output in `log`.
  void simulateShift(const fs::path& scan, const json& chains, unsigned seed, std::string& log) {
    std::mt19937 random(seed);
    const fs::path bench = dir / (scan.stem().string() + "_tb.v"), sim = dir / (scan.stem().string() + ".vvp");
    std::ofstream(bench) << testBench(GetParam().module, chains, random);
    ASSERT_TRUE(run({"iverilog", "-o", sim.string(), "-s", "tb", bench.string(), scan.string()}, log)) << log;
    ASSERT_TRUE(run({"vvp", "-n", sim.string()}, log)) << log;
  }

  void shiftThrough(const fs::path& scan, const json& chains, unsigned seed) {
    if (chains["chains"].empty()) return;
    std::string log;
    simulateShift(scan, chains, seed, log);
    EXPECT_NE(log.find("shift errors: 0"), std::string::npos) << scan << ":\n" << log.substr(0, 4000);
  }

  fs::path dir, original;
};

TEST_P(InsertProof, EveryLayoutIsEquivalentWithScanModeLowAndShiftsEveryChain) {
  const std::string file = original.filename().string();
  struct Layout {
    std::string name;
    std::vector<std::string> args;
  };
  const Layout layouts[] = {
      {"none", {"insert", file, "--layout", "-1", "-o", "none.v"}},
      {"loops", {"optimise", file, "--method", "loops", "--write-verilog", "loops.v"}},
      {"full", {"optimise", file, "--method", "full", "--chains", "3", "--write-verilog", "full.v"}},
      {"ga", {"optimise", file, "--method", "ga", "--seed", "7", "--patience", "20", "--write-verilog", "ga.v"}},
  };
  unsigned seed = 1;
  for (const Layout& l : layouts) {
    SCOPED_TRACE(l.name);
    const fs::path scan = dir / (l.name + ".v");
    const json chains = writeDesign(dir, l.args, scan);
    if (chains.is_null()) continue;
    proveEquivalent(scan, chains);
    shiftThrough(scan, chains, seed++);
  }
}

// The checks catch what they are for: a scan mux wired the wrong way round
// fails the proof, a chain taken in another order fails the simulation.
class InsertProofChecks : public InsertProof {};

TEST_P(InsertProofChecks, CatchAWrongScanMuxAndAWrongChainOrder) {
  const fs::path scan = dir / "s.v";
  const json chains = writeDesign(dir, {"insert", original.filename().string(), "--layout", "x_var,u_var", "-o", "s.v"}, scan);
  ASSERT_FALSE(chains.is_null());
  std::string verilog = spawntest::slurp(scan);
  const size_t mux = verilog.find("= SCAN_MODE ? ");
  const size_t colon = verilog.find(" : ", mux), end = verilog.find(';', mux);
  ASSERT_TRUE(mux != std::string::npos && colon < end);
  const std::string scanSide = verilog.substr(mux + 14, colon - mux - 14);
  const std::string functional = verilog.substr(colon + 3, end - colon - 3);
  verilog.replace(mux + 14, end - mux - 14, functional + " : " + scanSide);
  const fs::path swapped = dir / "swapped.v";
  std::ofstream(swapped) << verilog;
  std::string log;
  EXPECT_FALSE(equivalent(swapped, chains, log));

  json reordered = chains;  // the chain read from its scan output on
  json& flops = reordered["chains"][0]["flops"];
  std::reverse(flops.begin(), flops.end());
  simulateShift(scan, reordered, 3, log);
  EXPECT_EQ(log.find("shift errors: 0"), std::string::npos) << log;
  EXPECT_NE(log.find("loaded wrong"), std::string::npos) << log;
}

std::string exampleName(const ::testing::TestParamInfo<Example>& p) { return p.param.module; }

INSTANTIATE_TEST_SUITE_P(Examples, InsertProof, ::testing::ValuesIn(kExamples), exampleName);
INSTANTIATE_TEST_SUITE_P(OneExample, InsertProofChecks, ::testing::Values(kExamples[1]), exampleName);

}  // namespace
