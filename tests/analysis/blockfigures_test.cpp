// Results by block: the instance path of a flattened cell, the module types
// of the instances, and the block tables of an analysed design with two
// instances of one module (through yosys and through `tarvex analyse`).
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "analysis/blockfigures.h"
#include "model/blocks.h"
#include "read/blockmodules.h"
#include "read/blockpath.h"
#include "read/import.h"
#include "spawn_util.h"
#include "test_diagnostics.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

TEST(BlockPath, FromFlattenedNamesAndHdlnames) {
  EXPECT_EQ(blockPathOfCell("$flatten\\u1.$add$two.v:3$4", json::object()), "u1");
  EXPECT_EQ(blockPathOfCell("$flatten\\m.\\l1.$procdff$3", json::object()), "m.l1");
  EXPECT_EQ(blockPathOfCell("$add$two.v:11$2", json::object()), "");
  // The words of a memory split into registers belong to the memory's instance.
  EXPECT_EQ(blockPathOfCell("$memory\\u_cpu.regs[5]$627", json::object()), "u_cpu");
  EXPECT_EQ(blockPathOfCell("$memory\\a.b.mem$rdmux[0][1]$9", json::object()), "a.b");
  EXPECT_EQ(blockPathOfCell("$memory\\mem[3]$4", json::object()), "");
  EXPECT_EQ(blockPathOfCell("$memory\\", json::object()), "");
  EXPECT_EQ(blockPathOfCell("$flatten\\m", json::object()), "");  // no cell name after the instance
  const json named = {{"attributes", {{"hdlname", "m l1 acc"}}}};
  EXPECT_EQ(blockPathOfCell("m.l1.acc", named), "m.l1");
  EXPECT_EQ(blockPathOfCell("acc", json{{"attributes", {{"hdlname", "acc"}}}}), "");
  EXPECT_EQ(blockPrefix("m.l1.x", 1), "m");
  EXPECT_EQ(blockPrefix("m.l1.x", 2), "m.l1");
  EXPECT_EQ(blockPrefix("m", 3), "m");
  EXPECT_EQ(blockPrefix("", 1), "");
}

TEST(BlockPath, InstanceModulesFollowTheHierarchyFromTheTop) {
  const json modules = json::parse(R"({
    "top": {"cells": {"m": {"type": "mid"}, "$xor$1": {"type": "$xor"}, "bb": {"type": "blackbox"}}},
    "mid": {"cells": {"l1": {"type": "$paramod\\leaf\\W=8"}, "\\l2": {"type": "leaf"}}},
    "$paramod\\leaf\\W=8": {"cells": {}},
    "leaf": {"cells": {}},
    "unused": {"cells": {"x": {"type": "leaf"}}}})");
  const std::map<std::string, std::string> expected = {{"m", "mid"}, {"m.l1", "leaf"}, {"m.l2", "leaf"}};
  EXPECT_EQ(instanceModules(modules, "top"), expected);
  // a module that instantiates itself stays finite
  const json loop = json::parse(R"({"r": {"cells": {"again": {"type": "r"}}}})");
  EXPECT_EQ(instanceModules(loop, "r").size(), 64u);
}

TEST(BlockHierarchy, NumbersPathsOnceAndCopiesWithTheCircuit) {
  BlockHierarchy h;
  EXPECT_EQ(h.add(""), -1);
  EXPECT_EQ(h.add("u1"), 0);
  EXPECT_EQ(h.add("u2"), 1);
  EXPECT_EQ(h.add("u1"), 0);
  EXPECT_EQ(h.path(1), "u2");
  EXPECT_EQ(h.path(-1), "");
  EXPECT_EQ(h.path(7), "");
  h.setModule("u1", "acc");
  EXPECT_EQ(h.moduleOf("u1"), "acc");
  EXPECT_EQ(h.moduleOf("u2"), "");
}

// Two instances of one accumulator under a top module with its own register.
constexpr const char* kTwoInstances = R"(
module acc(input clk, input [3:0] d, input sel, output [3:0] q);
  reg [3:0] r;
  always @(posedge clk) r <= sel ? r + d : d;
  assign q = r;
endmodule
module top(input clk, input [3:0] a, input [3:0] b, input s, output [3:0] y);
  wire [3:0] q1, q2;
  acc u1(.clk(clk), .d(a), .sel(s), .q(q1));
  acc u2(.clk(clk), .d(b), .sel(s), .q(q2));
  reg [3:0] o;
  always @(posedge clk) o <= q1 ^ q2;
  assign y = o;
endmodule
)";

class Blocks : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("tarvex_blocks_" + std::to_string(::getpid()) + "_" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    std::ofstream(dir / "two.v") << kTwoInstances;
  }
  void TearDown() override { fs::remove_all(dir); }
  fs::path dir;
};

const BlockFigures* row(const std::vector<BlockFigures>& rows, const std::string& name) {
  for (const BlockFigures& f : rows)
    if (f.name == name) return &f;
  return nullptr;
}

TEST_F(Blocks, TwoInstancesOfOneModule) {
  const long before = testErrorCount();
  const std::string path = (dir / "two.v").string();
  std::unique_ptr<Circuit> c = loadCircuit(path, {}, systemProcessRunner(), testDiagnostics());
  ASSERT_TRUE(c);
  ASSERT_TRUE(addInstanceModules(path, {}, systemProcessRunner(), *c, testDiagnostics()));
  ASSERT_EQ(testErrorCount(), before);
  EXPECT_EQ(c->blocks().moduleOf("u1"), "acc");
  EXPECT_EQ(c->blocks().moduleOf("u2"), "acc");
  testAnalyser().bothDirections(*c);  // figures only: no propagation file in the working folder

  const BlockTables t = blockTables(*c, 1, 0.0);
  ASSERT_EQ(t.instances.size(), 3u);
  EXPECT_EQ(t.instances[0].name, kTopBlockName);
  const BlockFigures *top = row(t.instances, kTopBlockName), *u1 = row(t.instances, "u1"), *u2 = row(t.instances, "u2");
  ASSERT_TRUE(top && u1 && u2);
  // each accumulator: adder, multiplexer, register; the top: exclusive or, register
  EXPECT_EQ(u1->items, 3);
  EXPECT_EQ(u1->registers, 1);
  EXPECT_EQ(top->items, 2);
  EXPECT_EQ(top->registers, 1);
  EXPECT_EQ(u1->module, "acc");
  // the instances are wired alike, so their figures are the same
  EXPECT_DOUBLE_EQ(u1->con, u2->con);
  EXPECT_DOUBLE_EQ(u1->obs, u2->obs);
  EXPECT_DOUBLE_EQ(u1->tst, u2->tst);
  EXPECT_EQ(u1->untestableBits, u2->untestableBits);
  // adder A, B, Y; multiplexer A, B, Y; register D, Q: 8 data ports of 4 bits
  EXPECT_EQ(u1->bits, 32);
  ASSERT_EQ(t.modules.size(), 1u);
  const BlockFigures& acc = t.modules[0];
  EXPECT_EQ(acc.name, "acc");
  EXPECT_EQ(acc.instances, 2);
  EXPECT_EQ(acc.items, 6);
  EXPECT_EQ(acc.registers, 2);
  EXPECT_EQ(acc.bits, 64);
  EXPECT_DOUBLE_EQ(acc.con, u1->con);
  EXPECT_DOUBLE_EQ(acc.untestablePercent, u1->untestablePercent);

  // The figures by hand: the mean of the data port values of the items of u1.
  double con = 0.0;
  int ports = 0;
  for (const Item* i = c->getIList(); i; i = i->getNext())
    if (c->blockPathOf(i) == "u1")
      for (const Port* p = i->getPList(); p; p = p->getNext())
        if (!isControlInput(p->getType())) {
          con += p->getCon();
          ++ports;
        }
  ASSERT_EQ(ports, 8);
  EXPECT_DOUBLE_EQ(u1->con, con / ports);
  // A depth beyond the hierarchy groups by the whole path.
  EXPECT_EQ(blockTables(*c, 3, 0.0).instances.size(), 3u);
}

TEST_F(Blocks, AnalysePrintsTheTablesAndWritesThemToTheJson) {
  const spawntest::RunResult r = spawntest::runTarvex(dir, {"analyse", "two.v", "--json", "--measure", "classic"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("Testability by instance (depth 1)"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Testability by module type"), std::string::npos) << r.out;
  const json d = json::parse(spawntest::slurp(dir / "top.json"));
  ASSERT_TRUE(d.contains("blocks"));
  EXPECT_EQ(d["blocks"]["depth"], 1);
  ASSERT_EQ(d["blocks"]["instances"].size(), 3u);
  EXPECT_EQ(d["blocks"]["instances"][1]["name"], "u1");
  EXPECT_EQ(d["blocks"]["instances"][1]["module"], "acc");
  EXPECT_EQ(d["blocks"]["instances"][1]["items"], 3);
  EXPECT_EQ(d["blocks"]["modules"][0]["instances"], 2);
  int inU2 = 0;
  for (const json& item : d["items"]) inU2 += item.value("block", "") == "u2";
  EXPECT_EQ(inU2, 3);
  // a design without hierarchy prints no table unless asked; --by-block checks its depth
  std::ofstream(dir / "flat.v") << "module flat(input clk, input [3:0] a, output reg [3:0] y);\n"
                                   "  always @(posedge clk) y <= a + 1;\nendmodule\n";
  const spawntest::RunResult flat = spawntest::runTarvex(dir, {"analyse", "flat.v"});
  ASSERT_EQ(flat.status, 0) << flat.err;
  EXPECT_EQ(flat.out.find("Testability by instance"), std::string::npos);
  const spawntest::RunResult asked = spawntest::runTarvex(dir, {"analyse", "flat.v", "--by-block", "2"});
  ASSERT_EQ(asked.status, 0) << asked.err;
  EXPECT_NE(asked.out.find("Testability by instance (depth 2)"), std::string::npos);
  EXPECT_NE(asked.out.find("(top)"), std::string::npos);
  EXPECT_EQ(spawntest::runTarvex(dir, {"analyse", "flat.v", "--by-block", "0"}).status, 2);
}

TEST_F(Blocks, InstancesAreListedInNumberOrderInTheTextAndTheJson) {
  // u0 .. u11 in a ring: as text, u10 and u11 would sort before u2
  std::string v = "module acc1(input clk, input [3:0] d, output reg [3:0] q);\n"
                  "  always @(posedge clk) q <= q + d;\nendmodule\n"
                  "module ring(input clk, input [3:0] a, output [3:0] y);\n  wire [3:0] w0";
  for (int k = 1; k < 12; ++k) v += ", w" + std::to_string(k);
  v += ";\n  acc1 u0(.clk(clk), .d(a ^ w11), .q(w0));\n";
  for (int k = 1; k < 12; ++k)
    v += "  acc1 u" + std::to_string(k) + "(.clk(clk), .d(w" + std::to_string(k - 1) + "), .q(w" + std::to_string(k) + "));\n";
  v += "  assign y = w11;\nendmodule\n";
  std::ofstream(dir / "ring.v") << v;
  const spawntest::RunResult r = spawntest::runTarvex(dir, {"analyse", "ring.v", "--json", "--by-block", "1"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::vector<std::string> expected;
  for (int k = 0; k < 12; ++k) expected.push_back("u" + std::to_string(k));
  std::vector<std::string> printed;
  for (const std::string& name : expected) printed.push_back(name);
  std::sort(printed.begin(), printed.end(),
            [&](const std::string& a, const std::string& b) { return r.out.find("\n" + a + " ") < r.out.find("\n" + b + " "); });
  EXPECT_EQ(printed, expected) << r.out;
  EXPECT_NE(r.out.find("\nu11 "), std::string::npos) << r.out;
  const json d = json::parse(spawntest::slurp(dir / "ring.json"));
  std::vector<std::string> listed;
  for (const json& row : d["blocks"]["instances"])
    if (row["name"] != kTopBlockName) listed.push_back(row["name"]);
  EXPECT_EQ(listed, expected);
}

}  // namespace
