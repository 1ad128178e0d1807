// The importer: Verilog through yosys (installed in CI) and JSON netlists
// onto items, ports and links; its errors; and the equivalence of the
// direct analysis with the analysis of the written description.
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "read/import.h"
#include "test_util.h"
#include "test_diagnostics.h"

namespace {

namespace fs = std::filesystem;

// The description without its comment lines.
std::string withoutComments(const std::string& text) {
  std::istringstream in(text);
  std::string line, out;
  while (std::getline(in, line))
    if (line.rfind("//", 0) != 0) out += line + "\n";
  return out;
}

// The lines of `text` that start with `prefix`.
std::string linesStarting(const std::string& text, const std::string& prefix) {
  std::istringstream in(text);
  std::string line, out;
  while (std::getline(in, line))
    if (line.rfind(prefix, 0) == 0) out += line + "\n";
  return out;
}

// Answers every run with canned output, and records what it was asked.
class FakeRunner : public ProcessRunner {
 public:
  explicit FakeRunner(int s, std::string o = "", std::string e = "")
      : status(s), out(std::move(o)), err(std::move(e)) {}
  int run(const std::vector<std::string>& argv, std::string& o, std::string& e) override {
    calls.push_back(argv);
    o = out;
    e = err;
    return status;
  }
  int status;
  std::string out, err;
  std::vector<std::vector<std::string>> calls;
};

// A fresh working folder per test (the analysis writes its files there).
class Import : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("tarvex_import_" + std::to_string(::getpid()) + "_" +
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

  fs::path write(const std::string& name, const std::string& text) {
    std::ofstream(dir / name) << text;
    return dir / name;
  }

  // Imports Verilog text through yosys; the description without comments ("" on failure).
  std::string describe(const std::string& verilog, const std::string& top = "", const std::string& file = "t.v") {
    ImportedDesign d;
    if (!importDesign(write(file, verilog).string(), ImportOptions{top}, systemProcessRunner(), d, testDiagnostics())) return "";
    std::ostringstream text;
    writeDescription(d, text);
    return withoutComments(text.str());
  }

  ErrorCapture errors;
  fs::path dir, home;
};

// A module with operands a, b (4 bits), s (2 bits) and the result y = expr.
std::string operatorModule(const std::string& expr) {
  return "module m(input [3:0] a, input [3:0] b, input [1:0] s, output [3:0] y);\n"
         "  assign y = " + expr + ";\nendmodule\n";
}

struct OperatorCase {
  const char* expr;
  const char* item;  // the ITM line expected
};

TEST_F(Import, EveryOperatorCellBecomesItsItemKind) {
  const OperatorCase cases[] = {
      {"a + b", "ITM add1(ADD) a(in,4) b(in,4) y(out,4)"},
      {"a - b", "ITM sub1(SUB) a(in,4) b(in,4) y(out,4)"},
      {"-a", "ITM sub1(SUB) a(in,4) y(out,4)"},
      {"a * b", "ITM mul1(MUL) a(in,4) b(in,4) y(out,4)"},
      {"a / b", "ITM div1(DIV) a(in,4) b(in,4) y(out,4)"},
      {"a % b", "ITM div1(DIV) a(in,4) b(in,4) y(out,4)"},
      {"a < b", "ITM comp1(COMP) a(in,4) b(in,4) y(out,4)"},
      {"a <= b", "ITM comp1(COMP) a(in,4) b(in,4) y(out,4)"},
      {"a > b", "ITM comp1(COMP) a(in,4) b(in,4) y(out,4)"},
      {"a >= b", "ITM comp1(COMP) a(in,4) b(in,4) y(out,4)"},
      {"a == b", "ITM comp1(COMP) a(in,4) b(in,4) y(out,4)"},
      {"a != b", "ITM comp1(COMP) a(in,4) b(in,4) y(out,4)"},
      {"a === b", "ITM comp1(COMP) a(in,4) b(in,4) y(out,4)"},
      {"a !== b", "ITM comp1(COMP) a(in,4) b(in,4) y(out,4)"},
      {"a & b", "ITM and1(AND) a(in,4) b(in,4) y(out,4)"},
      {"a | b", "ITM or1(OR) a(in,4) b(in,4) y(out,4)"},
      {"a ^ b", "ITM xor1(XOR) a(in,4) b(in,4) y(out,4)"},
      {"a ~^ b", "ITM xor1(XOR) a(in,4) b(in,4) y(out,4)"},
      {"~a", "ITM not1(NOT) a(in,4) y(out,4)"},
      {"a && b", "ITM logic1(LOGIC) a(in,4) b(in,4) y(out,4)"},
      {"a || b", "ITM logic1(LOGIC) a(in,4) b(in,4) y(out,4)"},
      {"!a", "ITM logic1(LOGIC) a(in,4) y(out,4)"},
      {"&a", "ITM reduce1(REDUCE) a(in,4) y(out,4)"},
      {"|a", "ITM reduce1(REDUCE) a(in,4) y(out,4)"},
      {"^a", "ITM reduce1(REDUCE) a(in,4) y(out,4)"},
      {"~^a", "ITM reduce1(REDUCE) a(in,4) y(out,4)"},
      {"a ? b : 4'd0", "ITM reduce1(REDUCE) a(in,4) y(out,1)"},
      {"a << s", "ITM shift1(SHIFT) a(in,4) b(in,2) y(out,4)"},
      {"a >> s", "ITM shift1(SHIFT) a(in,4) b(in,2) y(out,4)"},
      {"$signed(a) <<< s", "ITM shift1(SHIFT) a(in,4) b(in,2) y(out,4)"},
      {"$signed(a) >>> s", "ITM shift1(SHIFT) a(in,4) b(in,2) y(out,4)"},
      {"a[s +: 2]", "ITM shift1(SHIFT) a(in,4) b(in,32) y(out,2)"},
  };
  for (const OperatorCase& c : cases) {
    const std::string text = describe(operatorModule(c.expr));
    EXPECT_NE(linesStarting(text, "ITM").find(c.item), std::string::npos) << c.expr << "\n" << text;
    EXPECT_EQ(linesStarting(text, "CIR"), "CIR m a(in,4) b(in,4) s(in,2) y(out,4)\n") << c.expr;
    const std::string item(c.item + 4, std::strchr(c.item, '(') - c.item - 4);
    EXPECT_NE(text.find("LINK m.a -> " + item + ".a\n"), std::string::npos) << c.expr << "\n" << text;
    EXPECT_NE(text.find(" -> m.y\n"), std::string::npos) << c.expr << "\n" << text;
  }
  EXPECT_EQ(errors.text(), "");
}

TEST_F(Import, AdderIsWiredFromItsOperandsToTheOutput) {
  EXPECT_EQ(describe(operatorModule("a + b")),
            "CIR m a(in,4) b(in,4) s(in,2) y(out,4)\n"
            "ITM add1(ADD) a(in,4) b(in,4) y(out,4)\n"
            "LINK m.a -> add1.a\n"
            "LINK m.b -> add1.b\n"
            "LINK add1.y -> m.y\n");
}

TEST_F(Import, MultiplexerAndCaseMultiplexer) {
  EXPECT_EQ(describe("module m(input [3:0] a, b, input s, output [3:0] y); assign y = s ? b : a; endmodule\n"),
            "CIR m a(in,4) b(in,4) s(sel,1) y(out,4)\n"
            "ITM mux1(MUX) a(in,4) b(in,4) s(sel,1) y(out,4)\n"
            "LINK m.a -> mux1.a\nLINK m.b -> mux1.b\nLINK m.s -> mux1.s\nLINK mux1.y -> m.y\n");
  // One data input per case plus the default, and the select bits (here from comparators).
  const std::string text = describe(
      "module m(input [3:0] a, b, c, d, input [1:0] s, output reg [3:0] y);\n"
      "  always @* case (s) 2'd0: y = a; 2'd1: y = b; 2'd2: y = c; default: y = d; endcase\nendmodule\n");
  EXPECT_NE(text.find("(MUX) a(in,4) b0(in,4) b1(in,4) b2(in,4) s(sel,3) y(out,4)\n"), std::string::npos) << text;
  EXPECT_NE(text.find("LINK m.d -> mux1.a\n"), std::string::npos) << text;
}

TEST_F(Import, MultiplexerAmongConstantsIsALookupTable) {
  const std::string text = describe(
      "module m(input [1:0] s, output reg [3:0] y);\n"
      "  always @* case (s) 2'd0: y = 4'd3; 2'd1: y = 4'd5; 2'd2: y = 4'd9; default: y = 4'd1; endcase\nendmodule\n");
  EXPECT_NE(text.find("(ROM) addr(in,"), std::string::npos) << text;
  EXPECT_EQ(text.find("(MUX)"), std::string::npos) << text;
  EXPECT_EQ(errors.text(), "");
}

TEST_F(Import, FlipFlopsAndLatchesBecomeRegistersWithoutTheirResetPins) {
  const std::string text = describe(
      "module m(input clk, rst, set, en, ld, input [3:0] d, ad, output reg [3:0] q1, q2, q3, q4, q5);\n"
      "  always @(posedge clk) q1 <= d;\n"
      "  always @(posedge clk or posedge rst) if (rst) q2 <= 0; else q2 <= d;\n"
      "  always @(posedge clk or posedge set) if (set) q3 <= 4'hf; else q3 <= d;\n"
      "  always @* if (en) q4 = d;\n"
      "  always @(posedge clk or posedge ld) if (ld) q5 <= ad; else q5 <= d;\n"
      "endmodule\n");
  EXPECT_EQ(linesStarting(text, "CIR"),
            "CIR m clk(clk,1) rst(sel,1) set(sel,1) en(clk,1) ld(sel,1) d(in,4) ad(in,4) q1(out,4) q2(out,4) "
            "q3(out,4) q4(out,4) q5(out,4)\n");
  for (const char* reg : {"q1", "q2", "q3", "q5"})
    EXPECT_NE(text.find(std::string("ITM ") + reg + "(REG) d(in,4) clk(clk,1) q(out,4)\n"), std::string::npos)
        << reg << "\n" << text;
  EXPECT_NE(text.find("ITM q4(REG) d(in,4) en(clk,1) q(out,4)\n"), std::string::npos) << text;
  // The asynchronous load value reaches the data input too; reset pins are not linked.
  EXPECT_NE(text.find("LINK m.ad -> q5.d\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("LINK m.rst"), std::string::npos) << text;
  // Separate set and reset pins per bit.
  EXPECT_EQ(describe("module m(input clk, r, s, input [3:0] d, output reg [3:0] q);\n"
                     "  always @(posedge clk, posedge r, posedge s) if (r) q <= 0; else if (s) q <= 4'hf; else q <= d;\n"
                     "endmodule\n"),
            "CIR m clk(clk,1) r(sel,1) s(sel,1) d(in,4) q(out,4)\n"
            "ITM q(REG) d(in,4) clk(clk,1) q(out,4)\n"
            "LINK m.d -> q.d\nLINK m.clk -> q.clk\nLINK q.q -> m.q\n");
  EXPECT_EQ(errors.text(), "");
}

TEST_F(Import, EnableAndSynchronousResetStayAsMultiplexersBeforeThePlainRegister) {
  EXPECT_EQ(describe("module m(input clk, rst, en, input [3:0] d, output reg [3:0] q);\n"
                     "  always @(posedge clk) if (rst) q <= 0; else if (en) q <= d;\nendmodule\n"),
            "CIR m clk(clk,1) rst(sel,1) en(sel,1) d(in,4) q(out,4)\n"
            "ITM q(REG) d(in,4) clk(clk,1) q(out,4)\n"
            "ITM mux1(MUX) a(in,4) b(in,4) s(sel,1) y(out,4)\n"
            "ITM mux2(MUX) a(in,4) s(sel,1) y(out,4)\n"
            "LINK mux2.y -> q.d\nLINK m.clk -> q.clk\nLINK q.q -> mux1.a m.q\nLINK m.d -> mux1.b\n"
            "LINK m.en -> mux1.s\nLINK mux1.y -> mux2.a\nLINK m.rst -> mux2.s\n");
}

TEST_F(Import, ReadOnlyMemoryIsARomItem) {
  const std::string text = describe(
      "module m(input clk, input [1:0] addr, output [7:0] data, output reg [7:0] held);\n"
      "  reg [7:0] table_mem [0:3];\n"
      "  initial begin table_mem[0] = 1; table_mem[1] = 2; table_mem[2] = 4; table_mem[3] = 8; end\n"
      "  assign data = table_mem[addr];\n"
      "  always @(posedge clk) held <= table_mem[~addr];\nendmodule\n");
  EXPECT_NE(text.find("ITM table_mem(ROM) addr(in,2) data(out,8)\n"), std::string::npos) << text;
  EXPECT_NE(text.find("LINK table_mem.data -> m.data\n"), std::string::npos) << text;
  EXPECT_EQ(errors.text(), "");
}

TEST_F(Import, ConstantsDriveNothingAndConstantOperandsAreLeftOut) {
  const std::string text = describe(
      "module m(input [7:0] x, input [3:0] lo, hi, output [7:0] y, output [7:0] z);\n"
      "  assign y = 3 * x;\n  assign z = {lo, hi} & {4'b1010, hi};\nendmodule\n");
  EXPECT_NE(text.find("ITM mul1(MUL) b(in,8) y(out,32)\n"), std::string::npos) << text;
  // One link from each port driving part of a concatenation; a driver reaching two bit ranges links once.
  EXPECT_NE(text.find("LINK m.lo -> and1.a\n"), std::string::npos) << text;
  EXPECT_NE(text.find("LINK m.hi -> and1.a and1.b\n"), std::string::npos) << text;

  // The constant operand does not make the product uncontrollable.
  ImportedDesign d;
  ASSERT_TRUE(importDesign((dir / "t.v").string(), {}, systemProcessRunner(), d, testDiagnostics()));
  auto c = buildCircuit(d, testDiagnostics());
  ASSERT_TRUE(c);
  testAnalyser().controllability(*c);
  for (Item* i = c->getIList(); i; i = i->getNext()) {
    if (i->getType() != MUL) continue;
    for (Port* p = i->getPList(); p; p = p->getNext()) EXPECT_GT(p->getCon(), 0.0) << p->getName();
  }
}

TEST_F(Import, SlicesOfOneRegisterFeedSeveralItems) {
  const std::string text = describe(
      "module m(input clk, input [7:0] d, output [3:0] y);\n"
      "  reg [7:0] r;\n  always @(posedge clk) r <= d;\n  assign y = r[7:4] + r[3:0];\nendmodule\n");
  EXPECT_NE(text.find("LINK r.q -> add1.a add1.b\n"), std::string::npos) << text;
}

TEST_F(Import, NamesAreCleanedAndUnique) {
  const std::string text = describe(
      "module m(input clk, input [3:0] d, output [3:0] y);\n"
      "  reg [3:0] \\9lives.x ;\n  reg [3:0] add1, m, SCANreg;\n"
      "  always @(posedge clk) begin \\9lives.x <= d; add1 <= \\9lives.x ; m <= add1; SCANreg <= m; end\n"
      "  assign y = SCANreg + d;\nendmodule\n");
  EXPECT_NE(text.find("ITM n9lives_x(REG)"), std::string::npos) << text;
  EXPECT_NE(text.find("ITM add1(REG)"), std::string::npos) << text;
  EXPECT_NE(text.find("ITM add2(ADD)"), std::string::npos) << text;  // the register kept "add1"
  EXPECT_NE(text.find("ITM m_2(REG)"), std::string::npos) << text;   // "m" names the circuit
  EXPECT_NE(text.find("ITM Scanreg(REG)"), std::string::npos) << text;
  EXPECT_EQ(errors.text(), "");
  // The description reads back without errors.
  EXPECT_TRUE(readText(text));
  EXPECT_EQ(testErrorCount(), 0);
}

TEST_F(Import, TopChoosesAmongSeveralModules) {
  const std::string two = "module m1(input a, output y); assign y = ~a; endmodule\n"
                          "module m2(input [1:0] a, output y); assign y = &a; endmodule\n";
  EXPECT_EQ(describe(two), "");
  EXPECT_NE(errors.text().find("several top module candidates (m1, m2); choose one with --top NAME"),
            std::string::npos)
      << errors.text();
  resetTestErrors();
  EXPECT_NE(describe(two, "m2").find("ITM reduce1(REDUCE) a(in,2) y(out,1)"), std::string::npos);
  // A sub-module is flattened into the top that instantiates it.
  EXPECT_NE(describe("module leaf(input [3:0] a, output [3:0] y); assign y = a + 4'd1; endmodule\n"
                     "module top(input [3:0] a, output [3:0] y); leaf u(.a(a), .y(y)); endmodule\n")
                .find("CIR top a(in,4) y(out,4)\nITM add1(ADD) a(in,4) y(out,4)\n"),
            std::string::npos);
}

TEST_F(Import, SystemVerilogFilesAreReadAsSystemVerilog) {
  EXPECT_NE(describe("module m(input logic [3:0] a, output logic [3:0] y); always_comb y = a + 4'd1; endmodule\n",
                     "", "t.sv")
                .find("ITM add1(ADD)"),
            std::string::npos)
      << errors.text();
}

// ---------------------------------------------------------------- errors

TEST_F(Import, MissingYosysNamesThePackage) {
  FakeRunner none(ProcessRunner::kNotStarted);
  ImportedDesign d;
  EXPECT_FALSE(importDesign(write("t.v", "module m; endmodule\n").string(), {}, none, d, testDiagnostics()));
  EXPECT_NE(errors.text().find("yosys is not installed"), std::string::npos);
  EXPECT_NE(errors.text().find("Debian package 'yosys'"), std::string::npos);
  EXPECT_EQ(testErrorCount(), 1);
}

TEST_F(Import, YosysFailureShowsItsMessageWithFileAndLine) {
  EXPECT_EQ(describe("module m(input a;\nendmodule\n"), "");
  EXPECT_NE(errors.text().find("yosys failed on"), std::string::npos) << errors.text();
  EXPECT_NE(errors.text().find("t.v:1: ERROR: syntax error"), std::string::npos) << errors.text();
  EXPECT_EQ(testErrorCount(), 1);
}

TEST_F(Import, SystemVerilogInAVerilogFileGetsTheHintToRenameIt) {
  EXPECT_EQ(describe("module m(input logic clk, input logic [3:0] d, output logic [3:0] q);\n"
                     "always_ff @(posedge clk) q <= d;\nendmodule\n"),
            "");
  EXPECT_NE(errors.text().find("reads as SystemVerilog: name it"), std::string::npos) << errors.text();
  EXPECT_NE(errors.text().find("t.sv'"), std::string::npos) << errors.text();
  EXPECT_EQ(testErrorCount(), 1);
  resetTestErrors();
  // Plain syntax errors get no such hint.
  const size_t hinted = errors.text().size();
  EXPECT_EQ(describe("module m(input a;\nendmodule\n"), "");
  EXPECT_EQ(errors.text().find("reads as SystemVerilog", hinted), std::string::npos) << errors.text();
}

TEST_F(Import, NoModuleAndUnknownTopAreErrors) {
  EXPECT_EQ(describe("// nothing here\n"), "");
  EXPECT_NE(errors.text().find("has no module!"), std::string::npos) << errors.text();
  resetTestErrors();
  EXPECT_EQ(describe("module m; endmodule\n", "other"), "");
  EXPECT_NE(errors.text().find("Module `other' not found"), std::string::npos) << errors.text();
  resetTestErrors();
  // A --top that is not a plain name never reaches the script.
  FakeRunner fake(0, "{}");
  ImportedDesign d;
  EXPECT_FALSE(importDesign((dir / "t.v").string(), ImportOptions{"m; shell rm -rf x"}, fake, d, testDiagnostics()));
  EXPECT_TRUE(fake.calls.empty());
  EXPECT_EQ(testErrorCount(), 1);
}

TEST_F(Import, BlackBoxStubsAndWritableMemoriesImportInsteadOfBeingRefused) {
  // A stub's pin directions are the netlist's; the instance is a BBOX item, with a warning (not an error).
  EXPECT_EQ(describe("(* blackbox *) module bb(input a, output y); endmodule\n"
                     "module m(input a, output y);\n  bb u1(.a(a), .y(y));\nendmodule\n",
                     "m"),
            "CIR m a(in,1) y(out,1)\nITM u1(BBOX) a(in,1) y(out,1)\nLINK m.a -> u1.a\nLINK u1.y -> m.y\n");
  EXPECT_NE(errors.text().find("WARNING: Module 'bb' of instance 'u1' (t.v:3) is not defined"), std::string::npos)
      << errors.text();
  EXPECT_EQ(testErrorCount(), 0);
  const std::string ram = describe("module m(input clk, we, input [1:0] wa, ra, input [3:0] wd, output [3:0] rd);\n"
                                   "  reg [3:0] ram [0:3];\n  always @(posedge clk) if (we) ram[wa] <= wd;\n"
                                   "  assign rd = ram[ra];\nendmodule\n");
  EXPECT_NE(ram.find("ITM ram_3(REG) d(in,4) clk(clk,1) q(out,4)\n"), std::string::npos) << ram;
  EXPECT_EQ(testErrorCount(), 0);
}

TEST_F(Import, MalformedNetlistsAreReportedNotTrusted) {
  const char* bad[] = {
      "",
      "{\"modules\": 3}",
      "{\"modules\": {\"m\": {\"ports\": {\"a\": {\"direction\": \"input\", \"bits\": [\"q\"]}}}}}",
      "{\"modules\": {\"m\": {\"cells\": {\"c\": {\"type\": \"$add\", \"connections\": {\"A\": [2]}}}}}}",
      "{\"modules\": {\"m\": {\"cells\": {\"c\": {\"type\": \"$pmux\", \"connections\": "
      "{\"A\": [2], \"B\": [3], \"S\": [4, 5], \"Y\": [6]}}}}}}",
      "{\"modules\": {\"m\": {\"ports\": {\"a\": {\"direction\": \"input\", \"bits\": [-5]}}}}}",
  };
  for (const char* text : bad) {
    resetTestErrors();
    ImportedDesign d;
    EXPECT_FALSE(importNetlist(text, "n.json", {}, d, testDiagnostics())) << text;
    EXPECT_GE(testErrorCount(), 1) << text;
  }
}

// ---------------------------------------------------------------- netlists without yosys

const char* kNetlist = R"({"modules": {
  "top": {"attributes": {"top": "00000000000000000000000000000001"},
    "ports": {"clk": {"direction": "input", "bits": [2]}, "r": {"direction": "input", "bits": [3]},
              "a": {"direction": "input", "bits": [4, 5]}, "y": {"direction": "output", "bits": [6, 7]},
              "z": {"direction": "output", "bits": [10, 11]}},
    "cells": {
      "$s": {"type": "$shift", "attributes": {"src": "dir/x.v:7.1-7.9"},
             "connections": {"A": [4, 5], "B": [4], "Y": [8, 9]}},
      "$f": {"type": "$sdff", "connections": {"CLK": [2], "SRST": [3], "D": [8, 9], "Q": [6, 7]}},
      "$m": {"type": "$mem_v2", "parameters": {"WR_PORTS": "0", "RD_PORTS": "1", "ABITS": "10", "WIDTH": "10",
             "RD_CLK_ENABLE": "1", "MEMID": "\\lut"},
             "connections": {"RD_ADDR": [4, 5], "RD_DATA": [10, 11], "RD_CLK": [2]}}},
    "netnames": {"q_reg": {"hide_name": 0, "bits": [6, 7]}}},
  "other": {"ports": {}, "cells": {}}}})";

TEST_F(Import, JsonNetlistIsReadWithoutYosys) {
  ImportedDesign d;
  ASSERT_TRUE(importNetlist(kNetlist, "x.json", {}, d, testDiagnostics())) << errors.text();
  std::ostringstream text;
  ASSERT_TRUE(writeDescription(d, text));
  EXPECT_EQ(text.str(),
            "// top: imported by tarvex import (4 items)\n"
            "CIR top clk(clk,1) r(sel,1) a(in,2) y(out,2) z(out,2)\n"
            "// shift1: x.v:7\n"
            "ITM shift1(SHIFT) a(in,2) b(in,1) y(out,2)\n"
            "ITM q_reg(REG) d(in,2) clk(clk,1) q(out,2)\n"
            "ITM lut(ROM) addr(in,2) data(out,2)\n"
            "ITM lut_data(REG) d(in,2) clk(clk,1) q(out,2)\n"
            "LINK top.a -> shift1.a shift1.b lut.addr\n"
            "LINK shift1.y -> q_reg.d\n"
            "LINK top.clk -> q_reg.clk lut_data.clk\n"
            "LINK lut.data -> lut_data.d\n"
            "LINK q_reg.q -> top.y\n"
            "LINK lut_data.q -> top.z\n");
}

TEST_F(Import, YosysRunsWithoutAShellWithTheFileAsItsOwnArgument) {
  FakeRunner fake(0, kNetlist);
  ImportedDesign d;
  const std::string odd = write("-odd name;rm x.v", "module m; endmodule\n").string();
  ASSERT_TRUE(importDesign(odd, ImportOptions{"top"}, fake, d, testDiagnostics())) << errors.text();
  ASSERT_EQ(fake.calls.size(), 1u);  // the top is known: one run
  const std::vector<std::string>& argv = fake.calls[0];
  ASSERT_EQ(argv.size(), 7u);
  EXPECT_EQ(argv[0], "yosys");
  EXPECT_EQ(argv[4], "-p");
  EXPECT_EQ(argv[5], "hierarchy -top top; proc; flatten; opt -nodffe -nosdff; opt_clean; write_json");
  EXPECT_EQ(argv[6], odd);
  // A relative name that starts with '-' reaches yosys as a file, not an option.
  write("-lead ing.v", "module m(input a, output y); assign y = ~a; endmodule\n");
  FakeRunner quiet(0, kNetlist);
  ASSERT_TRUE(importDesign("-lead ing.v", ImportOptions{"top"}, quiet, d, testDiagnostics()));
  EXPECT_EQ(quiet.calls.at(0).back(), "./-lead ing.v");
  ASSERT_TRUE(importDesign("-lead ing.v", {}, systemProcessRunner(), d, testDiagnostics())) << errors.text();
  EXPECT_EQ(d.items.at(0).kind, NOT);
}

TEST(ProcessRunner, ReportsStatusOutputsAndMissingPrograms) {
  ProcessRunner& runner = systemProcessRunner();
  std::string out, err;
  EXPECT_EQ(runner.run({"tarvex-no-such-program"}, out, err), ProcessRunner::kNotStarted);
  EXPECT_EQ(runner.run({"false"}, out, err), 1);
  // Both streams are drained together, so a large output cannot stall the child.
  EXPECT_EQ(runner.run({"head", "-c", "3000000", "/dev/zero"}, out, err), 0);
  EXPECT_EQ(out.size(), 3000000u);
  EXPECT_NE(runner.run({"ls", "/tarvex-no-such-file"}, out, err), 0);
  EXPECT_EQ(out, "");
  EXPECT_NE(err.find("tarvex-no-such-file"), std::string::npos);
}

// ---------------------------------------------------------------- whole designs

// The figures of the direct analysis of an example, as its .txt result shows them.
struct Figures {
  const char* file;
  const char* circuit;
  int registers;
  const char* nodes;
  const char* measures;
};

// The last two lines of a .txt result.
std::string figuresOf(const fs::path& txt) {
  const std::string text = slurp(txt);
  const size_t at = text.find("#Nodes");
  return at == std::string::npos ? "" : text.substr(at);
}

TEST_F(Import, ExamplesImportAndAnalyseToTheirFigures) {
  const Figures examples[] = {
      {"diffeq.v", "diffeq_solver", 8, "#Nodes(Total=1893) C(338/17.9%) O(84/4.4%) T(0/0.0%)",
       "GlobalMeasures 0.101845 0.023957 0.002440"},
      {"fir.v", "fir_acc", 6, "#Nodes(Total=811) C(611/75.3%) O(774/95.4%) T(574/70.8%)",
       "GlobalMeasures 0.599642 0.624650 0.374566"},
      {"cpu.v", "tiny_cpu", 54, "#Nodes(Total=3813) C(86/2.3%) O(82/2.2%) T(0/0.0%)",
       "GlobalMeasures 0.011349 0.010954 0.000124"},
  };
  for (const Figures& f : examples) {
    const std::string path = std::string(TARVEX_EXAMPLES) + "/verilog/" + f.file;
    auto c = loadCircuit(path, {}, systemProcessRunner(), testDiagnostics());
    ASSERT_TRUE(c) << f.file << errors.text();
    EXPECT_EQ(c->getName(), f.circuit);
    EXPECT_EQ(c->getNREGs(), f.registers) << f.file;
    analyseFull(*c);
    writeTextTable(*c, testFiles());
    EXPECT_EQ(figuresOf(dir / (std::string(f.circuit) + ".txt")), std::string(f.nodes) + "\n" + f.measures + "\n")
        << f.file;
  }
  EXPECT_EQ(errors.text(), "");
}

TEST_F(Import, DescriptionOfADesignAnalysesExactlyLikeTheDesign) {
  for (const char* file : {"diffeq.v", "fir.v", "cpu.v"}) {
    const std::string path = std::string(TARVEX_EXAMPLES) + "/verilog/" + file;
    ImportedDesign d;
    ASSERT_TRUE(importDesign(path, {}, systemProcessRunner(), d, testDiagnostics())) << errors.text();
    std::ostringstream text;
    ASSERT_TRUE(writeDescription(d, text));
    auto direct = buildCircuit(d, testDiagnostics());
    auto read = readText(text.str());
    ASSERT_TRUE(direct && read);
    ASSERT_EQ(testErrorCount(), 0);
    analyseFull(*direct);
    analyseFull(*read);
    // Same items, ports and values in the same order.
    Item* i = direct->getIList();
    Item* j = read->getIList();
    for (; i && j; i = i->getNext(), j = j->getNext()) {
      ASSERT_EQ(i->getName(), j->getName());
      Port* p = i->getPList();
      Port* q = j->getPList();
      for (; p && q; p = p->getNext(), q = q->getNext()) {
        ASSERT_EQ(p->getName(), q->getName());
        EXPECT_EQ(p->getCon(), q->getCon()) << p->getName();
        EXPECT_EQ(p->getObs(), q->getObs()) << p->getName();
      }
      EXPECT_FALSE(p || q);
    }
    EXPECT_FALSE(i || j);
    EXPECT_EQ(direct->getArea(), read->getArea());
    EXPECT_EQ(direct->getTst(), read->getTst());
  }
}

// Runs the built tarvex in the working folder.
int runTarvex(const std::vector<std::string>& args, std::string& out) {
  std::vector<std::string> argv{TARVEX_EXE};
  argv.insert(argv.end(), args.begin(), args.end());
  std::string err;
  const int status = systemProcessRunner().run(argv, out, err);
  out += err;
  return status;
}

TEST_F(Import, ImportCommandThenClassicAnalysisGivesTheDirectResults) {
  const std::string design = std::string(TARVEX_EXAMPLES) + "/verilog/fir.v";
  std::string out;
  ASSERT_EQ(runTarvex({"import", design, "-o", "fir.cir"}, out), 0) << out;
  EXPECT_EQ(out, "");
  fs::create_directories("direct");
  fs::create_directories("described");
  fs::current_path(dir / "direct");
  ASSERT_EQ(runTarvex({design, "-n", "0", "-1"}, out), 0) << out;
  EXPECT_NE(out.find("Importing Verilog design with yosys..."), std::string::npos);
  fs::current_path(dir / "described");
  ASSERT_EQ(runTarvex({"../fir.cir", "-n", "0", "-1"}, out), 0) << out;
  for (const char* ext : {".txt", ".pro", ".par", ".eva", ".tex", ".html", ".dot"}) {
    const std::string name = std::string("fir_acc") + ext;
    ASSERT_TRUE(fs::exists(dir / "direct" / name)) << name;
    EXPECT_EQ(slurp(dir / "direct" / name), slurp(dir / "described" / name)) << name;
  }
  // Without -o the description goes to standard output.
  fs::current_path(dir);
  ASSERT_EQ(runTarvex({"import", design}, out), 0);
  EXPECT_EQ(out, slurp(dir / "fir.cir"));
}

TEST_F(Import, ImportCommandErrorsAndUsage) {
  std::string out;
  EXPECT_EQ(runTarvex({"import"}, out), 2);
  EXPECT_EQ(out, "usage: tarvex import FILE [--top NAME] [-o OUT]\n");
  EXPECT_EQ(runTarvex({"import", "a.v", "--bogus"}, out), 2);
  EXPECT_EQ(runTarvex({"import", "missing.v", "-o", "x.cir"}, out), 1);
  EXPECT_EQ(out, "ERROR(1): Can't open input file 'missing.v'!\n");
  EXPECT_FALSE(fs::exists("x.cir"));
  // A failing classic run leaves no result files.
  write("bad.v", "module bad(input a;\nendmodule\n");
  EXPECT_EQ(runTarvex({"bad.v", "-n", "0", "-1"}, out), 1);
  EXPECT_NE(out.find("bad.v:1: ERROR: syntax error"), std::string::npos) << out;
  EXPECT_NE(out.find("ended with 1 error(s)."), std::string::npos) << out;
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator{}), 1);
}

}  // namespace
