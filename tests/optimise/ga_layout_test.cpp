// Scan layouts: chromosome fields, notation in and out, applying a layout to
// the circuit and taking it out again.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "optimise/ga.h"
#include "ga_test_util.h"

using gatest::applyChromosome;
using gatest::ErrorCapture;
using gatest::primaryPorts;
using gatest::structure;
using gatest::targets;

namespace {

std::unique_ptr<Circuit> diffeq() {
  auto c = gatest::loadExample("diffeq");
  EXPECT_TRUE(c);
  return c;
}

Population layoutOf(Circuit& c, int techniques = ORDERED_SCAN) {
  return Population("TApopulation", 1, getScanChrLen(techniques, c.getNREGs()), techniques, &c, testDiagnostics());
}

Port* port(const Circuit& c, const std::string& name) {
  ErrorCapture quiet;
  return c.getPortPtr(name);
}

// Writes a chromosome given as text into slot chID.
void setChromosome(Population& pop, int chID, const std::string& text) {
  ASSERT_EQ(static_cast<int>(text.size()), pop.getChLen());
  std::copy(text.begin(), text.end(), pop.getDataPtr() + chID * pop.getChLen());
}

}  // namespace

TEST(ChromosomeFields, LengthsWidthsAndFieldValues) {
  EXPECT_EQ(getScanChrLen(ORDERED_SCAN, 6), 42);
  EXPECT_EQ(getScanChrLen(UNORDERED_SCAN, 6), 24);
  EXPECT_EQ(getScanChrLen(ORDERED_SCAN | UNORDERED_SCAN, 6), 42);  // ordered wins
  EXPECT_EQ(getScanChrLen(ORDERED_SCAN, 1), 3);
  EXPECT_EQ(getScanChrLen(ORDERED_SCAN, 0), 0);
  EXPECT_EQ(getScanChrLen(ORDERED_SCAN, -3), 0);
  EXPECT_DOUBLE_EQ(tarvex::log2(8.0), 3.0);
  for (int r : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 16, 17})
    EXPECT_EQ(1 << scanFieldWidth(r), std::max(1, static_cast<int>(std::bit_ceil(static_cast<unsigned>(r)))))
        << r;
  const unsigned char f[] = "101";
  EXPECT_EQ(bin2int(f, 3), 5);
  EXPECT_EQ(bin2int(f, 0), 0);
  EXPECT_EQ(bin2int(nullptr, 3), 0);
  const unsigned char zeros[3] = {0, 0, 0};  // a fresh chromosome holds zero bytes
  EXPECT_EQ(bin2int(zeros, 3), 0);
}

TEST(NotationCheck, AcceptsLayoutsAndRejectsWhatCannotBeApplied) {
  for (const char* ok : {"0.1.2.3.4.5", "012345", "5.4.3.2.1.0", "543210", "3.3", "0", "555555"})
    EXPECT_EQ(notationProblem(ok, 6), "") << ok;
  for (const char* bad : {"", ".", "0..1", ".0", "0.", "0,1", "a", "-1", "6", "9", "0.1.2.3.4.5.0",
                          "0000000", " 0"})
    EXPECT_NE(notationProblem(bad, 6), "") << bad;
  EXPECT_NE(notationProblem("0", 0), "");
  EXPECT_EQ(notationProblem("0.9", 11), "");  // digits reach the first ten registers
  EXPECT_EQ(notationProblem("9", 10), "");
  EXPECT_NE(notationProblem("1", 1), "");
}

TEST(ScanNotation, OwnChainPerRegisterOnTheBenchmark) {
  auto c = diffeq();
  const int area = c->getArea();
  const int pins = c->getNPins(), pcins = c->getNPCins(), pouts = c->getNPouts();
  Population pop = layoutOf(*c);
  ASSERT_TRUE(pop.encodeNotation("0.1.2.3.4.5", 0));
  auto applied0 = applyChromosome(*c, pop, 0);
  EXPECT_EQ(pop.getNotation(0), "0.1.2.3.4.5");
  // register index 5 - d is digit d: chain g, position 0, written as 3-bit fields
  EXPECT_EQ(pop.chromosome(0).substr(0, 6), "111111");
  EXPECT_EQ(pop.chromosome(0).substr(6 + 3 * 5, 3), "000");   // register 5 = digit 0: chain 0
  EXPECT_EQ(pop.chromosome(0).substr(6 + 3 * 0, 3), "101");   // register 0 = digit 5: chain 5
  EXPECT_EQ(primaryPorts(*c).substr(0, 228),
            "diffeq.SCAN_OUT5 diffeq.SCAN_IN5 diffeq.SCAN_OUT4 diffeq.SCAN_IN4 diffeq.SCAN_OUT3 "
            "diffeq.SCAN_IN3 diffeq.SCAN_OUT2 diffeq.SCAN_IN2 diffeq.SCAN_OUT1 diffeq.SCAN_IN1 "
            "diffeq.SCAN_OUT0 diffeq.SCAN_IN0 diffeq.SCAN_MODE diffeq.result");
  for (int k = 0; k < 6; ++k) {
    const std::string reg = "reg" + std::to_string(k + 1);
    EXPECT_EQ(c->getItemPtr(reg)->getType(), SREG);
    EXPECT_EQ(targets(port(*c, "diffeq.SCAN_IN" + std::to_string(k))), reg + ".SCAN_IN");
    EXPECT_EQ(targets(port(*c, reg + ".SCAN_OUT")), "diffeq.SCAN_OUT" + std::to_string(k));
  }
  EXPECT_EQ(targets(port(*c, "diffeq.SCAN_MODE")),
            "reg6.SCAN_MODE reg5.SCAN_MODE reg4.SCAN_MODE reg3.SCAN_MODE reg2.SCAN_MODE reg1.SCAN_MODE");
  EXPECT_EQ(c->getArea(), area + 6 * 40);
  EXPECT_EQ(c->getNPins(), pins + 6);
  EXPECT_EQ(c->getNPCins(), pcins + 1);
  EXPECT_EQ(c->getNPouts(), pouts + 6);
}

TEST(ScanNotation, OneChainInReverseOrder) {
  auto c = diffeq();
  Population pop = layoutOf(*c);
  ASSERT_TRUE(pop.encodeNotation("543210", 0));
  auto applied0 = applyChromosome(*c, pop, 0);
  EXPECT_EQ(pop.getNotation(0), "543210");
  EXPECT_EQ(targets(port(*c, "diffeq.SCAN_IN0")), "reg6.SCAN_IN");
  for (int r = 6; r > 1; --r)
    EXPECT_EQ(targets(port(*c, "reg" + std::to_string(r) + ".SCAN_OUT")), "reg" + std::to_string(r - 1) + ".SCAN_IN");
  EXPECT_EQ(targets(port(*c, "reg1.SCAN_OUT")), "diffeq.SCAN_OUT0");
  EXPECT_EQ(port(*c, "diffeq.SCAN_IN1"), nullptr);
}

TEST(ScanNotation, RepeatedRegisterTakesItsLastPlace) {
  auto c = diffeq();
  Population pop = layoutOf(*c);
  ASSERT_TRUE(pop.encodeNotation("3.3", 0));
  auto applied0 = applyChromosome(*c, pop, 0);
  const std::string chr = pop.chromosome(0);
  EXPECT_EQ(chr.substr(0, 6), "001000");               // only register 2 (digit 3)
  EXPECT_EQ(chr.substr(6 + 2 * 3, 3), "001");          // chain 1
  EXPECT_EQ(chr.substr(6 + 18 + 2 * 3, 3), "000");     // position 0
  EXPECT_EQ(pop.getNotation(0), "3");                  // chains are renumbered densely
  EXPECT_EQ(targets(port(*c, "diffeq.SCAN_IN0")), "reg4.SCAN_IN");
  EXPECT_EQ(targets(port(*c, "reg4.SCAN_OUT")), "diffeq.SCAN_OUT0");
}

TEST(ScanNotation, InvalidNotationChangesNothing) {
  auto c = diffeq();
  Population pop = layoutOf(*c);
  ASSERT_TRUE(pop.encodeNotation("012", 0));
  const std::string before = structure(*c);
  const std::string chr = pop.chromosome(0);
  for (const char* bad : {"0.1.x", "0..1", "6", "0.1.2.3.4.5.0", "0123450"}) {
    ErrorCapture errors;
    EXPECT_FALSE(pop.encodeNotation(bad, 0)) << bad;
    EXPECT_EQ(errors.count(), 1) << bad;
    EXPECT_NE(errors.text().find(std::string("'") + bad + "'"), std::string::npos) << errors.text();
  }
  EXPECT_EQ(structure(*c), before);
  EXPECT_EQ(pop.chromosome(0), chr);
  ErrorCapture errors;
  EXPECT_FALSE(pop.encodeNotation("0", 1));  // no such chromosome
  EXPECT_EQ(errors.count(), 1);
}

TEST(ChromosomeLayouts, NoFlagsMeansNoLayout) {
  auto c = diffeq();
  const std::string before = structure(*c);
  Population pop = layoutOf(*c);
  setChromosome(pop, 0, std::string(6, '0') + std::string(36, '1'));
  EXPECT_EQ(pop.getNotation(0), "");
  auto applied0 = applyChromosome(*c, pop, 0);
  EXPECT_EQ(structure(*c), before);
  // a fresh chromosome of zero bytes is an empty layout too
  Population fresh = layoutOf(*c);
  EXPECT_EQ(fresh.getNotation(0), "");
  auto appliedFresh = applyChromosome(*c, fresh, 0);
  EXPECT_EQ(structure(*c), before);
}

TEST(ChromosomeLayouts, CollisionRepairSeparatesTheRegisters) {
  auto c = diffeq();
  Population pop = layoutOf(*c);
  // registers 1 and 2 both claim position 3 of chain 2
  std::string chr = "011000" + std::string(18, '0') + std::string(18, '0');
  chr.replace(6 + 3, 3, "010");
  chr.replace(6 + 6, 3, "010");
  chr.replace(24 + 3, 3, "011");
  chr.replace(24 + 6, 3, "011");
  setChromosome(pop, 0, chr);
  EXPECT_EQ(pop.getNotation(0), "3");  // only the higher register index is listed
  EXPECT_EQ(pop.check_sregs(0, 1, 2), 0);
  EXPECT_EQ(pop.check_sregs(0, 1, 2), 1);
  // position fields are flipped by the register numbers (bit k = character k)
  EXPECT_EQ(pop.chromosome(0).substr(24 + 3, 3), "111");  // 011 xor (1,0,0)
  EXPECT_EQ(pop.chromosome(0).substr(24 + 6, 3), "001");  // 011 xor (0,1,0)
  EXPECT_EQ(pop.getNotation(0), "34");
  // chr_correct repairs the same collision
  setChromosome(pop, 0, chr);
  pop.chr_correct(0);
  EXPECT_EQ(pop.getNotation(0), "34");
  EXPECT_EQ(pop.check_sregs(0, 0, 1), 1);  // register 0 is not a scan register
}

TEST(ChromosomeLayouts, SparseChainValuesAreNumberedDensely) {
  auto c = diffeq();
  Population pop = layoutOf(*c);
  // register 5 (digit 0) in chain 0, register 0 (digit 5) in chain 5
  std::string chr = "100001" + std::string(36, '0');
  chr.replace(6 + 0, 3, "101");
  setChromosome(pop, 0, chr);
  EXPECT_EQ(pop.getNotation(0), "0.5");
  auto applied0 = applyChromosome(*c, pop, 0);
  EXPECT_EQ(targets(port(*c, "diffeq.SCAN_IN0")), "reg1.SCAN_IN");
  EXPECT_EQ(targets(port(*c, "diffeq.SCAN_IN1")), "reg6.SCAN_IN");
  EXPECT_EQ(port(*c, "diffeq.SCAN_IN2"), nullptr);
}

TEST(ChromosomeLayouts, UnorderedChainsFollowRegisterIndex) {
  auto c = diffeq();
  const std::string before = structure(*c);
  Population pop = layoutOf(*c, UNORDERED_SCAN);
  ASSERT_EQ(pop.getChLen(), 24);
  // registers 1, 3 and 4 in chain 6; register 0 flagged in chain 2
  std::string chr = "110110" + std::string(18, '0');
  chr.replace(6 + 0, 3, "010");
  chr.replace(6 + 3, 3, "110");
  chr.replace(6 + 9, 3, "110");
  chr.replace(6 + 12, 3, "110");
  setChromosome(pop, 0, chr);
  EXPECT_EQ(pop.getNotation(0), "");
  pop.chr_correct(0);
  EXPECT_EQ(pop.chromosome(0), chr);  // nothing to repair without positions
  auto applied0 = applyChromosome(*c, pop, 0);
  EXPECT_EQ(targets(port(*c, "diffeq.SCAN_IN0")), "reg6.SCAN_IN");    // chain value 2
  EXPECT_EQ(targets(port(*c, "reg6.SCAN_OUT")), "diffeq.SCAN_OUT0");
  EXPECT_EQ(targets(port(*c, "diffeq.SCAN_IN1")), "reg5.SCAN_IN");    // chain value 6: 1, 3, 4
  EXPECT_EQ(targets(port(*c, "reg5.SCAN_OUT")), "reg3.SCAN_IN");
  EXPECT_EQ(targets(port(*c, "reg3.SCAN_OUT")), "reg2.SCAN_IN");
  EXPECT_EQ(targets(port(*c, "reg2.SCAN_OUT")), "diffeq.SCAN_OUT1");
  EXPECT_EQ(c->getItemPtr("reg4")->getType(), REG);
  applied0.reset();
  EXPECT_EQ(structure(*c), before);
}

TEST(ChromosomeLayouts, TakingOutRestoresTheCircuitAsRead) {
  auto c = diffeq();
  const std::string before = structure(*c);
  Population pop = layoutOf(*c);
  for (const char* n : {"0.1.2.3.4.5", "012345", "5.4.3.2.1.0", "543210", "3.3", "02.4.135"}) {
    ASSERT_TRUE(pop.encodeNotation(n, 0));
    auto applied0 = applyChromosome(*c, pop, 0);
    EXPECT_NE(structure(*c), before);
    applied0.reset();
    EXPECT_EQ(structure(*c), before) << n;
  }
  // taking out removes every applied layout, also one applied without an undo
  ASSERT_TRUE(pop.encodeNotation("01.23", 0));
  insertScanLayout(*c, pop.registers(), pop.chains(0));
  EXPECT_NE(structure(*c), before);
  removeScanLayout(*c);
  EXPECT_EQ(structure(*c), before);
}

TEST(ChromosomeLayouts, DescribedScanItemsAreNotTheLayouts) {
  auto c = gatest::parseCircuit(
      "CIR s a(in,8) clk(clk,1) SCAN_EN(sel,1) SCAN_IN0(in,1) y(out,8)\n"
      "ITM r0(REG) d(in,8) c(clk,1) q(out,8)\n"
      "ITM keep(SREG) d(in,8) c(clk,1) SCAN_MODE(sel,1) SCAN_IN(in,1) SCAN_OUT(out,1) q(out,8)\n"
      "ITM r1(REG) d(in,8) c(clk,1) q(out,8)\n"
      "LINK s.a -> r0.d\nLINK r0.q -> keep.d\nLINK keep.q -> r1.d\nLINK r1.q -> s.y\n"
      "LINK s.SCAN_EN -> keep.SCAN_MODE\nLINK s.SCAN_IN0 -> keep.SCAN_IN\n"
      "LINK s.clk -> r0.c keep.c r1.c\n");
  ASSERT_TRUE(c);
  ASSERT_EQ(c->getNREGs(), 2);
  const std::string before = structure(*c);
  Population pop = layoutOf(*c);
  ASSERT_TRUE(pop.encodeNotation("01", 0));
  auto applied0 = applyChromosome(*c, pop, 0);
  // digit 0 is r0 (first described), digit 1 is r1; the declared SREG is skipped
  EXPECT_EQ(targets(port(*c, "s.SCAN_MODE")), "r1.SCAN_MODE r0.SCAN_MODE");
  EXPECT_EQ(targets(port(*c, "r0.SCAN_OUT")), "r1.SCAN_IN");
  {
    ErrorCapture errors;
    EXPECT_FALSE(pop.encodeNotation("2", 0));  // no third layout register
  }
  applied0.reset();
  EXPECT_EQ(structure(*c), before);
  EXPECT_EQ(c->getItemPtr("keep")->getType(), SREG);
}

TEST(ChromosomeLayouts, NotationRoundTripsForOneToTenRegisters) {
  std::mt19937 gen(7);
  for (int r = 1; r <= 10; ++r) {
    auto c = gatest::parseCircuit(gatest::registerChain(r));
    ASSERT_TRUE(c);
    ASSERT_EQ(c->getNREGs(), r);
    const std::string before = structure(*c);
    Population pop("p", 2, getScanChrLen(ORDERED_SCAN, r), ORDERED_SCAN, c.get(), testDiagnostics());
    for (int trial = 0; trial < 40; ++trial) {
      // notation -> chromosome -> notation: a random partition of a random subset
      std::vector<int> regs(static_cast<size_t>(r));
      for (int i = 0; i < r; ++i) regs[static_cast<size_t>(i)] = i;
      std::shuffle(regs.begin(), regs.end(), gen);
      const int used = 1 + static_cast<int>(gen() % static_cast<unsigned>(r));
      std::string n;
      for (int k = 0; k < used; ++k) {
        if (k > 0 && gen() % 3 == 0) n += '.';
        n += static_cast<char>('0' + regs[static_cast<size_t>(k)]);
      }
      ASSERT_TRUE(pop.encodeNotation(n, 0)) << n;
      EXPECT_EQ(pop.getNotation(0), n) << "registers " << r;
      // chromosome -> notation -> chromosome gives the same circuit
      std::string random(static_cast<size_t>(pop.getChLen()), '0');
      for (char& ch : random) ch = gen() % 2 ? '1' : '0';
      setChromosome(pop, 1, random);
      pop.chr_correct(1);
      const std::string text = pop.getNotation(1);
      auto applied1 = applyChromosome(*c, pop, 1);
      const std::string applied = structure(*c);
      applied1.reset();
      EXPECT_EQ(structure(*c), before);
      if (text.empty()) {
        EXPECT_EQ(applied, before);
        continue;
      }
      ASSERT_TRUE(pop.encodeNotation(text, 0)) << text;
      auto applied0 = applyChromosome(*c, pop, 0);
      EXPECT_EQ(structure(*c), applied) << text;
      EXPECT_EQ(pop.getNotation(0), text);
      applied0.reset();
    }
  }
}

TEST(ChromosomeLayouts, TooShortChromosomesAreNeverApplied) {
  auto c = diffeq();
  const std::string before = structure(*c);
  Population shortPop("short", 1, 10, ORDERED_SCAN, c.get(), testDiagnostics());
  ErrorCapture errors;
  EXPECT_FALSE(shortPop.encodeNotation("0", 0));
  EXPECT_EQ(errors.count(), 1);
  auto appliedShort = applyChromosome(*c, shortPop, 0);
  EXPECT_EQ(shortPop.getNotation(0), "");
  EXPECT_EQ(shortPop.check_sregs(0, 0, 1), 1);
  EXPECT_EQ(structure(*c), before);
}

TEST(ChromosomeLayouts, DigitsNameTheFirstTenOfMoreRegisters) {
  auto c = gatest::parseCircuit(gatest::registerChain(12));
  ASSERT_TRUE(c);
  const std::string before = structure(*c);
  Population pop = layoutOf(*c);
  ASSERT_TRUE(pop.encodeNotation("0.94", 0));
  auto applied0 = applyChromosome(*c, pop, 0);
  EXPECT_EQ(targets(port(*c, "chain.SCAN_IN0")), "r0.SCAN_IN");
  EXPECT_EQ(targets(port(*c, "chain.SCAN_IN1")), "r9.SCAN_IN");
  EXPECT_EQ(targets(port(*c, "r9.SCAN_OUT")), "r4.SCAN_IN");
  applied0.reset();
  EXPECT_EQ(structure(*c), before);
}
