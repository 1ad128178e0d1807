#include "cli/cli.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/fixpoint.h"
#include "base/clock.h"
#include "checks/scannable.h"
#include "cli/check_command.h"
#include "optimise/budget.h"
#include "optimise/compare.h"
#include "base/diagnostics.h"
#include "optimise/ga.h"
#include "read/blockmodules.h"
#include "read/import.h"
#include "cli/insert_command.h"
#include "cli/classic.h"
#include "cli/faultsim_command.h"
#include "cli/measure_option.h"
#include "optimise/methods.h"
#include "optimise/progress.h"
#include "optimise/restarts.h"
#include "write/blocktable.h"
#include "write/reports.h"
#include "write/resultjson.h"
#include "base/version.h"

namespace {

// ---------------------------------------------------------------- words

// One option a command accepts.
struct OptionSpec {
  std::string_view name;  // with its dashes, e.g. "--layout"
  bool takesValue;
};

// The words of a command after its name.
struct Arguments {
  std::vector<std::string> positional;
  std::map<std::string, std::string, std::less<>> values;  // options given with a value (the last one counts)
  std::vector<std::string> testMode;  // every --test-mode value, in order
  std::vector<std::string> libs;      // every --lib value, in order
  bool help = false;

  bool has(std::string_view name) const { return values.find(name) != values.end(); }
  std::string value(std::string_view name, const std::string& fallback = {}) const {
    const auto it = values.find(name);
    return it == values.end() ? fallback : it->second;
  }
};

// Splits `words` by the options of a command; "" or what is wrong with them.
std::string parseArguments(std::span<char* const> words, std::span<const OptionSpec> accepted, Arguments& out) {
  for (size_t k = 0; k < words.size(); ++k) {
    std::string_view word = words[k];
    if (word == "--help" || word == "-h") {
      out.help = true;
      continue;
    }
    if (word.size() < 2 || word[0] != '-') {
      out.positional.emplace_back(word);
      continue;
    }
    std::string_view name = word;
    std::string_view inlineValue;
    const size_t eq = word.find('=');
    const bool hasInline = eq != std::string_view::npos;
    if (hasInline) {
      name = word.substr(0, eq);
      inlineValue = word.substr(eq + 1);
    }
    const OptionSpec* option = nullptr;
    for (const OptionSpec& s : accepted)
      if (s.name == name) option = &s;
    if (!option) return "unknown option '" + std::string(name) + "'";
    if (!option->takesValue) {
      if (hasInline) return "option '" + std::string(name) + "' takes no value";
      out.values[std::string(name)] = "";
      continue;
    }
    if (hasInline) {
      out.values[std::string(name)] = std::string(inlineValue);
    } else if (k + 1 < words.size()) {
      out.values[std::string(name)] = words[++k];
    } else {
      return "option '" + std::string(name) + "' needs a value";
    }
    if (name == "--test-mode") out.testMode.push_back(out.values[std::string(name)]);
    if (name == "--lib") out.libs.push_back(out.values[std::string(name)]);
  }
  return {};
}

// A whole number in [lo, hi]; false when `text` is not one.
template <class T>
bool parseWhole(const std::string& text, T lo, T hi, T& out) {
  T v{};
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, v);
  if (ec != std::errc() || ptr != end || text.empty() || v < lo || v > hi) return false;
  out = v;
  return true;
}

// A percentage: a finite number, 0 or more.
bool parsePercent(const std::string& text, double& out) {
  if (text.empty()) return false;
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size() || !std::isfinite(v) || v < 0.0) return false;
  out = v;
  return true;
}

// ---------------------------------------------------------------- shared steps

// Exit status after a command that ran: 1 when errors were counted.
int statusFromErrors(const RunContext& run) { return run.diagnostics.clean() ? 0 : 1; }

// The context of a command that writes its results to `--out DIR` (made when
// missing; empty: the working directory); false (error counted) when DIR cannot be used.
bool resultFolderContext(const std::string& folder, const CliEnv& env, RunContext& run) {
  if (folder.empty()) return true;
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec || !std::filesystem::is_directory(folder)) {
    env.diagnostics.error("Can't use '%s' as the result folder!\n", folder.c_str());
    return false;
  }
  run.resultFolder = folder;
  return true;
}

// The pins held in test mode (--test-mode); "" or a usage problem.
std::string readTestMode(const Arguments& a, std::vector<HeldPin>& held) {
  for (const std::string& text : a.testMode) {
    HeldPin pin;
    if (!parseHeldPin(text, pin)) return "--test-mode needs PORT=0 or PORT=1, not '" + text + "'";
    held.push_back(pin);
  }
  return {};
}

// Reads FILE (a description, Verilog or a netlist) into a circuit; null
// (errors counted) when it cannot be used. A design's registers that the
// checks find unscannable go to `excluded`, and are announced; with
// `leaveOut` they are taken out of every layout of the circuit.
std::unique_ptr<Circuit> loadInput(const std::string& path, const Arguments& a, RunContext& run,
                                   ScanExclusions& excluded, bool leaveOut) {
  std::printf("Opening input file '%s'...\n", path.c_str());
  std::fflush(stdout);
  std::vector<HeldPin> held;
  readTestMode(a, held);
  ImportOptions options(a.value("--top"));
  options.libs = a.libs;
  if (a.has("--memory-words") && !parseMemoryWords(a.value("--memory-words"), options.memoryWords)) {
    run.diagnostics.error("--memory-words needs a whole number of words, not '%s'!\n", a.value("--memory-words").c_str());
    return nullptr;
  }
  std::vector<std::string> problems;
  std::unique_ptr<Circuit> c = loadCheckedCircuit(path, options, held, run.processes, excluded, problems,
                                                  run.diagnostics);
  for (const std::string& p : problems) run.diagnostics.error("%s!\n", p.c_str());
  if (!c && run.diagnostics.clean()) run.diagnostics.error("'%s' describes no circuit!\n", path.c_str());
  if (!run.diagnostics.clean()) c.reset();
  if (c && !excluded.empty()) {
    const std::string list = exclusionList(excluded);
    if (leaveOut) leaveOutOfLayouts(*c, excluded);
    std::printf("%zu register(s) cannot be scanned%s: %s; see 'tarvex check'\n", excluded.size(),
                leaveOut ? " and are left out of every layout" : "", list.c_str());
  }
  return c;
}

// A layout naming a register that cannot be scanned is refused: false (error counted) when `notation` names one.
bool layoutScansOnlyScannable(const Circuit& c, const std::string& notation, const ScanExclusions& excluded,
                              Diagnostics& diagnostics) {
  const std::string refusal = unscannableInLayout(c, notation, excluded);
  if (!refusal.empty()) diagnostics.error("Layout '%s': %s!\n", notation.c_str(), refusal.c_str());
  return refusal.empty();
}

// Prints the figures of the analysed circuit.
void printFigures(Circuit& c, const std::string& layout) {
  const Measures m = measuresOf(c);
  std::printf("circuit '%s': %d register(s), layout '%s'\n", c.getName().c_str(), c.getNREGs(), layout.c_str());
  std::printf("testability %.3f, controllable %.1f %%, observable %.1f %%, area overhead %.3f %%, "
              "pin overhead %.3f %%\n",
              m.gt, m.pctC, m.pctO, m.areaOver, m.pinOver);
}

// The fitness settings shared by analyse and optimise; "" or a usage problem.
std::string readLimits(const Arguments& a, FitnessLimits& limits) {
  if (a.has("--area") && !parsePercent(a.value("--area"), limits.maxAreaOverhead))
    return "--area needs a percentage (a number, 0 or more)";
  if (a.has("--pins") && !parsePercent(a.value("--pins"), limits.maxPinOverhead))
    return "--pins needs a percentage (a number, 0 or more)";
  if (a.has("--objective")) {
    const std::string o = a.value("--objective");
    if (o == "classic")
      limits.objective = Objective::CLASSIC;
    else if (o == "graded")
      limits.objective = Objective::GRADED;
    else
      return "--objective is 'classic' or 'graded', not '" + o + "'";
  }
  return {};
}

// The measure of --measure into `run`; "" or a usage problem.
std::string readMeasure(const Arguments& a, RunContext& run) {
  run.analysis.measure = kDefaultMeasure;
  return a.has("--measure") ? readMeasureName(a.value("--measure"), run.analysis.measure) : std::string();
}

// ---------------------------------------------------------------- commands

struct Command;
// Reports a usage error of `cmd` with a one-line hint; returns 2.
int usageError(const Command& cmd, const std::string& message);

constexpr OptionSpec kAnalyseOptions[] = {{"--layout", true}, {"--out", true},    {"--json", false},
                                          {"--top", true},    {"--area", true},   {"--pins", true},
                                          {"--objective", true}, {"--test-mode", true},
                                          {"--measure", true}, {"--by-block", true}, {"--lib", true},
                                          {"--memory-words", true}};

constexpr OptionSpec kOptimiseOptions[] = {
    {"--method", true},  {"--area", true},      {"--pins", true},  {"--unordered", false}, {"--population", true},
    {"--elitism", false}, {"--patience", true}, {"--seed", true},  {"--objective", true},  {"--out", true},
    {"--json", false},   {"--progress", false}, {"--top", true},    {"--keep-self-loops", false},
    {"--chains", true},  {"--write-verilog", true}, {"--test-mode", true}, {"--no-polish", false},
    {"--restarts", true}, {"--measure", true}, {"--lib", true}, {"--memory-words", true}};

constexpr OptionSpec kNoOptions[] = {{"", false}};

struct Command {
  std::string_view name;
  std::string_view synopsis;  // the usage line after "tarvex "
  std::string_view help;      // the rest of the help page
  std::span<const OptionSpec> options;
  int (*run)(const Command& self, const Arguments& args, CliEnv& env);
  // When set, the command reads its own words (and prints its own help).
  int (*runWords)(const std::vector<std::string>& words, CliEnv& env) = nullptr;
};

int usageError(const Command& cmd, const std::string& message) {
  std::fprintf(stderr, "tarvex %s: %s (see 'tarvex %s --help')\n", std::string(cmd.name).c_str(), message.c_str(),
               std::string(cmd.name).c_str());
  return 2;
}

// The one input file of a command; "" with a usage problem set otherwise.
std::string inputFile(const Arguments& a, std::string& problem) {
  if (a.positional.empty()) problem = "FILE missing";
  else if (a.positional.size() > 1) problem = "one FILE expected, '" + a.positional[1] + "' is one too many";
  return problem.empty() ? a.positional[0] : std::string();
}

int runAnalyse(const Command& self, const Arguments& a, CliEnv& env) {
  std::string problem;
  const std::string file = inputFile(a, problem);
  OptimiseSettings defaults;
  FitnessLimits limits = defaults.limits;
  if (problem.empty()) problem = readLimits(a, limits);
  std::vector<HeldPin> held;
  if (problem.empty()) problem = readTestMode(a, held);
  RunContext run = env;
  if (problem.empty()) problem = readMeasure(a, run);
  int blockDepth = 1;
  if (problem.empty() && a.has("--by-block") && !parseWhole(a.value("--by-block"), 1, 64, blockDepth))
    problem = "--by-block needs a whole number from 1 to 64";
  if (!problem.empty()) return usageError(self, problem);
  std::string layout = a.value("--layout", "-1");
  if (layout.empty()) layout = "-1";

  if (!resultFolderContext(a.value("--out"), env, run)) return 1;
  ScanExclusions excluded;
  std::unique_ptr<Circuit> c = loadInput(file, a, run, excluded, false);
  if (!c || !layoutScansOnlyScannable(*c, layout, excluded, run.diagnostics)) return 1;
  // The block tables print by default for a design with hierarchy, and on request for any.
  const bool byBlock = a.has("--by-block") || c->blocks().any();
  if (byBlock && !addInstanceModules(file, ImportOptions{a.value("--top")}, run.processes, *c, run.diagnostics))
    return 1;
  const bool json = a.has("--json");
  const ResultFiles files(run.resultFolder, run.diagnostics);
  announceMeasure(run);
  runAnalysis(*c, layout, run, [&](const ScanLayout& applied) {
    RunSummary summary;
    summary.method = "analyse";
    summary.objective = objectiveName(limits.objective);
    summary.layout = layout == "-1" ? std::string() : layout;
    summary.chains = applied;
    summary.fitness = analysedLayoutFitness(*c, FitnessBasis{c->getOrigArea(), c->getOrigNPIOs(), limits});
    summary.unscannable.insert(excluded.all().begin(), excluded.all().end());
    const double threshold = c->measureKind() == MeasureKind::FIXPOINT ? FixpointSettings{}.threshold : 0.0;
    if (byBlock) summary.blocks = blockTables(*c, blockDepth, threshold);
    if (json) writeResultJson(*c, summary, files);
    printFigures(*c, summary.layout);
    std::printf("fitness %.3f (%s objective)\n", summary.fitness, summary.objective.c_str());
    if (byBlock) printBlockTables(*summary.blocks, stdout);
  });
  return statusFromErrors(run);
}

// Reads the optimiser settings; "" or a usage problem.
std::string readOptimiseSettings(const Arguments& a, OptimiseSettings& s, bool& seeded) {
  if (std::string problem = readLimits(a, s.limits); !problem.empty()) return problem;
  s.unordered = a.has("--unordered");
  s.elitism = a.has("--elitism");
  if (a.has("--population") && !parseWhole(a.value("--population"), 1, 1000000, s.population))
    return "--population needs a whole number from 1 to 1000000";
  if (a.has("--patience") && !parseWhole(a.value("--patience"), 0UL, 1000000000UL, s.patience))
    return "--patience needs a whole number from 0 to 1000000000";
  s.keepSelfLoops = a.has("--keep-self-loops");
  if (a.has("--chains") && !parseWhole(a.value("--chains"), 1, 1000000, s.chains))
    return "--chains needs a whole number from 1 to 1000000";
  s.polish = !a.has("--no-polish");
  if (a.has("--restarts") && !parseWhole(a.value("--restarts"), 1, 10000, s.restarts))
    return "--restarts needs a whole number from 1 to 10000";
  seeded = a.has("--seed");
  if (seeded && !parseWhole(a.value("--seed"), std::uint64_t{0}, UINT64_MAX, s.seed))
    return "--seed needs a whole number from 0 to " + std::to_string(UINT64_MAX);
  return {};
}

// Shows the progress of an optimiser run and writes its JSON results at the end.
class OptimiseObserver final : public SearchObserver {
 public:
  // `json` (null: no JSON) holds what the run adds to the figures.
  OptimiseObserver(ProgressReport& p, RunSummary* json, const ResultFiles& f) : progress(p), run(json), files(f) {}
  void generation(long generation, unsigned long stale, double best) override {
    progress.generation(generation, stale, best);
  }
  void finished(Circuit& c, const SearchResult& found) override {
    progress.finish();
    if (!run) return;
    run->layout = found.notation;
    run->chains = found.chains;
    run->fitness = found.fitness;
    run->visited = found.visited;
    if (found.polish) {
      run->gaFitness = found.polish->gaFitness;
      run->polishMoves = found.polish->moves;
    }
    if (found.restarts > 1) {
      run->restarts = found.restarts;
      run->bestRestart = found.restart;
      if (run->seed) run->restartSeed = restartSeed(*run->seed, found.restart);
    }
    run->elapsedSeconds = progress.elapsed();
    writeResultJson(c, *run, files);
  }

 private:
  ProgressReport& progress;
  RunSummary* run;
  const ResultFiles& files;
};

// The input file and the settings optimise and compare share, seeded from
// the clock without --seed; "" or what is wrong with them.
std::string readSearchInput(const Arguments& a, CliEnv& env, std::string& file, OptimiseSettings& settings) {
  std::string problem;
  file = inputFile(a, problem);
  bool seeded = false;
  if (problem.empty()) problem = readOptimiseSettings(a, settings, seeded);
  std::vector<HeldPin> held;
  if (problem.empty()) problem = readTestMode(a, held);
  if (problem.empty() && !seeded) settings.seed = env.clock.seedFromTime();
  return problem;
}

// The lines of a genetic algorithm run beside its layout: each restart, and
// what the polish made of the genetic algorithm's best.
void printGaSummary(const SearchResult& r, std::uint64_t seed) {
  for (size_t i = 0; i < r.restartFitness.size(); ++i)
    std::printf("Restart %zu (seed %llu): fitness %.3f%s\n", i,
                static_cast<unsigned long long>(restartSeed(seed, static_cast<int>(i))), r.restartFitness[i],
                static_cast<int>(i) == r.restart ? ", the best" : "");
  if (r.polish)
    std::printf("Genetic algorithm: layout '%s', fitness %.3f; polished by %ld move(s) to fitness %.3f%s\n",
                r.polish->gaNotation.c_str(), r.polish->gaFitness, r.polish->moves, r.fitness,
                r.polish->localOptimum ? "" : " (stopped at its evaluation bound)");
}

int runOptimise(const Command& self, const Arguments& a, CliEnv& env) {
  std::string file;
  OptimiseSettings settings;
  std::string problem = readSearchInput(a, env, file, settings);
  const std::string methodName = a.value("--method", std::string(optimiserMethods().front().name));
  const OptimiserMethod* method = findOptimiserMethod(methodName);
  if (problem.empty() && !method) problem = "unknown method '" + methodName + "'";
  if (problem.empty() && a.has("--write-verilog") && inputKindOf(file) == InputKind::Description)
    problem = "--write-verilog needs a Verilog design or a Yosys netlist as FILE";
  RunContext context = env;
  if (problem.empty()) problem = readMeasure(a, context);
  if (!problem.empty()) return usageError(self, problem);

  if (!resultFolderContext(a.value("--out"), env, context)) return 1;
  ScanExclusions excluded;
  std::unique_ptr<Circuit> c = loadInput(file, a, context, excluded, true);
  if (!c) return 1;
  const ResultFiles files(context.resultFolder, context.diagnostics);
  std::printf("Method %s, objective %s, seed %llu\n", methodName.c_str(), objectiveName(settings.limits.objective),
              static_cast<unsigned long long>(settings.seed));
  announceMeasure(context);
  ProgressReport progress(ProgressReport::modeFor(a.has("--progress"), env.stderrIsTerminal), stderr, env.clock);
  RunSummary run;
  run.method = methodName;
  run.objective = objectiveName(settings.limits.objective);
  run.seed = settings.seed;
  OptimiseObserver observer(progress, a.has("--json") ? &run : nullptr, files);
  SeededRandom random(settings.seed);
  const SearchResult result = method->run(*c, settings, random, &observer, context);
  progress.finish();
  if (context.diagnostics.clean()) {
    printGaSummary(result, settings.seed);
    std::printf("Layout '%s', fitness %.3f, %ld layout(s) evaluated in %.1f s\n", result.notation.c_str(),
                result.fitness, result.visited, progress.elapsed());
    if (result.chains.empty()) {
      const std::string why = noScanExplanation(*c, settings.limits, context);
      if (!why.empty()) std::printf("%s\n", why.c_str());
    }
    if (a.has("--write-verilog")) {
      InsertOutput output;
      output.verilogPath = a.value("--write-verilog");
      InsertRequest request{file, a.value("--top"), result.notation, {}};
      readTestMode(a, request.held);
      writeScanDesign(request, output, context);
    }
  }
  return statusFromErrors(context);
}

constexpr OptionSpec kCompareOptions[] = {
    {"--area", true},      {"--pins", true},   {"--objective", true}, {"--json", false},
    {"--out", true},       {"--top", true},    {"--unordered", false}, {"--population", true},
    {"--elitism", false},  {"--patience", true}, {"--seed", true},     {"--keep-self-loops", false},
    {"--chains", true},    {"--faultsim", false}, {"--patterns", true}, {"--test-mode", true},
    {"--no-polish", false}, {"--restarts", true}, {"--measure", true}, {"--lib", true}, {"--memory-words", true}};

// Writes `text` to the result file `fileName`; false (error counted) when it cannot.
bool writeResultText(const std::string& fileName, const std::string& text, const ResultFiles& files) {
  std::ofstream out(files.pathOf(fileName), std::ios::binary);
  out << text;
  out.close();
  if (out) return true;
  files.diagnostics().error("Can't write to '%s'!\n", fileName.c_str());
  return false;
}

int runCompare(const Command& self, const Arguments& a, CliEnv& env) {
  std::string file;
  OptimiseSettings settings;
  std::string problem = readSearchInput(a, env, file, settings);
  long long patterns = 10000;
  if (problem.empty() && a.has("--patterns") && !parseWhole(a.value("--patterns"), 1LL, 100000000LL, patterns))
    problem = "--patterns needs a whole number from 1 to 100000000";
  RunContext run = env;
  if (problem.empty()) problem = readMeasure(a, run);
  if (!problem.empty()) return usageError(self, problem);

  if (!resultFolderContext(a.value("--out"), env, run)) return 1;
  ScanExclusions excluded;
  std::unique_ptr<Circuit> c = loadInput(file, a, run, excluded, true);
  if (!c) return 1;
  std::printf("Comparing the methods, objective %s, seed %llu\n", objectiveName(settings.limits.objective),
              static_cast<unsigned long long>(settings.seed));
  announceMeasure(run);
  SeededRandom random(settings.seed);
  Comparison cmp = compareMethods(*c, settings, random, run);
  cmp.measure = measureName(run.analysis.measure);
  if (a.has("--faultsim") &&
      !addFaultCoverage(cmp, *c, file, a.value("--top"), patterns, settings.seed, settings.unordered, run))
    return 1;
  if (a.has("--faultsim")) {
    std::vector<std::pair<std::string, double>> covered;
    for (const CompareRow& row : cmp.rows) covered.emplace_back(row.layout, row.coveragePercent.value_or(0.0));
    std::string layoutProblem;
    cmp.agreement = rankAgreement(*c, covered, run, layoutProblem);
    if (!cmp.agreement) {
      run.diagnostics.error("%s!\n", layoutProblem.c_str());
      return 1;
    }
  }
  printComparison(cmp, stdout);
  if (layoutsSummarised(cmp)) {  // long notations would make the table unreadable: they go to a file
    const std::string name = resultFileName(c->getName(), ".layouts.txt");
    const ResultFiles files(run.resultFolder, run.diagnostics);
    if (writeResultText(name, comparisonLayoutsText(cmp), files)) std::printf("Wrote '%s' (the full layouts)\n", name.c_str());
  }
  bool someMethodFoundNoScan = false;
  for (const CompareRow& row : cmp.rows) someMethodFoundNoScan = someMethodFoundNoScan || (row.method != "none" && row.scanned == 0);
  const std::string why = someMethodFoundNoScan ? noScanExplanation(*c, settings.limits, run) : std::string();
  if (!why.empty()) std::printf("%s\n", why.c_str());
  if (a.has("--json")) {
    const std::string name = resultFileName(c->getName(), ".compare.json");
    const ResultFiles files(run.resultFolder, run.diagnostics);
    if (writeResultText(name, comparisonJson(cmp, TARVEX_VERSION), files)) std::printf("Wrote '%s'\n", name.c_str());
  }
  return statusFromErrors(run);
}

// The importer reads its own options and prints its own usage.
int runImport(const std::vector<std::string>& words, CliEnv& env) {
  return importCommand(words, env.processes, std::cout, env.diagnostics);
}

// The scan inserter reads its own options and prints its own usage.
int runInsert(const std::vector<std::string>& words, CliEnv& env) { return insertCommand(words, env); }
// The fault simulator reads its own options and prints its own usage.
int runFaultsim(const std::vector<std::string>& words, CliEnv& env) { return faultsimCommand(words, env); }
// The checks read their own options (--test-mode may repeat) and print their own usage.
int runCheck(const std::vector<std::string>& words, CliEnv& env) {
  return checkCommand(words, env, stdout);
}

int runHelp(const Command& self, const Arguments& a, CliEnv& env);

constexpr Command kCommands[] = {
    {"analyse", "analyse FILE [--layout NOTATION] [--out DIR] [--json] [--top NAME] [--measure NAME]\n"
     "[--by-block DEPTH]",
     "Analyses the testability of FILE (a circuit description, Verilog .v/.sv or a Yosys\n"
     "JSON netlist), after inserting the scan layout NOTATION when given, and writes the\n"
     "result files named after the circuit.\n"
     "  --layout NOTATION  scan chains separated by '.', registers by ',' (item names),\n"
     "                     e.g. x_var,u_var.y_var; a text of digits and '.' names the\n"
     "                     d-th register described by digit d; '-1' or '' for none\n"
     "  --out DIR          write the results to DIR (made when missing) instead of here\n"
     "  --json             also write NAME.json (see docs/json.md)\n"
     "  --top NAME         the top module of a Verilog design\n"
     "  --lib FILE.v       read the modules of FILE.v (models of memories, macros) before\n"
     "                     the design; may repeat. Instances of modules no file defines\n"
     "                     are black boxes (BBOX items, with a warning)\n"
     "  --memory-words N   writable memories of at most N words become registers, one a\n"
     "                     word (256); larger ones are RAM items\n"
     "  --area PCT, --pins PCT, --objective classic|graded\n"
     "                     the bounds and objective of the fitness shown (7, 13, graded)\n"
     "  --test-mode PORT=VALUE\n"
     "                     a pin held in test mode (0 or 1; may repeat) for the checks that\n"
     "                     decide which registers can be scanned (see 'tarvex check')\n"
     "  --measure NAME     fixpoint (default): the least fixpoint of the rules,\n"
     "                     register depth costing a factor, figures over the design's own\n"
     "                     ports; classic: the measure of the classic forms (see docs/measures.md)\n"
     "  --by-block DEPTH   the tables by instance and by module type group the instances\n"
     "                     DEPTH levels down (1: the top module's instances); they print by\n"
     "                     default for a Verilog design with sub-module instances\n",
     kAnalyseOptions, runAnalyse},
    {"optimise",
     "optimise FILE [--method NAME] [--area PCT] [--pins PCT] [--unordered] [--population N]\n"
     "[--elitism] [--patience N] [--seed N] [--objective classic|graded]\n"
     "[--out DIR] [--json] [--progress] [--top NAME] [--keep-self-loops] [--chains N]\n"
     "[--write-verilog OUT.v] [--no-polish] [--restarts N] [--measure NAME]",
     "Searches the scan layout of FILE with the best fitness under the area and pin\n"
     "overhead bounds, then writes the result files of the circuit with that layout.\n"
     "  --method NAME      the search method (ga):\n"
     "                     ga     genetic algorithm, seeded with the loops, full and sparse layouts\n"
     "                     exact  the optimum over every layout (refused when too many)\n"
     "                     loops  fewest scan registers breaking every register loop\n"
     "                     full   every register scanned\n"
     "  --area PCT         largest area overhead, in percent (7)\n"
     "  --pins PCT         largest pin overhead, in percent (13)\n"
     "  --unordered        unordered scan chains (ordered by default)\n"
     "  --population N     population size (20)\n"
     "  --elitism          keep the best layout in every generation (off)\n"
     "  --patience N       stop after N generations without improvement (500)\n"
     "  --no-polish        ga: keep the genetic algorithm's best layout as it is; by default\n"
     "                     a local search (add, remove, move or swap registers, merge or\n"
     "                     split chains) climbs from it until no move improves the fitness\n"
     "  --restarts N       ga: N independent searches, seeded from --seed, side by side on\n"
     "                     the cores; the best is kept (1)\n"
     "  --seed N           seed of the random generator; drawn from the clock and\n"
     "                     printed when not given, so every run can be repeated\n"
     "  --objective NAME   classic (0 unless every port bit is controllable) or\n"
     "                     graded (scaled by the controllable share of port bits; default)\n"
     "  --out DIR          write the results to DIR (made when missing) instead of here\n"
     "  --json             also write NAME.json (see docs/json.md)\n"
     "  --progress         progress lines on standard error even when it is not a terminal:\n"
     "                     progress generation=G stale=S best=F elapsed=SECONDS\n"
     "  --top NAME         the top module of a Verilog design\n"
     "  --lib FILE.v       read the modules of FILE.v (models of memories, macros) before\n"
     "                     the design; may repeat. Instances of modules no file defines\n"
     "                     are black boxes (BBOX items, with a warning)\n"
     "  --memory-words N   writable memories of at most N words become registers, one a\n"
     "                     word (256); larger ones are RAM items\n"
     "  --keep-self-loops  loops: a register feeding only itself stays unscanned\n"
     "  --chains N         loops, full: N scan chains instead of as many as --pins allows\n"
     "  --write-verilog OUT.v  also write the Verilog design with the layout found\n"
     "                     (see 'tarvex insert'; FILE must be Verilog or a netlist)\n"
     "  --test-mode PORT=VALUE\n"
     "                     a pin held in test mode (0 or 1; may repeat) for the checks: registers\n"
     "                     with an error-level finding are left out of every layout (see 'tarvex check')\n"
     "  --measure NAME     fixpoint (default): the least fixpoint of the rules,\n"
     "                     register depth costing a factor, figures over the design's own\n"
     "                     ports; classic: the measure of the classic forms (see docs/measures.md)\n",
     kOptimiseOptions, runOptimise},
    {"insert", "insert FILE --layout NOTATION [--top NAME] [--test-mode PORT=VALUE ...] [-o OUT.v] [--out DIR] [--json]",
     "Writes the Verilog design FILE with the scan chains of NOTATION.\n", kNoOptions, nullptr, runInsert},
    {"import", "import FILE [--top NAME] [-o OUT]",
     "Writes the circuit description of FILE (Verilog .v/.sv or a Yosys JSON netlist)\n"
     "to OUT, or to standard output.\n",
     kNoOptions, nullptr, runImport},
    {"compare",
     "compare FILE [--area PCT] [--pins PCT] [--objective classic|graded] [--json] [--out DIR]\n"
     "[--seed N] [--population N] [--patience N] [--elitism] [--unordered]\n"
     "[--keep-self-loops] [--chains N] [--top NAME] [--restarts N] [--faultsim [--patterns N]]\n"
     "[--measure NAME]",
     "Runs every optimiser method on FILE (none, full, loops, ga, ga+polish, and exact\n"
     "when the circuit is small enough) and prints one row per method: scanned registers,\n"
     "chains, area and pin overhead, testability GT, controllable and observable port\n"
     "bits, fitness, its gap below the best fitness of any row (percent), time and the\n"
     "layout (ready for 'analyse --layout'), then the\n"
     "methods on the Pareto front of testability against area overhead. Writes no\n"
     "result files except, with --json, NAME.compare.json (see docs/json.md).\n"
     "The options are those of 'optimise'; ga+polish is the ga row's search polished by\n"
     "local search (the best of --restarts N searches).\n"
     "  --faultsim         also the stuck-at coverage of each row's layout, measured by\n"
     "                     'faultsim' with the same random patterns for every row, and the\n"
     "                     rank correlation of testability and detection (rho); then, over\n"
     "                     the distinct layouts, Kendall's tau between each measure's GT\n"
     "                     (classic and fixpoint) and the coverage\n"
     "  --patterns N       random patterns of --faultsim (10000)\n"
     "  --measure NAME     fixpoint (default): the least fixpoint of the rules,\n"
     "                     register depth costing a factor, figures over the design's own\n"
     "                     ports; classic: the measure of the classic forms (see docs/measures.md)\n",
     kCompareOptions, runCompare},
    {"faultsim",
     "faultsim FILE [--top NAME] [--layout NOTATION | --method NAME] [--patterns N] [--exhaustive]\n"
     "[--capture-cycles K] [--seed S] [--out DIR] [--json] [--write-netlist F.json]\n"
     "[--write-patterns F] [--write-faults F] [--test-mode PORT=VALUE ...]",
     "", kNoOptions, nullptr, runFaultsim},
    {"check", "check FILE [--top NAME] [--json] [--test-mode PORT=VALUE ...]",
     "Checks whether the flip-flops of FILE can be scanned (see docs/checks.md).\n", kNoOptions, nullptr, runCheck},
    {"help", "help [COMMAND]", "Shows the help of the command line or of one command.\n", kNoOptions, runHelp},
};

const Command* findCommand(std::string_view name) {
  for (const Command& c : kCommands)
    if (c.name == name) return &c;
  return nullptr;
}

// The usage line of `c` after a prefix of `indent` characters, its
// continuation lines aligned under the command's first option.
std::string synopsis(const Command& c, size_t indent) {
  const std::string pad(indent + c.name.size() + std::string_view(" FILE ").size(), ' ');
  std::string text;
  for (char ch : c.synopsis) {
    text.push_back(ch);
    if (ch == '\n') text += pad;
  }
  return text;
}

void printCommandHelp(const Command& c, CliEnv& env) {
  if (c.runWords) {
    c.runWords({"--help"}, env);
    return;
  }
  std::printf("Usage: tarvex %s\n\n%s", synopsis(c, 14).c_str(), std::string(c.help).c_str());
  std::printf("\nExit status: 0 success, 1 errors reported, 2 wrong usage.\n");
}

void printOverview() {
  std::printf("tarvex %s: testability analysis and scan layout design for RTL data paths\n\n", tarvexVersion());
  std::printf("Usage:\n");
  for (const Command& c : kCommands) std::printf("  tarvex %s\n", synopsis(c, 9).c_str());
  std::printf("  tarvex --version\n");
  std::printf("  tarvex FILE [-n] 0 NOTATION | FILE [-n] 1 scan_type a_over p_over psize elitism maxruns\n"
              "                     (the classic forms; 'tarvex -h' prints their syntax)\n");
  std::printf("\n'tarvex COMMAND --help' describes one command.\n");
}

int runHelp(const Command& self, const Arguments& a, CliEnv& env) {
  if (a.positional.empty()) {
    printOverview();
    return 0;
  }
  const Command* c = a.positional.size() == 1 ? findCommand(a.positional[0]) : nullptr;
  if (!c) return usageError(self, "no command '" + a.positional[0] + "'");
  printCommandHelp(*c, env);
  return 0;
}

}  // namespace

bool isCliCommand(const char* word) {
  if (!word) return false;
  return std::strcmp(word, "--version") == 0 || findCommand(word) != nullptr;
}

int cliMain(int argc, char* argv[], CliEnv& env) {
  if (argc < 2) return 2;
  const std::string_view name = argv[1];
  if (name == "--version") {
    std::printf("tarvex %s\n", tarvexVersion());
    return 0;
  }
  const Command* cmd = findCommand(name);
  if (!cmd) {
    std::fprintf(stderr, "tarvex: no command '%s' (see 'tarvex help')\n", argv[1]);
    return 2;
  }
  if (cmd->runWords) return cmd->runWords(std::vector<std::string>(argv + 2, argv + argc), env);
  Arguments args;
  const std::string problem = parseArguments(std::span<char* const>(argv + 2, static_cast<size_t>(argc - 2)),
                                             cmd->options, args);
  if (args.help) {
    printCommandHelp(*cmd, env);
    return 0;
  }
  if (!problem.empty()) return usageError(*cmd, problem);
  const int status = cmd->run(*cmd, args, env);
  std::fflush(stdout);
  return status;
}
