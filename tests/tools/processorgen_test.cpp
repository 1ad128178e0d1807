// The processor-like generated design: its size, that it reads cleanly, that
// every cell is read by something, and that the Verilog form matches it.
#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <string>

#include "model/model.h"
#include "processorgen.h"
#include "read/import.h"
#include "test_diagnostics.h"

namespace {

std::unique_ptr<Circuit> readText(std::string text) {
  FILE* in = fmemopen(text.data(), text.size(), "r");
  if (!in) return nullptr;
  testing::internal::CaptureStdout();
  auto c = readCirData(in, testDiagnostics());
  testing::internal::GetCapturedStdout();
  std::fclose(in);
  return c;
}

long count(const std::string& text, const std::string& pattern) {
  const std::regex re(pattern);
  return std::distance(std::sregex_iterator(text.begin(), text.end(), re), std::sregex_iterator());
}

TEST(ProcessorGen, HasTheAskedSizeReadsCleanlyAndLeavesNoCellUnread) {
  for (const ProcessorOptions o : {ProcessorOptions{600, 10000, 1}, ProcessorOptions{7, 20, 3}, ProcessorOptions{1, 1, 2}}) {
    const long errors = testDiagnostics().count();
    auto c = readText(processorCircuit(o));
    ASSERT_TRUE(c);
    EXPECT_EQ(testDiagnostics().count(), errors);
    EXPECT_EQ(c->getNREGs(), o.registers);
    long items = 0;
    for (Item* i = c->getIList(); i; i = i->getNext()) {
      if (i->getType() == UUA) continue;
      ++items;
      for (Port* p = i->getPList(); p; p = p->getNext()) {
        if (p->getType() == OUT) {
          EXPECT_GT(p->getNLinksOut(), 0u) << i->getName() << " drives nothing";
        }
      }
    }
    EXPECT_EQ(items, std::max(o.cells, o.registers * 4));
  }
}

TEST(ProcessorGen, SameOptionsSameDesignAnotherSeedAnother) {
  const ProcessorOptions a{50, 800, 1}, b{50, 800, 2};
  EXPECT_EQ(processorCircuit(a), processorCircuit(a));
  EXPECT_NE(processorCircuit(a), processorCircuit(b));
  EXPECT_EQ(processorVerilog(a), processorVerilog(a));
}

TEST(ProcessorGen, VerilogHasTheDescriptionsRegistersAndCells) {
  const ProcessorOptions o{40, 600, 5};
  const std::string desc = processorCircuit(o), v = processorVerilog(o);
  EXPECT_EQ(count(v, "\n  reg "), count(desc, "\\(REG\\)"));
  EXPECT_EQ(count(v, "\n  wire "), count(desc, "\nITM ") - count(desc, "\\(REG\\)"));
  EXPECT_EQ(count(v, "\n    r[0-9]+ <= "), o.registers);
  EXPECT_EQ(count(desc, "\\(MUX\\)"), count(v, " \\? "));
  EXPECT_NE(v.find("endmodule"), std::string::npos);
}

}  // namespace
