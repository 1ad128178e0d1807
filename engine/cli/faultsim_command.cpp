#include "cli/faultsim_command.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

#include "base/clock.h"
#include "analysis/analysis.h"
#include "base/diagnostics.h"
#include "base/random.h"
#include "base/version.h"
#include "cli/cli.h"
#include "cli/measure_option.h"
#include "checks/scannable.h"
#include "faultsim/coverage.h"
#include "faultsim/gatelevel.h"
#include "faultsim/netlist.h"
#include "faultsim/registermap.h"
#include "faultsim/report.h"
#include "faultsim/wordlevel.h"
#include "optimise/compare.h"
#include "read/import.h"
#include "write/reports.h"

namespace {

constexpr const char* kUsage =
    "usage: tarvex faultsim FILE [--top NAME] [--layout NOTATION | --method none|full|loops|ga|exact]\n"
    "       [--area PCT] [--pins PCT] [--objective classic|graded] [--unordered] [--population N]\n"
    "       [--elitism] [--patience N] [--keep-self-loops] [--chains N] [--patterns N] [--exhaustive]\n"
    "       [--capture-cycles K] [--seed S] [--out DIR] [--json] [--write-netlist F.json]\n"
    "       [--write-patterns F] [--write-faults F] [--test-mode PORT=VALUE ...] [--measure NAME]\n";

constexpr const char* kHelp =
    "Measures the single stuck-at fault coverage of FILE (Verilog .v/.sv or a Yosys JSON\n"
    "netlist) under a scan layout, by simulating its gate-level netlist (made by yosys).\n"
    "Each pattern loads the scan flip-flops (the others start unknown), applies the\n"
    "inputs and observes the outputs in each capture cycle followed by a clock edge,\n"
    "then observes the scan flip-flops. See docs/faultsim.md.\n"
    "  --layout NOTATION     the scan layout, as for 'analyse' (none by default)\n"
    "  --method NAME         the layout of a method instead: none, full, loops, ga, exact\n"
    "  --area, --pins, --objective, --unordered, --population, --elitism, --patience,\n"
    "  --keep-self-loops, --chains   the settings of the method, as for 'optimise'\n"
    "  --patterns N          random patterns (10000)\n"
    "  --exhaustive          every pattern instead (at most 24 bits per pattern)\n"
    "  --capture-cycles K    capture cycles per pattern (1)\n"
    "  --seed S              seed of the patterns (and of the ga); drawn from the clock\n"
    "                        and printed when not given\n"
    "  --out DIR             write NAME.faultsim.json to DIR (made when missing)\n"
    "  --json                write NAME.faultsim.json (coverage curve, rank correlation)\n"
    "  --write-netlist F     write the simulated gate-level netlist (Yosys JSON) to F\n"
    "  --write-patterns F    write the patterns to F\n"
    "  --write-faults F      write every fault with D (detected) or U to F\n"
    "  --top NAME            the top module\n"
    "  --test-mode PORT=VALUE  a pin held in test mode (repeatable), for the checks:\n"
    "                        a method leaves out the registers they find unscannable,\n"
    "                        and a layout naming one is refused\n"
    "  --measure NAME        the testability measure of the method's search and of the\n"
    "                        word-level figures: fixpoint (default) or classic\n"
    "                        (see docs/measures.md)\n"
    "\nExit status: 0 success, 1 errors reported, 2 wrong usage.\n";

struct Words {
  std::string file;
  std::map<std::string, std::string> values;
  std::vector<std::string> testMode;  // every --test-mode, in order
  bool has(const std::string& k) const { return values.count(k) != 0; }
  std::string value(const std::string& k) const {
    const auto it = values.find(k);
    return it == values.end() ? std::string() : it->second;
  }
};

// Options with a value (true) or without (false).
const std::map<std::string, bool>& faultsimOptions() {
  static const std::map<std::string, bool> options = {  // a constant table, built on first use
      {"--top", true},           {"--layout", true},          {"--method", true},          {"--area", true},
      {"--pins", true},          {"--objective", true},       {"--unordered", false},      {"--population", true},
      {"--elitism", false},      {"--patience", true},        {"--keep-self-loops", false}, {"--chains", true},
      {"--patterns", true},      {"--exhaustive", false},     {"--capture-cycles", true},  {"--seed", true},
      {"--out", true},           {"--json", false},           {"--write-netlist", true},   {"--write-patterns", true},
      {"--write-faults", true},  {"--test-mode", true},        {"--measure", true}};
  return options;
}

// Splits the words; "" or the usage problem. `help` is set by --help.
std::string splitWords(const std::vector<std::string>& words, Words& w, bool& help) {
  for (size_t k = 0; k < words.size(); ++k) {
    std::string word = words[k], inlineValue;
    if (word == "--help" || word == "-h") {
      help = true;
      continue;
    }
    if (word.size() < 2 || word[0] != '-') {
      if (!w.file.empty()) return "one FILE expected, '" + word + "' is one too many";
      w.file = word;
      continue;
    }
    const size_t eq = word.find('=');
    const bool hasInline = eq != std::string::npos;
    if (hasInline) {
      inlineValue = word.substr(eq + 1);
      word.resize(eq);
    }
    const auto option = faultsimOptions().find(word);
    if (option == faultsimOptions().end()) return "unknown option '" + word + "'";
    if (!option->second && hasInline) return "option '" + word + "' takes no value";
    if (option->second && !hasInline && k + 1 >= words.size()) return "option '" + word + "' needs a value";
    w.values[word] = !option->second ? "" : hasInline ? inlineValue : words[++k];
    if (word == "--test-mode") w.testMode.push_back(w.values[word]);
  }
  return w.file.empty() ? "FILE missing" : "";
}

template <class T>
bool parseWhole(const std::string& text, T lo, T hi, T& out) {
  T v{};
  const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (text.empty() || ec != std::errc() || ptr != text.data() + text.size() || v < lo || v > hi) return false;
  out = v;
  return true;
}

bool parsePercent(const std::string& text, double& out) {
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (text.empty() || end != text.c_str() + text.size() || !std::isfinite(v) || v < 0.0) return false;
  out = v;
  return true;
}

// The method settings; "" or the usage problem.
std::string readMethodSettings(const Words& w, OptimiseSettings& s) {
  if (w.has("--area") && !parsePercent(w.value("--area"), s.limits.maxAreaOverhead))
    return "--area needs a percentage (a number, 0 or more)";
  if (w.has("--pins") && !parsePercent(w.value("--pins"), s.limits.maxPinOverhead))
    return "--pins needs a percentage (a number, 0 or more)";
  if (w.has("--objective")) {
    const std::string o = w.value("--objective");
    if (o != "classic" && o != "graded") return "--objective is 'classic' or 'graded', not '" + o + "'";
    s.limits.objective = o == "classic" ? Objective::CLASSIC : Objective::GRADED;
  }
  s.unordered = w.has("--unordered");
  s.elitism = w.has("--elitism");
  s.keepSelfLoops = w.has("--keep-self-loops");
  if (w.has("--population") && !parseWhole(w.value("--population"), 1, 1000000, s.population))
    return "--population needs a whole number from 1 to 1000000";
  if (w.has("--patience") && !parseWhole(w.value("--patience"), 0UL, 1000000000UL, s.patience))
    return "--patience needs a whole number from 0 to 1000000000";
  if (w.has("--chains") && !parseWhole(w.value("--chains"), 1, 1000000, s.chains))
    return "--chains needs a whole number from 1 to 1000000";
  return {};
}

struct Request {
  Words words;
  LayoutChoice choice;
  OptimiseSettings method;
  FaultSimSettings sim;
  std::vector<HeldPin> held;  // pins held in test mode, for the checks
  MeasureKind measure = kDefaultMeasure;  // of the method's search and the word-level figures
  bool seeded = false;
};

// Everything the words ask for; "" or the usage problem.
std::string readRequest(const Words& w, Request& r) {
  r.words = w;
  if (w.has("--layout") && w.has("--method")) return "--layout and --method exclude each other";
  r.choice.notation = w.value("--layout");
  r.choice.method = w.value("--method");
  if (w.has("--method")) {
    const std::string m = r.choice.method;
    if (m != "none" && m != "full" && m != "loops" && m != "ga" && m != "exact")
      return "--method is none, full, loops, ga or exact, not '" + m + "'";
  }
  if (std::string p = readMethodSettings(w, r.method); !p.empty()) return p;
  if (w.has("--patterns") && !parseWhole(w.value("--patterns"), 1LL, 100000000LL, r.sim.patterns))
    return "--patterns needs a whole number from 1 to 100000000";
  r.sim.exhaustive = w.has("--exhaustive");
  if (r.sim.exhaustive && w.has("--patterns")) return "--patterns and --exhaustive exclude each other";
  if (w.has("--capture-cycles") && !parseWhole(w.value("--capture-cycles"), 1, 1000, r.sim.captureCycles))
    return "--capture-cycles needs a whole number from 1 to 1000";
  for (const std::string& text : w.testMode) {
    HeldPin pin;
    if (!parseHeldPin(text, pin)) return "--test-mode needs PORT=0 or PORT=1, not '" + text + "'";
    r.held.push_back(pin);
  }
  if (w.has("--measure"))
    if (std::string p = readMeasureName(w.value("--measure"), r.measure); !p.empty()) return p;
  r.seeded = w.has("--seed");
  if (r.seeded && !parseWhole(w.value("--seed"), std::uint64_t{0}, UINT64_MAX, r.method.seed))
    return "--seed needs a whole number from 0 to " + std::to_string(UINT64_MAX);
  return {};
}

// Reports the problems in the classic error style; returns false when there were any.
bool reportProblems(const std::vector<std::string>& problems, Diagnostics& diagnostics) {
  for (const std::string& p : problems) diagnostics.error("%s!\n", p.c_str());
  return problems.empty();
}

bool writeText(const std::string& path, const std::string& text, Diagnostics& diagnostics) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  if (out) return true;
  diagnostics.error("Can't write to '%s'!\n", path.c_str());
  return false;
}

unsigned everyCore() { return std::max(1U, std::thread::hardware_concurrency()); }

// The gate-level netlist of `file`; its JSON text in `json`.
bool loadGateNetlist(const std::string& file, const std::string& top, RunContext& env, GateNetlist& n,
                     std::string& json) {
  std::vector<std::string> problems;
  std::printf("Mapping '%s' onto gates with yosys...\n", file.c_str());
  std::fflush(stdout);
  if (makeGateLevelJson(file, top, env.processes, json, problems))
    readGateNetlist(json, file, top, n, problems);
  return reportProblems(problems, env.diagnostics);
}

// The word-level circuit of `r`'s file; null (errors reported) when it cannot
// be read. Registers the checks find unscannable are left out of a method's
// layouts, and a given layout naming one is refused.
std::unique_ptr<Circuit> loadWordLevel(const Request& r, const std::string& top, RunContext& env) {
  const std::string& file = r.words.file;
  if (inputKindOf(file) == InputKind::Description) {
    env.diagnostics.error("'%s' is a circuit description: it has no gates; fault simulation needs a Verilog design "
                          "(.v, .sv) or a Yosys JSON netlist (.json)!\n",
                          file.c_str());
    return nullptr;
  }
  std::printf("Opening input file '%s'...\n", file.c_str());
  std::fflush(stdout);
  const long before = env.diagnostics.count();
  ScanExclusions excluded;
  std::vector<std::string> problems;
  std::unique_ptr<Circuit> c =
      loadCheckedCircuit(file, ImportOptions{top}, r.held, env.processes, excluded, problems, env.diagnostics);
  if (!reportProblems(problems, env.diagnostics)) return nullptr;
  if (!c && env.diagnostics.count() == before) env.diagnostics.error("'%s' describes no circuit!\n", file.c_str());
  if (env.diagnostics.count() != before) return nullptr;
  if (excluded.empty()) return c;
  const bool leaveOut = r.choice.notation.empty();
  std::printf("%zu register(s) cannot be scanned%s: %s; see 'tarvex check'\n", excluded.size(),
              leaveOut ? " and are left out of every layout" : "", exclusionList(excluded).c_str());
  if (leaveOut) {
    leaveOutOfLayouts(*c, excluded);
  } else if (std::string refusal = unscannableInLayout(*c, r.choice.notation, excluded); !refusal.empty()) {
    env.diagnostics.error("Layout '%s': %s!\n", r.choice.notation.c_str(), refusal.c_str());
    return nullptr;
  }
  return c;
}

// Writes the files asked for beside the report; false when one could not be written.
bool writeSideFiles(const Request& r, const GateNetlist& n, const FaultSimRun& run, const std::string& json,
                    Diagnostics& diagnostics) {
  bool ok = true;
  if (r.words.has("--write-netlist")) ok = writeText(r.words.value("--write-netlist"), json, diagnostics) && ok;
  if (r.words.has("--write-faults")) {
    std::string text;
    for (size_t k = 0; k < run.faults.faults.size(); ++k)
      text += faultLine(n, run.circuit, run.faults.faults[k], run.result.firstDetection[k] >= 0) + "\n";
    ok = writeText(r.words.value("--write-faults"), text, diagnostics) && ok;
  }
  if (r.words.has("--write-patterns")) {
    std::vector<std::string> scanNames, inputNames;
    std::vector<int> scanFlops;
    for (size_t f = 0; f < n.flops.size(); ++f)
      if (run.circuit.scanned[f]) {
        scanNames.push_back(n.flops[f].name);
        scanFlops.push_back(static_cast<int>(f));
      }
    std::vector<std::string> bitNames;
    for (const PortBits& p : n.inputs)
      for (size_t b = 0; b < p.nets.size(); ++b) bitNames.push_back(p.name + "[" + std::to_string(b) + "]");
    for (int i : run.circuit.dataInputs) inputNames.push_back(bitNames[static_cast<size_t>(i)]);
    std::ostringstream text;
    writePatterns(run.patterns, scanNames, scanFlops, inputNames, text);
    ok = writeText(r.words.value("--write-patterns"), text.str(), diagnostics) && ok;
  }
  return ok;
}

// Writes NAME.faultsim.json to the result folder (--out, made when missing).
bool writeReportJson(const Request& r, const FaultSimReport& report, Diagnostics& diagnostics) {
  std::string folder = r.words.value("--out");
  if (!folder.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (!std::filesystem::is_directory(folder, ec)) {
      diagnostics.error("Can't use '%s' as the result folder!\n", folder.c_str());
      return false;
    }
    if (folder.back() != '/') folder += '/';
  }
  const std::string name = resultFileName(report.circuit, ".faultsim.json");
  if (!writeText(folder + name, faultSimJson(report), diagnostics)) return false;
  std::printf("Wrote '%s'\n", name.c_str());
  return true;
}

// The layout, its word-level figures and the scan flags of the netlist's flip-flops.
bool prepareLayout(Request& r, Circuit& c, const GateNetlist& n, WordLevelView& view, std::vector<char>& scanned,
                   FaultSimReport& report, const RunContext& run) {
  Diagnostics& diagnostics = run.diagnostics;
  SeededRandom random(r.method.seed);
  ScanLayout layout;
  std::string problem = chooseLayout(c, r.choice, r.method, random, layout, run);
  if (problem.empty()) {
    Analyser analyser(diagnostics, run.analysis);
    problem = wordLevelView(c, layout, r.method.unordered, view, analyser);
  }
  if (!problem.empty()) {
    diagnostics.error("%s!\n", problem.c_str());
    return false;
  }
  scanned = scanFlags(n, view.scannedRegisters, report.unmappedRegisters);
  for (const std::string& reg : report.unmappedRegisters)
    std::printf("Warning: scanned register '%s' has no flip-flop in the gate-level netlist\n", reg.c_str());
  return true;
}

int runFaultsim(Request& r, CliEnv& cli) {
  RunContext env = cli;
  env.analysis.measure = r.measure;
  const std::string top = r.words.value("--top");
  std::unique_ptr<Circuit> c = loadWordLevel(r, top, env);
  if (!c) return 1;
  GateNetlist n;
  std::string json;
  if (!loadGateNetlist(r.words.file, top, env, n, json)) return 1;
  if (!r.seeded) r.method.seed = env.clock.seedFromTime();
  FaultSimReport report;
  report.circuit = c->getName();
  report.method = r.choice.method.empty() ? "layout" : r.choice.method;
  report.measure = measureName(r.measure);
  report.version = tarvexVersion();
  report.exhaustive = r.sim.exhaustive;
  report.captureCycles = r.sim.captureCycles;
  if (!r.sim.exhaustive) report.seed = r.method.seed;
  announceMeasure(env);
  WordLevelView view;
  std::vector<char> scanned;
  if (!prepareLayout(r, *c, n, view, scanned, report, env)) return 1;
  report.layout = view.layout;
  if (!r.sim.exhaustive) std::printf("Seed %llu\n", static_cast<unsigned long long>(r.method.seed));
  std::fflush(stdout);
  r.sim.sim.threads = everyCore();
  SeededRandom patterns(r.method.seed);
  FaultSimRun run;
  std::vector<std::string> problems;
  const double start = env.clock.seconds();
  if (!runFaultSimulation(n, scanned, r.sim, patterns, run, problems)) {
    reportProblems(problems, env.diagnostics);
    return 1;
  }
  report.seconds = env.clock.seconds() - start;
  summarise(n, run, view, report);
  printFaultSimTable(report, stdout);
  bool ok = writeSideFiles(r, n, run, json, env.diagnostics);
  if (r.words.has("--json") || r.words.has("--out")) ok = writeReportJson(r, report, env.diagnostics) && ok;
  return ok ? 0 : 1;
}

}  // namespace

int faultsimCommand(const std::vector<std::string>& words, CliEnv& env) {
  Words w;
  bool help = false;
  std::string problem = splitWords(words, w, help);
  if (help) {
    std::printf("%s\n%s", kUsage, kHelp);
    return 0;
  }
  Request r;
  if (problem.empty()) problem = readRequest(w, r);
  if (!problem.empty()) {
    std::fprintf(stderr, "tarvex faultsim: %s (see 'tarvex faultsim --help')\n", problem.c_str());
    return 2;
  }
  const int status = runFaultsim(r, env);
  std::fflush(stdout);
  return status;
}

bool addFaultCoverage(Comparison& cmp, Circuit& c, const std::string& file, const std::string& top,
                      long long patterns, std::uint64_t seed, bool unordered, RunContext& env) {
  GateNetlist n;
  std::string json;
  if (!loadGateNetlist(file, top, env, n, json)) return false;
  FaultSimSettings s;
  s.patterns = patterns;
  s.sim.threads = everyCore();
  for (CompareRow& row : cmp.rows) {
    ScanLayout layout;
    std::string problem;
    if (!row.layout.empty() && row.layout != "-") problem = parseNotation(row.layout, LayoutRegisters(c), layout);
    WordLevelView view;
    Analyser analyser(env.diagnostics, env.analysis);
    if (problem.empty()) problem = wordLevelView(c, layout, unordered, view, analyser);
    if (!problem.empty()) return reportProblems({row.method + ": " + problem}, env.diagnostics);
    std::vector<std::string> missing;
    const std::vector<char> scanned = scanFlags(n, view.scannedRegisters, missing);
    SeededRandom random(seed);  // the same patterns for every method
    FaultSimRun run;
    std::vector<std::string> problems;
    if (!runFaultSimulation(n, scanned, s, random, run, problems)) return reportProblems(problems, env.diagnostics);
    FaultSimReport report;
    summarise(n, run, view, report);
    row.coveragePercent = report.all.percent();
    row.coverageSpearman = report.spearman;
  }
  return true;
}
