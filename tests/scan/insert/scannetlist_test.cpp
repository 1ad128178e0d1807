// The netlist edit: scan ports, one mux per scanned flip-flop placed last
// before its data input, the shift wiring, and the registers it refuses.
#include "scan/insert/scannetlist.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

using nlohmann::json;

namespace {

// clk 2, en 3, d[1:0] 4-5; register a (2 bits, enable mux in front), register b
// (1 bit, fed by a[0]), output q = b. Extra cells come from `cells`.
std::string netlist(const std::string& aType = "$dff", const std::string& cells = "") {
  return R"({"modules": {"other": {"cells": {}}, "t": {
    "ports": {"clk": {"direction": "input", "bits": [2]}, "en": {"direction": "input", "bits": [3]},
              "d": {"direction": "input", "bits": [4, 5]}, "q": {"direction": "output", "bits": [14]}},
    "cells": {
      "$dff$a": {"type": ")" + aType + R"(", "parameters": {"CLK_POLARITY": "1", "WIDTH": "10",
                 "SRST_POLARITY": "1", "SRST_VALUE": "01"},
                 "attributes": {"src": "t.v:3"},
                 "connections": {"CLK": [2], "D": [10, 11], "Q": [12, 13], "SRST": [3]}},
      "$mux$en": {"type": "$mux", "parameters": {"WIDTH": "10"},
                  "connections": {"A": [12, 13], "B": [4, 5], "S": [3], "Y": [10, 11]}},
      "$dff$b": {"type": "$dff", "parameters": {"CLK_POLARITY": "1"},
                 "connections": {"CLK": [2], "D": [12], "Q": [14]}})" + cells + R"(
    },
    "netnames": {"clk": {"hide_name": 0, "bits": [2]}, "en": {"hide_name": 0, "bits": [3]},
                 "d": {"hide_name": 0, "bits": [4, 5]}, "a": {"hide_name": 0, "bits": [12, 13]}, "b": {"hide_name": 0, "bits": [14]},
                 "q": {"hide_name": 0, "bits": [14]}, "$x": {"hide_name": 1, "bits": [10, 11]}}}}})";
}

ScanRegisterRef regA() { return {"a", "$dff$a", "t.v:3"}; }
ScanRegisterRef regB() { return {"b", "$dff$b", ""}; }

// The cell driving bits `y` (by its Y pin), or null.
const json* driverOf(const json& module, const json& y) {
  for (const json& cell : module["cells"])
    if (cell["connections"].contains("Y") && cell["connections"]["Y"] == y) return &cell;
  return nullptr;
}

json edited(const ScanNetlistResult& r) { return json::parse(r.netlist)["modules"]["t"]; }

std::string allErrors(const ScanNetlistResult& r) {
  std::string s;
  for (const std::string& e : r.errors) s += e + "\n";
  return s;
}

TEST(ScanNetlist, ScanMuxIsTheLastCellBeforeEachFlipFlopAndChainsShiftInOrder) {
  const ScanNetlistResult r = insertScanChains(netlist(), "t.json", "t", {{regA(), regB()}});
  ASSERT_TRUE(r.ok()) << allErrors(r);
  const json doc = json::parse(r.netlist);
  EXPECT_FALSE(doc["modules"].contains("other"));  // the design is written flat
  const json m = doc["modules"]["t"];
  const json& ports = m["ports"];
  ASSERT_TRUE(ports.contains("SCAN_MODE") && ports.contains("SCAN_IN0") && ports.contains("SCAN_OUT0"));
  EXPECT_EQ(ports["SCAN_MODE"]["direction"], "input");
  EXPECT_EQ(ports["SCAN_OUT0"]["direction"], "output");
  const json mode = ports["SCAN_MODE"]["bits"], in = ports["SCAN_IN0"]["bits"];
  const json* out = driverOf(m, ports["SCAN_OUT0"]["bits"]);  // a buffer of the last flip-flop, b
  ASSERT_NE(out, nullptr);
  EXPECT_EQ((*out)["connections"]["A"], json::array({14}));

  const json* scanA = driverOf(m, m["cells"]["$dff$a"]["connections"]["D"]);
  ASSERT_NE(scanA, nullptr);
  EXPECT_EQ((*scanA)["type"], "$mux");
  EXPECT_EQ((*scanA)["connections"]["S"], mode);
  EXPECT_EQ((*scanA)["connections"]["A"], json::array({10, 11}));  // the enable mux stays functional
  EXPECT_EQ((*scanA)["connections"]["B"], json::array({in[0], 12}));  // SCAN_IN, then a[0] into a[1]
  EXPECT_EQ(m["cells"]["$mux$en"]["connections"]["Y"], json::array({10, 11}));

  const json* scanB = driverOf(m, m["cells"]["$dff$b"]["connections"]["D"]);
  ASSERT_NE(scanB, nullptr);
  EXPECT_EQ((*scanB)["connections"]["A"], json::array({12}));
  EXPECT_EQ((*scanB)["connections"]["B"], json::array({13}));  // a's last bit

  ASSERT_EQ(r.chains.size(), 1u);
  const ScannedChain& c = r.chains[0];
  EXPECT_EQ(c.in, "SCAN_IN0");
  EXPECT_EQ(c.clock, "clk");
  EXPECT_TRUE(c.risingEdge);
  ASSERT_EQ(c.flops.size(), 3u);
  EXPECT_EQ(c.flops[1].reg, "a");
  EXPECT_EQ(c.flops[1].bit, 1);
  EXPECT_EQ(c.flops[2].net, "b");  // the narrowest visible name of b's bit (b and q are both 1 bit)
}

TEST(ScanNetlist, NoChainAddsOnlyScanModeAndFreshBitsDoNotClash) {
  const ScanNetlistResult none = insertScanChains(netlist(), "t.json", "t", {});
  ASSERT_TRUE(none.ok()) << allErrors(none);
  const json m = edited(none);
  EXPECT_EQ(m["ports"].size(), 5u);
  EXPECT_GT(m["ports"]["SCAN_MODE"]["bits"][0].get<long>(), 14);

  const ScanNetlistResult two = insertScanChains(netlist(), "t.json", "t", {{regB()}, {regA()}});
  ASSERT_TRUE(two.ok()) << allErrors(two);
  const json p = edited(two)["ports"];
  EXPECT_EQ((*driverOf(edited(two), p["SCAN_OUT0"]["bits"]))["connections"]["A"], json::array({14}));
  EXPECT_EQ((*driverOf(edited(two), p["SCAN_OUT1"]["bits"]))["connections"]["A"], json::array({13}));
  EXPECT_NE(p["SCAN_IN0"]["bits"], p["SCAN_IN1"]["bits"]);
  EXPECT_EQ(two.chains[1].flops.front().reg, "a");
}

TEST(ScanNetlist, SynchronousResetMovesInFrontOfTheScanMux) {
  const ScanNetlistResult r = insertScanChains(netlist("$sdff"), "t.json", "t", {{regA()}});
  ASSERT_TRUE(r.ok()) << allErrors(r);
  const json m = edited(r);
  const json& ff = m["cells"]["$dff$a"];
  EXPECT_EQ(ff["type"], "$dff");
  EXPECT_FALSE(ff["connections"].contains("SRST"));
  const json* scan = driverOf(m, ff["connections"]["D"]);
  ASSERT_NE(scan, nullptr);
  const json* reset = driverOf(m, (*scan)["connections"]["A"]);
  ASSERT_NE(reset, nullptr);
  EXPECT_EQ((*reset)["connections"]["S"], json::array({3}));
  EXPECT_EQ((*reset)["connections"]["A"], json::array({10, 11}));
  EXPECT_EQ((*reset)["connections"]["B"], json::array({"1", "0"}));  // SRST_VALUE 01, LSB first
}

TEST(ScanNetlist, RefusesWhatCannotShiftWithThePlaceOfEach) {
  struct Case {
    std::string type, extraCells;
    ScanChainRequest chains;
    std::string expected;
  };
  const std::string clk2 = R"(, "$dff$c": {"type": "$dff", "parameters": {"CLK_POLARITY": "0"},
      "connections": {"CLK": [3], "D": [4], "Q": [20]}})";
  const Case cases[] = {
      {"$dlatch", "", {{regA()}}, "t.v:3: register 'a' is a latch"},
      {"$memrd_v2", "", {{regA()}}, "clocked read port of a memory"},
      {"$dff", "", {{regA()}, {regA()}}, "register 'a' appears twice"},
      {"$dff", "", {{{"x", "$nosuch", ""}}}, "has no cell '$nosuch'"},
      {"$dff", clk2, {{regB(), {"c", "$dff$c", "t.v:9"}}},
       "t.v:9: register 'c' in chain 0 is clocked on the falling edge of en, but register 'b' on the rising "
       "edge of clk"},
  };
  for (const Case& c : cases) {
    const ScanNetlistResult r = insertScanChains(netlist(c.type, c.extraCells), "t.json", "t", c.chains);
    EXPECT_FALSE(r.ok()) << c.expected;
    EXPECT_NE(allErrors(r).find(c.expected), std::string::npos) << allErrors(r);
    EXPECT_TRUE(r.netlist.empty());
  }
  std::string taken = netlist();
  taken.replace(taken.find("\"q\": {\"hide_name\""), 3, "\"SCAN_IN0\"");
  const ScanNetlistResult r = insertScanChains(taken, "t.json", "t", {{regA()}});
  EXPECT_NE(allErrors(r).find("already has a signal named 'SCAN_IN0'"), std::string::npos) << allErrors(r);
  EXPECT_FALSE(insertScanChains("{\"modules\": []}", "t.json", "t", {}).ok());
  EXPECT_FALSE(insertScanChains("not json", "t.json", "t", {}).ok());
}

}  // namespace
