// The scan-readiness checks on a design of 10,000 cells: yosys elaborates
// generated Verilog once (timed apart, for comparison), then the rules run
// on its netlist. Every 100th stage has a gated clock and an internal reset,
// so that the rules have findings to make.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "base/diagnostics.h"
#include "checks/checks.h"
#include "read/import.h"

namespace {

// A data path of `stages` stages: adder, and, multiplexer and register (4 cells a stage).
std::string verilog(int stages) {
  std::string v = "module big(input clk, input rst_n, input en, input sel, input [15:0] x, output [15:0] y);\n";
  v += "  reg [15:0] r0;\n  always @(posedge clk or negedge rst_n) if (!rst_n) r0 <= 0; else r0 <= x;\n";
  for (int s = 1; s < stages; ++s) {
    const std::string n = std::to_string(s), p = std::to_string(s - 1);
    const bool odd = s % 100 == 0;
    v += "  reg [15:0] r" + n + ";\n";
    v += "  wire [15:0] s" + n + " = r" + p + " + x;\n";
    v += "  wire [15:0] m" + n + " = s" + n + " & r" + p + ";\n";
    const std::string clock = odd ? "clk_g" + n : "clk";
    const std::string reset = odd ? "rst_i" + n : "rst_n";
    if (odd) {
      v += "  wire clk_g" + n + " = clk & en;\n";
      v += "  wire rst_i" + n + " = rst_n & r" + p + "[0];\n";
    }
    v += "  always @(posedge " + clock + " or negedge " + reset + ") if (!" + reset + ") r" + n +
         " <= 0; else r" + n + " <= sel ? s" + n + " : m" + n + ";\n";
  }
  v += "  assign y = r" + std::to_string(stages - 1) + ";\nendmodule\n";
  return v;
}

// The netlist of the generated design, made once; the seconds yosys took.
const std::string& bigNetlist(double* yosysSeconds = nullptr) {
  static double seconds = 0;
  static const std::string text = [] {
    const auto path = std::filesystem::temp_directory_path() / "tarvex_check_bench.v";
    std::ofstream(path) << verilog(2500);
    std::string json;
    const auto start = std::chrono::steady_clock::now();
    Diagnostics diagnostics;
    if (!yosysNetlist(path.string(), ImportOptions{}, kCheckPasses, systemProcessRunner(), json, diagnostics))
      json.clear();
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::filesystem::remove(path);
    return json;
  }();
  if (yosysSeconds) *yosysSeconds = seconds;
  return text;
}

void BM_Check10kCells(benchmark::State& state) {
  double yosys = 0;
  const std::string& text = bigNetlist(&yosys);
  if (text.empty()) {
    state.SkipWithError("yosys failed");
    return;
  }
  size_t cells = 0, findings = 0;
  for (auto _ : state) {
    CheckNetlist netlist;
    CheckReport report;
    std::vector<std::string> problems;
    if (!readCheckNetlist(text, "big.v", "", netlist, problems) || !runChecks(netlist, {}, report, problems))
      state.SkipWithError("checks failed");
    cells = netlist.cells.size();
    findings = report.findings.size();
    benchmark::DoNotOptimize(report.findings.data());
  }
  state.counters["cells"] = static_cast<double>(cells);
  state.counters["findings"] = static_cast<double>(findings);
  state.counters["yosys_s"] = yosys;
}
BENCHMARK(BM_Check10kCells)->Unit(benchmark::kMillisecond);

void BM_CheckRulesOnly10kCells(benchmark::State& state) {
  const std::string& text = bigNetlist();
  CheckNetlist netlist;
  std::vector<std::string> problems;
  if (text.empty() || !readCheckNetlist(text, "big.v", "", netlist, problems)) {
    state.SkipWithError("no netlist");
    return;
  }
  for (auto _ : state) {
    CheckReport report;
    runChecks(netlist, {}, report, problems);
    benchmark::DoNotOptimize(report.findings.data());
  }
}
BENCHMARK(BM_CheckRulesOnly10kCells)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
