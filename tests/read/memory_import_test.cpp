// Memories, black boxes and the Verilog constructs the importer reads:
// small writable memories become one register a word, large ones a RAM item;
// instances of undefined modules become BBOX items with a warning, or the
// model given with --lib.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "base/diagnostics.h"
#include "model/kinds.h"
#include "read/import.h"

namespace {

const std::string kDesigns = std::string(TARVEX_TEST_DATA) + "/../read/designs/";

struct Imported {
  bool ok = false;
  std::string text;      // the description
  std::string messages;  // what the diagnostics wrote
  long warnings = 0;
};

Imported importFile(const std::string& file, ImportOptions options) {
  Imported r;
  std::FILE* sink = std::tmpfile();
  Diagnostics diagnostics(sink);
  ImportedDesign d;
  r.ok = importDesign(kDesigns + file, options, systemProcessRunner(), d, diagnostics);
  std::ostringstream text;
  if (r.ok) writeDescription(d, text);
  r.text = text.str();
  std::rewind(sink);
  for (int ch; (ch = std::fgetc(sink)) != EOF;) r.messages.push_back(static_cast<char>(ch));
  std::fclose(sink);
  r.warnings = diagnostics.warnings();
  return r;
}

ImportOptions withMemoryWords(long words) {
  ImportOptions o;
  o.memoryWords = words;
  return o;
}

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(MemoryImport, SmallRegisterFileBecomesOneRegisterAWord) {
  const Imported r = importFile("regfile.v", ImportOptions{});
  ASSERT_TRUE(r.ok) << r.messages;
  for (int w = 0; w < 8; ++w)
    EXPECT_TRUE(has(r.text, "ITM regs_" + std::to_string(w) + "(REG) d(in,8) clk(clk,1) q(out,8)\n")) << r.text;
  EXPECT_FALSE(has(r.text, "(RAM)")) << r.text;
  // Every word is read by both read ports' multiplexer trees.
  EXPECT_TRUE(has(r.text, "LINK regs_5.q -> ")) << r.text;
  EXPECT_TRUE(has(r.text, "LINK regfile.clk -> regs_0.clk")) << r.text;
}

TEST(MemoryImport, LargeRegisterFileIsOneRamWithItsPortsAndLinks) {
  const Imported r = importFile("regfile.v", withMemoryWords(4));
  ASSERT_TRUE(r.ok) << r.messages;
  EXPECT_TRUE(has(r.text, "ITM regs(RAM) waddr(in,3) wdata(in,8) we(sel,1) clk(clk,1) raddr0(in,3) rdata0(out,8) "
                          "raddr1(in,3) rdata1(out,8)\n"))
      << r.text;
  EXPECT_TRUE(has(r.text, "LINK regfile.clk -> regs.clk\n")) << r.text;
  EXPECT_TRUE(has(r.text, "LINK regfile.ra2 -> regs.raddr0\n")) << r.text;
  EXPECT_TRUE(has(r.text, "LINK regfile.ra1 -> regs.raddr1\n")) << r.text;
  EXPECT_TRUE(has(r.text, "LINK regs.rdata1 -> regfile.rd1\n")) << r.text;
  EXPECT_TRUE(has(r.text, "LINK regs.rdata0 -> regfile.rd2\n")) << r.text;
  EXPECT_TRUE(has(r.text, " -> regs.wdata\n")) << r.text;
  EXPECT_FALSE(has(r.text, "(REG)")) << r.text;
  // The description reads back into a circuit with the RAM's area per stored bit.
  std::FILE* sink = std::tmpfile();
  Diagnostics diagnostics(sink);
  ImportedDesign d;
  ASSERT_TRUE(importDesign(kDesigns + "regfile.v", withMemoryWords(4), systemProcessRunner(), d, diagnostics));
  const std::unique_ptr<Circuit> c = buildCircuit(d, diagnostics);
  std::fclose(sink);
  ASSERT_TRUE(c);
  EXPECT_EQ(c->getItemPtr("regs")->getArea(), 8 * 8 * kRamAreaPerBit);
}

TEST(MemoryImport, FifoKeepsItsPointersAsRegistersBesideTheMemory) {
  const Imported small = importFile("fifo.v", ImportOptions{});
  ASSERT_TRUE(small.ok) << small.messages;
  EXPECT_TRUE(has(small.text, "ITM mem_15(REG) d(in,8) clk(clk,1) q(out,8)\n")) << small.text;
  EXPECT_TRUE(has(small.text, "ITM wp(REG)")) << small.text;
  EXPECT_TRUE(has(small.text, "ITM rp(REG)")) << small.text;
  const Imported large = importFile("fifo.v", withMemoryWords(8));
  ASSERT_TRUE(large.ok) << large.messages;
  EXPECT_TRUE(has(large.text, "ITM mem(RAM) waddr(in,4) wdata(in,8) we(sel,1) clk(clk,1) raddr0(in,4) rdata0(out,8)\n"))
      << large.text;
  EXPECT_TRUE(has(large.text, " -> mem.wdata\n")) << large.text;
  EXPECT_TRUE(has(large.text, "LINK rp.q -> mem.raddr0 ")) << large.text;
  EXPECT_TRUE(has(large.text, "LINK mem.rdata0 -> fifo.dout\n")) << large.text;
  EXPECT_TRUE(has(large.text, "ITM wp(REG)")) << large.text;
  EXPECT_FALSE(has(large.text, "mem_15")) << large.text;
}

TEST(MemoryImport, UndefinedModuleIsABlackBoxWithAWarningUnlessALibraryModelsIt) {
  const Imported box = importFile("blackbox_top.v", ImportOptions{});
  ASSERT_TRUE(box.ok) << box.messages;
  EXPECT_TRUE(has(box.text, "ITM u_ram(BBOX) addr(in,4) clk(in,1) din(in,8) dout(out,8) we(in,1)\n")) << box.text;
  EXPECT_TRUE(has(box.text, "LINK u_ram.dout -> xor1.a\n")) << box.text;
  EXPECT_TRUE(has(box.text, "LINK blackbox_top.d -> u_ram.din\n")) << box.text;
  EXPECT_EQ(box.warnings, 1);
  EXPECT_TRUE(has(box.messages, "WARNING: Module 'sram16x8' of instance 'u_ram' (blackbox_top.v:4) is not defined"))
      << box.messages;

  ImportOptions withModel;
  withModel.libs.push_back(kDesigns + "sram16x8_model.v");
  const Imported modelled = importFile("blackbox_top.v", withModel);
  ASSERT_TRUE(modelled.ok) << modelled.messages;
  EXPECT_EQ(modelled.warnings, 0) << modelled.messages;
  EXPECT_FALSE(has(modelled.text, "(BBOX)")) << modelled.text;
  EXPECT_TRUE(has(modelled.text, "(REG)")) << modelled.text;  // the model's 16 words
}

// One small design per construct, each imported whole (the .sv ones as SystemVerilog).
struct ConstructCase {
  const char* file;
  const char* top;
  const char* item;  // a line the description holds
};

class VerilogConstruct : public ::testing::TestWithParam<ConstructCase> {};

TEST_P(VerilogConstruct, Imports) {
  const ConstructCase& c = GetParam();
  const Imported r = importFile(c.file, ImportOptions{c.top});
  ASSERT_TRUE(r.ok) << c.file << "\n" << r.messages;
  EXPECT_TRUE(has(r.text, c.item)) << c.file << "\n" << r.text;
  EXPECT_EQ(r.messages, "") << c.file;
}

INSTANTIATE_TEST_SUITE_P(
    Constructs, VerilogConstruct,
    ::testing::Values(ConstructCase{"generate.v", "", "ITM bit_reg_3_r(REG) d(in,1) clk(clk,1) q(out,1)\n"},
                      ConstructCase{"function.v", "", "ITM xor1(XOR) a(in,8) b(in,8) y(out,8)\n"},
                      ConstructCase{"task.v", "", "(ADD)"},
                      ConstructCase{"params.v", "", "ITM add1(ADD) a(in,12) b(in,12) y(out,12)\n"},
                      ConstructCase{"signed.v", "", "ITM mul1(MUL) a(in,16) b(in,16) y(out,16)\n"},
                      ConstructCase{"casez.v", "", "CIR casez_m req(in,4) grant(out,2)\n"},
                      ConstructCase{"multidim.v", "", "ITM grid_15(REG) d(in,8) clk(clk,1) q(out,8)\n"},
                      ConstructCase{"initial.v", "", "ITM c(REG) d(in,4) clk(clk,1) q(out,4)\n"},
                      ConstructCase{"always_ff.sv", "", "ITM q(REG) d(in,8) clk(clk,1) q(out,8)\n"},
                      ConstructCase{"enum.sv", "", "ITM state(REG) d(in,2) clk(clk,1) q(out,2)\n"},
                      ConstructCase{"struct.sv", "", "ITM p(REG) d(in,8) clk(clk,1) q(out,8)\n"},
                      ConstructCase{"logic.sv", "", "ITM or1(OR) a(in,4) b(in,4) y(out,4)\n"}),
    [](const ::testing::TestParamInfo<ConstructCase>& param) {
      std::string name = param.param.file;
      for (char& ch : name)
        if (ch == '.') ch = '_';
      return name;
    });

}  // namespace
