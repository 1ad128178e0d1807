// The shared helpers over yosys's JSON and its messages, used by the importer,
// the checks and the fault simulator alike.
#include <gtest/gtest.h>

#include "read/blockpath.h"
#include "read/topchoice.h"
#include "read/yosys_json.h"
#include "read/yosys_tool.h"

using yosys_json::json;

TEST(YosysJson, SourceLocationTakesTheFirstPartWithALine) {
  EXPECT_EQ(yosys_json::sourceLocation("rtl/core/alu.v:12.3-12.9"), "alu.v:12");
  EXPECT_EQ(yosys_json::sourceLocation("gen.v:0.0-0.0|rtl/top.v:40.1-41.2"), "top.v:40");
  EXPECT_EQ(yosys_json::sourceLocation("top.v"), "");
  EXPECT_EQ(yosys_json::sourceLocation(""), "");
  EXPECT_EQ(yosys_json::sourceLocation("a.v:x|b.v:"), "");
  // A huge line number stays bounded instead of overflowing.
  const std::string huge = yosys_json::sourceLocation("a.v:99999999999999999999999999");
  EXPECT_EQ(huge.rfind("a.v:", 0), 0u);
  EXPECT_LE(huge.size(), 4u + 10u);
}

TEST(YosysJson, OriginAndAttributes) {
  const json cell = json::parse(R"({"attributes": {"src": "x/y.v:7.1-7.4", "keep": "00000000000000000000000000000001"},
                                    "parameters": {"WIDTH": 8, "ZERO": "0000"}})");
  EXPECT_EQ(yosys_json::originOf(cell), "y.v:7");
  EXPECT_EQ(yosys_json::originOf(json::object()), "");
  EXPECT_TRUE(yosys_json::truthy(yosys_json::member(cell["attributes"], "keep")));
  EXPECT_FALSE(yosys_json::truthy(yosys_json::member(cell["attributes"], "missing")));
  EXPECT_EQ(yosys_json::numberOf(yosys_json::member(cell["parameters"], "WIDTH"), -1), 8);
  EXPECT_EQ(yosys_json::numberOf(yosys_json::member(cell["parameters"], "ZERO"), -1), 0);
  EXPECT_EQ(yosys_json::numberOf(yosys_json::member(cell, "attributes"), -1), -1);  // an object is no number
  EXPECT_EQ(yosys_json::member(json::array(), "src"), nullptr);
}

TEST(YosysJson, TopCandidates) {
  const json twoFree = json::parse(R"({"a": {"cells": {"u": {"type": "leaf"}}}, "b": {}, "leaf": {}})");
  EXPECT_EQ(yosys_json::topCandidates(twoFree), (std::vector<std::string>{"a", "b"}));
  const json marked = json::parse(R"({"a": {}, "b": {"attributes": {"top": "00000000000000000000000000000001"}}})");
  EXPECT_EQ(yosys_json::topCandidates(marked), (std::vector<std::string>{"b"}));
  const json boxes = json::parse(R"({"m": {"attributes": {"blackbox": 1}}, "t": {}})");
  EXPECT_EQ(yosys_json::topCandidates(boxes), (std::vector<std::string>{"t"}));
  EXPECT_TRUE(yosys_json::topCandidates(json::object()).empty());
  // A module instantiated only with parameters set is used all the same.
  const json paramod = json::parse(R"({"top": {"cells": {"u": {"type": "$paramod\\adder\\W=s32'00000000000000000000000000001100"},
                                                          "v": {"type": "$paramod$4f2a\\mul"}}},
                                       "adder": {}, "mul": {}})");
  EXPECT_EQ(yosys_json::topCandidates(paramod), (std::vector<std::string>{"top"}));
  EXPECT_EQ(yosys_json::moduleOfCellType("$paramod"), "$paramod");
  EXPECT_EQ(yosys_json::moduleOfCellType("$add"), "$add");
}

TEST(YosysJson, PortlessBenchesGiveWayToDesigns) {
  const char* port = R"("ports": {"a": {"direction": "input", "bits": [2]}})";
  // A bench beside a design: the design.
  const json beside = json::parse(std::string(R"({"tb": {}, "dut": {)") + port + "}}");
  TopChoice c = chooseTop(beside);
  EXPECT_EQ(c.candidates, (std::vector<std::string>{"dut"}));
  EXPECT_EQ(c.benches, (std::vector<std::string>{"tb"}));
  // A bench around a design (with parameters set): the design under it.
  const json around = json::parse(std::string(R"({"tb": {"cells": {"u": {"type": "$paramod\\dut\\W=1"},
                                                                  "c": {"type": "$add"}}}, "dut": {)") + port + "}}");
  c = chooseTop(around);
  EXPECT_EQ(c.candidates, (std::vector<std::string>{"dut"}));
  EXPECT_EQ(c.benches, (std::vector<std::string>{"tb"}));
  // A bench around two designs, or around none, stays the choice as before, with nothing set aside.
  const json two = json::parse(std::string(R"({"tb": {"cells": {"u": {"type": "x"}, "v": {"type": "y"}}}, "x": {)") +
                               port + "}, \"y\": {" + port + "}}");
  c = chooseTop(two);
  EXPECT_EQ(c.candidates, (std::vector<std::string>{"tb"}));
  EXPECT_TRUE(c.benches.empty());
  c = chooseTop(json::parse(R"({"alone": {}})"));
  EXPECT_EQ(c.candidates, (std::vector<std::string>{"alone"}));
  EXPECT_TRUE(c.benches.empty());
  // Two designs with ports stay ambiguous.
  c = chooseTop(json::parse(std::string(R"({"p": {)") + port + "}, \"q\": {" + port + "}}"));
  EXPECT_EQ(c.candidates, (std::vector<std::string>{"p", "q"}));
}

TEST(BlockPath, MemoryDecodersTakeTheBlockOfTheMemoryTheyFeed) {
  // Bits: 2-4 address, 5 a decoder's output, 6 a second-level decoder's output, 7 a decoder feeding nothing.
  const json cells = json::parse(R"({
    "$auto$memory_map.cc:92:addr_decode$10": {"type": "$eq", "port_directions": {"A": "input", "Y": "output"},
        "connections": {"A": [2, 3], "Y": [5]}},
    "$auto$memory_map.cc:92:addr_decode$11": {"type": "$and", "port_directions": {"A": "input", "B": "input", "Y": "output"},
        "connections": {"A": [5], "B": [4], "Y": [6]}},
    "$auto$memory_map.cc:92:addr_decode$12": {"type": "$eq", "port_directions": {"A": "input", "Y": "output"},
        "connections": {"A": [2], "Y": [7]}},
    "$auto$memory_map.cc:92:addr_decode$13": {"type": "$eq", "attributes": {"hdlname": "u9 x"},
        "port_directions": {"A": "input", "Y": "output"}, "connections": {"A": [2], "Y": [5]}},
    "$memory\\u1.u2.regs$wren[0][0][0]$20": {"type": "$and", "port_directions": {"A": "input", "Y": "output"},
        "connections": {"A": [6], "Y": [8]}},
    "$memory\\top_mem$rdmux[0][0][0]$21": {"type": "$mux", "port_directions": {"S": "input", "Y": "output"},
        "connections": {"S": [7], "Y": [9]}}
  })");
  const auto blocks = memoryDecoderBlocks(cells);
  EXPECT_EQ(blocks.size(), 2u);
  EXPECT_EQ(blocks.at("$auto$memory_map.cc:92:addr_decode$11"), "u1.u2");  // feeds the memory directly
  EXPECT_EQ(blocks.at("$auto$memory_map.cc:92:addr_decode$10"), "u1.u2");  // through the other decoder
  EXPECT_EQ(blocks.count("$auto$memory_map.cc:92:addr_decode$12"), 0u);   // a memory of the top: no block
  EXPECT_EQ(blocks.count("$auto$memory_map.cc:92:addr_decode$13"), 0u);   // has its own path already
  EXPECT_TRUE(memoryDecoderBlocks(json::array()).empty());
}

TEST(YosysTool, PlainModuleNames) {
  EXPECT_TRUE(yosys_tool::isPlainModuleName("top_1"));
  EXPECT_TRUE(yosys_tool::isPlainModuleName("a$b"));
  for (const char* bad : {"", "1top", "$top", "a b", "a;write_verilog x", "a\\b"})
    EXPECT_FALSE(yosys_tool::isPlainModuleName(bad)) << bad;
  EXPECT_FALSE(yosys_tool::isPlainModuleName(std::string(201, 'a')));
}

TEST(YosysTool, ErrorMessagePrefersErrorLines) {
  EXPECT_EQ(yosys_tool::errorMessage("", "./d.v:3: ERROR: syntax error\nwarning\n"), "d.v:3: ERROR: syntax error");
  EXPECT_EQ(yosys_tool::errorMessage("ERROR: in out\n", "ERROR: in err\n"), "ERROR: in err\nERROR: in out");
  EXPECT_EQ(yosys_tool::errorMessage("out only\n", "first\nlast\n\n"), "last");
  EXPECT_EQ(yosys_tool::errorMessage("ignored\n", ""), "(no message)");
}
