// Reading gate-level netlists: what is simulated, what is refused and how
// the problems are named; the clock network and the fault list.
#include <gtest/gtest.h>

#include <string>

#include "faultsim/faults.h"
#include "faultsim/netlist.h"
#include "faultsim/registermap.h"
#include "faultsim/simcircuit.h"
#include "netlist_builder.h"

namespace {

std::string module(const std::string& cells, const std::string& ports =
                                                  R"("clk": {"direction": "input", "bits": [2]},
                                                     "a": {"direction": "input", "bits": [3]},
                                                     "y": {"direction": "output", "bits": [5]})") {
  return R"({"modules": {"top": {"attributes": {"top": 1}, "ports": {)" + ports + R"(}, "cells": {)" + cells +
         R"(}, "netnames": {"state": {"bits": [4]}, "$hidden": {"hide_name": 1, "bits": [5]}}}}})";
}

const char* kFlop = R"("ff": {"type": "$_DFF_P_", "attributes": {"src": "d.v:7.3-7.9"},
                             "connections": {"C": [2], "D": [3], "Q": [4]}})";

TEST(GateNetlistReader, ReadsGatesFlopsPortsAndNames) {
  std::vector<std::string> problems;
  GateNetlist n;
  ASSERT_TRUE(readGateNetlist(
      module(std::string(kFlop) + R"(, "inv": {"type": "$_NOT_", "connections": {"A": [4], "Y": [5]}})"), "d.json",
      "", n, problems));
  EXPECT_EQ(n.module, "top");
  ASSERT_EQ(n.gates.size(), 1u);
  ASSERT_EQ(n.flops.size(), 1u);
  EXPECT_EQ(n.flops[0].origin, "d.v:7");
  EXPECT_EQ(n.gates[0].in[0], n.flops[0].q);
  EXPECT_EQ(flopsOfRegister(n, "state"), std::vector<int>{0});
  EXPECT_EQ(n.netNames.count("$hidden"), 0u);
  // The clock input reaches only the clock pin: it is not data and has no fault.
  SimCircuit s;
  ASSERT_TRUE(buildSimCircuit(n, {1}, s, problems));
  EXPECT_EQ(s.dataInputs.size(), 1u);
  const FaultList faults = buildFaultList(n, s);
  EXPECT_EQ(faults.faults.size(), 2u * (2 + 2 + 1 + 1));  // NOT A/Y, D/Q, input a, output y
  for (const Fault& f : faults.faults) EXPECT_NE(faultLine(n, s, f, false).substr(0, 6), "clk[0]");
}

TEST(GateNetlistReader, NamesTheCellAndLineOfWhatItRefuses) {
  std::vector<std::string> problems;
  GateNetlist n;
  EXPECT_FALSE(readGateNetlist(module(R"("lat": {"type": "$_DLATCH_P_", "attributes": {"src": "d.v:9.1-9.5"},
                                         "connections": {"E": [2], "D": [3], "Q": [4]}})"),
                               "d.json", "", n, problems));
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].rfind("d.v:9: cell 'lat' of type '$_DLATCH_P_'", 0), 0u) << problems[0];

  problems.clear();
  EXPECT_FALSE(readGateNetlist(module(std::string(kFlop) + R"(, "x": {"type": "$_BUF_", "connections": {"A": [3], "Y": [4]}})"),
                               "d.json", "", n, problems));
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_NE(problems[0].find("already driven"), std::string::npos);

  for (const char* bad : {"", "{", R"({"modules": {}})", R"({"modules": {"a": {}, "b": {}}})"}) {
    problems.clear();
    EXPECT_FALSE(readGateNetlist(bad, "d.json", "", n, problems)) << bad;
    EXPECT_EQ(problems.size(), 1u) << bad;
  }
  problems.clear();
  EXPECT_FALSE(readGateNetlist(module(R"("g": {"type": "$_AND_", "connections": {"A": [3, 4], "B": [3], "Y": [5]}})"),
                               "d.json", "", n, problems));
  EXPECT_NE(problems.at(0).find("no single-bit pin 'A'"), std::string::npos);
}

TEST(GateNetlistReader, RefusesCombinationalLoops) {
  NetlistBuilder b;
  const int a = b.input("a");
  b.gate(GateKind::And, a, 5);  // reads the net the next gate drives
  b.gate(GateKind::Not, 4);
  std::vector<std::string> problems;
  SimCircuit s;
  EXPECT_FALSE(buildSimCircuit(b.n, {}, s, problems));
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_NE(problems[0].find("combinational loop"), std::string::npos);
}

TEST(GateNetlistReader, WordLevelNamesFollowTheImporter) {
  EXPECT_EQ(wordLevelName("\\cpu.acc[3]"), "cpu_acc_3");
  EXPECT_EQ(wordLevelName("SCANreg"), "Scanreg");
  EXPECT_EQ(wordLevelName("1st"), "n1st");
}

}  // namespace
