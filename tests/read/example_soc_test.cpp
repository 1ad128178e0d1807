// The hierarchical example design examples/verilog/soc.v (the README's
// block and register summary pictures): its size stays put, and the block table names
// every instance with the items it holds. One yosys run.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "analysis/blockfigures.h"
#include "model/blocks.h"
#include "read/import.h"
#include "test_diagnostics.h"

namespace {

TEST(ExampleSoc, ImportsToAStableSizeWithEveryInstanceInTheBlockTable) {
  const long before = testErrorCount();
  std::unique_ptr<Circuit> c = loadCircuit(std::string(TARVEX_EXAMPLES) + "/verilog/soc.v", {},
                                           systemProcessRunner(), testDiagnostics());
  ASSERT_TRUE(c);
  ASSERT_EQ(testErrorCount(), before);
  int items = 0, registers = 0;
  for (const Item* i = c->getIList(); i; i = i->getNext()) {
    if (i == c->getPortHolder()) continue;  // the circuit's own ports
    ++items;
    registers += i->getType() == REG;
  }
  // More than the 300 items above which lumeno opens a summary (its blocks).
  EXPECT_EQ(items, 1324);
  EXPECT_EQ(registers, 216);

  const BlockTables t = blockTables(*c, 1, 0.0);
  std::set<std::string> names;
  int tabled = 0;
  for (const BlockFigures& f : t.instances) {
    names.insert(f.name);
    tabled += f.items;
    if (f.name != kTopBlockName) {
      EXPECT_GT(f.items, 0) << f.name;
    }
  }
  EXPECT_EQ(names, (std::set<std::string>{kTopBlockName, "u_bus", "u_cpu", "u_gpio_a", "u_gpio_b", "u_intc",
                                          "u_ram", "u_timer0", "u_timer1", "u_uart"}));
  EXPECT_EQ(tabled, items);  // every item in exactly one row
  // The top's own logic is one gate; the address decoders of the CPU's register file are the CPU's.
  ASSERT_FALSE(t.instances.empty());
  EXPECT_EQ(t.instances.front().name, kTopBlockName);
  EXPECT_EQ(t.instances.front().items, 1);
}

}  // namespace
