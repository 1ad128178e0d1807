// Inserting scan chains: a netlist of 600 16-bit registers (generated here,
// each behind an adder and an enable multiplexer) gets a layout scanning
// every register in four chains. Timed is all the work besides yosys's own:
// importing the netlist, reading the layout, editing the netlist and writing
// the chain description. Target: well under 2 s.
#include <benchmark/benchmark.h>

#include <sstream>
#include <string>

#include "base/diagnostics.h"
#include "scan/insert/chainreport.h"
#include "scan/insert/insert.h"

namespace {

constexpr int kWidth = 16;
constexpr int kRegisters = 600;

std::string bits(long first) {
  std::string s = "[";
  for (int k = 0; k < kWidth; ++k) s += (k ? ", " : "") + std::to_string(first + k);
  return s + "]";
}

// Register r: q_r <= en ? q_{r-1} + x : q_r (an adder, an enable mux, a flip-flop).
std::string netlist() {
  std::ostringstream j;
  j << R"({"modules": {"big": {"attributes": {"top": "1"}, "ports": {)"
    << R"("clk": {"direction": "input", "bits": [2]}, "en": {"direction": "input", "bits": [3]},)"
    << R"("x": {"direction": "input", "bits": )" << bits(10) << "},"
    << R"("y": {"direction": "output", "bits": )" << bits(100 + 3L * kWidth * (kRegisters - 1) + 2 * kWidth)
    << "}}, \"cells\": {";
  long prev = 10, next = 100;
  for (int r = 0; r < kRegisters; ++r) {
    const long sum = next, chosen = next + kWidth, q = next + 2 * kWidth;
    const std::string src = R"(, "attributes": {"src": "big.v:)" + std::to_string(r + 1) + R"(.1-1.9"})";
    j << (r ? "," : "") << "\"$add$" << r << R"(": {"type": "$add")" << src << R"(, "connections": {"A": )"
      << bits(prev) << ", \"B\": " << bits(10) << ", \"Y\": " << bits(sum) << "}},";
    j << "\"$mux$" << r << R"(": {"type": "$mux")" << src << R"(, "connections": {"A": )" << bits(q)
      << ", \"B\": " << bits(sum) << ", \"S\": [3], \"Y\": " << bits(chosen) << "}},";
    j << "\"$dff$" << r << R"(": {"type": "$dff")" << src
      << R"(, "parameters": {"CLK_POLARITY": "1"}, "connections": {"CLK": [2], "D": )" << bits(chosen)
      << ", \"Q\": " << bits(q) << "}}";
    prev = q;
    next += 3 * kWidth;
  }
  j << "}, \"netnames\": {";
  for (int r = 0; r < kRegisters; ++r)
    j << (r ? "," : "") << "\"r" << r << R"(": {"hide_name": 0, "bits": )" << bits(100 + 3L * kWidth * r + 2 * kWidth)
      << "}";
  j << "}}}}";
  return j.str();
}

// Every register, in four chains of 150.
std::string fullLayout() {
  std::string s;
  for (int r = 0; r < kRegisters; ++r) s += (r == 0 ? "" : r % 150 == 0 ? "." : ",") + ("r" + std::to_string(r));
  return s;
}

void BM_InsertChains600Registers(benchmark::State& state) {
  const std::string text = netlist();
  const std::string layout = fullLayout();
  Diagnostics diagnostics;
  for (auto _ : state) {
    const ScanInsertion done = scanNetlist(text, "big.json", "", layout, {}, diagnostics);
    if (!done.ok() || done.chains.size() != 4 || done.chains[3].flops.size() != 150u * kWidth)
      state.SkipWithError("insertion failed");
    const std::string description = chainsJson(done.module, layout, "big_scan.v", done.chains);
    benchmark::DoNotOptimize(description.data());
    benchmark::DoNotOptimize(done.netlist.data());
  }
  state.counters["flip-flops"] = kRegisters * kWidth;
}
BENCHMARK(BM_InsertChains600Registers)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
