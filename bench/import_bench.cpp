// Importing a large netlist: JSON of 10,000 word-level cells (generated here)
// to a design, to a circuit, and to a description. Yosys is not involved.
#include <benchmark/benchmark.h>

#include <sstream>
#include <string>

#include "test_diagnostics.h"
#include "read/import.h"

namespace {

constexpr int kWidth = 16;

// "[a, a+1, ...]" for `kWidth` bits from `first`.
std::string bits(long first) {
  std::string s = "[";
  for (int k = 0; k < kWidth; ++k) s += (k ? ", " : "") + std::to_string(first + k);
  return s + "]";
}

// A data path of `stages` stages: adder, and, multiplexer and register each (4 cells a stage).
std::string netlist(int stages) {
  std::ostringstream j;
  long next = 100;  // bit ids: 2 clk, 3 sel, 10.. input x, then four words a stage
  j << R"({"modules": {"big": {"attributes": {"top": "1"}, "ports": {)"
    << R"("clk": {"direction": "input", "bits": [2]}, "sel": {"direction": "input", "bits": [3]},)"
    << R"("x": {"direction": "input", "bits": )" << bits(10) << "},"
    << R"("y": {"direction": "output", "bits": )" << bits(next + 4L * kWidth * (stages - 1) + 3 * kWidth)
    << "}}, \"cells\": {";
  long prev = 10;
  for (int s = 0; s < stages; ++s) {
    const long sum = next, masked = next + kWidth, chosen = next + 2 * kWidth, q = next + 3 * kWidth;
    const std::string src = R"(, "attributes": {"src": "big.v:)" + std::to_string(s + 1) + R"(.1-1.9"})";
    j << (s ? "," : "") << "\"$add$" << s << R"(": {"type": "$add")" << src << R"(, "connections": {"A": )"
      << bits(prev) << ", \"B\": " << bits(10) << ", \"Y\": " << bits(sum) << "}},";
    j << "\"$and$" << s << R"(": {"type": "$and")" << src << R"(, "connections": {"A": )" << bits(sum)
      << ", \"B\": " << bits(prev) << ", \"Y\": " << bits(masked) << "}},";
    j << "\"$mux$" << s << R"(": {"type": "$mux")" << src << R"(, "connections": {"A": )" << bits(masked)
      << ", \"B\": " << bits(sum) << ", \"S\": [3], \"Y\": " << bits(chosen) << "}},";
    j << "\"$dff$" << s << R"(": {"type": "$dff")" << src << R"(, "connections": {"CLK": [2], "D": )"
      << bits(chosen) << ", \"Q\": " << bits(q) << "}}";
    prev = q;
    next += 4 * kWidth;
  }
  j << "}, \"netnames\": {";
  for (int s = 0; s < stages; ++s)
    j << (s ? "," : "") << "\"r" << s << R"(": {"hide_name": 0, "bits": )" << bits(100 + 4L * kWidth * s + 3 * kWidth)
      << "}";
  j << "}}}}";
  return j.str();
}

const std::string& bigNetlist() {
  static const std::string text = netlist(2500);
  return text;
}

void BM_ImportNetlist10kCells(benchmark::State& state) {
  const std::string& text = bigNetlist();
  for (auto _ : state) {
    ImportedDesign d;
    const bool ok = importNetlist(text, "big.json", {}, d, testDiagnostics());
    if (!ok || d.items.size() != 10000) state.SkipWithError("import failed");
    benchmark::DoNotOptimize(d.items.data());
  }
  state.counters["cells"] = 10000;
}
BENCHMARK(BM_ImportNetlist10kCells)->Unit(benchmark::kMillisecond);

void BM_ImportToCircuit10kCells(benchmark::State& state) {
  const std::string& text = bigNetlist();
  for (auto _ : state) {
    ImportedDesign d;
    importNetlist(text, "big.json", {}, d, testDiagnostics());
    auto c = buildCircuit(d, testDiagnostics());
    if (!c || c->getNREGs() != 2500) state.SkipWithError("build failed");
    benchmark::DoNotOptimize(c.get());
  }
}
BENCHMARK(BM_ImportToCircuit10kCells)->Unit(benchmark::kMillisecond);

void BM_WriteDescription10kCells(benchmark::State& state) {
  ImportedDesign d;
  importNetlist(bigNetlist(), "big.json", {}, d, testDiagnostics());
  for (auto _ : state) {
    std::ostringstream out;
    writeDescription(d, out);
    benchmark::DoNotOptimize(out.str().size());
  }
}
BENCHMARK(BM_WriteDescription10kCells)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
