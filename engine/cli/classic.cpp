#include "cli/classic.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "analysis/analysis.h"
#include "base/clock.h"
#include "base/diagnostics.h"
#include "optimise/ga.h"
#include "read/description_reader.h"
#include "scan/insertion.h"
#include "write/analysis_line.h"
#include "write/reports.h"
#include "base/sidebyside.h"
#include "model/sizelimits.h"

namespace {

constexpr int kBannerWidth = 70;

// Prints one framed banner line: '|', the text padded to 68 characters, '|'.
void printFramed(const char* text) {
  std::printf("|%-*s|\n", kBannerWidth - 2, text);
}

// Prints the six-line banner box.
void print_info() {
  const std::string border = "+" + std::string(kBannerWidth - 2, '-') + "+";
  std::printf("%s\n", border.c_str());
  printFramed("  TARVEX (Tool for Register-Transfer Level Testability Analysis");
  printFramed("            and for Automated Design for Testability)");
  printFramed("  Testability analysis and scan layout design for RTL data paths");
  printFramed("  Written by the tarvex developers, 2026");
  std::printf("%s\n", border.c_str());
}

// Reports the missing file name and prints the command line syntax.
void display_help(const char* program, Diagnostics& diagnostics) {
  diagnostics.error("Parameter (input file name) missing!\n");
  std::printf("SYNTAX: %s DC_structure_description_file Other_parameters\n", program);
  std::printf("where Other_parameters are:\n");
  std::printf("\t[-n] 0 scan_layout_notation\n");
  std::printf("\tor\n");
  std::printf("\t[-n] 1 scan_type a_over p_over psize elitism maxruns.\n");
  std::printf("Comments:\n");
  std::printf("\t-n disables interactive mode\n");
  std::printf("\tscan_layout_notation or -1 (perform testability analysis only)\n");
  std::printf("\tscan_type equal to 0 means unordered scan, otherwise ordered scan\n");
  std::printf("\taover resp. pover represents max allowed area resp. pin overheads in %%\n");
  std::printf("\tpsize means genetic algorithm population size\n");
  std::printf("\telitism=0 switchs off elitism, other value switchs it on\n");
  std::printf("\tmaxruns means max number of unenhanced genetic algorithm runs allowed\n");
}

bool isHelpRequest(const char* arg) {
  for (const char* h : {"-h", "--h", "-help", "--help", "?", "/?", "/h"})
    if (std::strcmp(arg, h) == 0) return true;
  return false;
}

// Leading decimal number of `s` (0 when there is none), saturated to the int range.
long readNumber(const char* s) {
  long v = std::strtol(s, nullptr, 10);
  if (v > INT_MAX) return INT_MAX;
  if (v < INT_MIN) return INT_MIN;
  return v;
}

void wrongParameter(Diagnostics& diagnostics) {
  diagnostics.error("SYNTAX ERROR: Wrong parameter given! Please check the syntax.\n");
}

// True when `text` fits a MAX_STR_LEN buffer; otherwise reports it as `what`.
bool fitsBuffer(const char* text, const char* what, Diagnostics& diagnostics) {
  if (std::strlen(text) < static_cast<size_t>(MAX_STR_LEN)) return true;
  diagnostics.error("The %s is longer than %d characters!\n", what, MAX_STR_LEN - 1);
  return false;
}

// The decoded command line.
struct Command {
  enum Action { NONE, ANALYSIS, OPTIMISER } action = NONE;
  bool explicitHelp = false;
  bool disableList = false;
  const char* file = nullptr;
  const char* notation = nullptr;
  GaOptions optimiser;  // the solver's run parameters (optimiser form)
};

// Decodes the arguments; reports help and syntax errors (action NONE then).
Command decode(int argc, char* argv[], Diagnostics& diagnostics) {
  Command cmd;
  const int nargs = argc - 1;
  if (nargs == 0) {
    display_help(argv[0], diagnostics);
    return cmd;
  }
  if (nargs == 1) {
    if (isHelpRequest(argv[1])) {
      cmd.explicitHelp = true;
      display_help(argv[0], diagnostics);
    } else {
      wrongParameter(diagnostics);
    }
    return cmd;
  }
  if (nargs != 3 && nargs != 4 && nargs != 8 && nargs != 9) {
    diagnostics.error("SYNTAX ERROR: Wrong number of parameters! Please check the syntax.\n");
    return cmd;
  }
  const bool flagged = nargs == 4 || nargs == 9;
  char** rest = argv + (flagged ? 4 : 3);  // the arguments after the mode
  if (flagged) cmd.disableList = std::strcmp(argv[2], "-n") == 0;
  const long mode = readNumber(rest[-1]);
  if (nargs <= 4) {
    if (mode != 0) {
      wrongParameter(diagnostics);
      return cmd;
    }
    cmd.notation = rest[0];
    if (!fitsBuffer(cmd.notation, "scan layout notation", diagnostics)) return cmd;
  } else {
    if (mode != 1) {
      wrongParameter(diagnostics);
      return cmd;
    }
    GaOptions& o = cmd.optimiser;
    o.techniques = readNumber(rest[0]) == 0 ? UNORDERED_SCAN : ORDERED_SCAN;
    o.limits.maxAreaOverhead = static_cast<double>(readNumber(rest[1]));
    o.limits.maxPinOverhead = static_cast<double>(readNumber(rest[2]));
    o.populationSize = static_cast<int>(readNumber(rest[3]));
    o.elitism = readNumber(rest[4]) != 0;
    const long maxRuns = readNumber(rest[5]);
    o.maxUnenhancedRuns = static_cast<unsigned long>(maxRuns);
    if (maxRuns < 0) {  // would never end
      wrongParameter(diagnostics);
      return cmd;
    }
  }
  cmd.file = argv[1];
  if (!fitsBuffer(cmd.file, "input file name", diagnostics)) return cmd;
  cmd.action = nargs <= 4 ? Command::ANALYSIS : Command::OPTIMISER;
  return cmd;
}

// Search for the best scan layout with the genetic algorithm, seeded from the clock.
void runOptimiser(Circuit& circuit, const GaOptions& options, RunContext& run) {
  SeededRandom random(run.clock.seedFromTime());
  runGA(circuit, options, random, run);
}

}  // namespace

bool runAnalysis(Circuit& circuit, const std::string& notation, RunContext& run,
                 const std::function<void(const ScanLayout&)>& whileApplied) {
  const LayoutRegisters regs(circuit);
  ScanLayout layout;
  if (notation != "-1") {
    // A notation that cannot be applied is reported and leaves no results.
    if (const std::string problem = readLayout(notation, regs, layout); !problem.empty()) {
      run.diagnostics.error("Wrong scan layout notation '%s' (%s)!\n", notation.c_str(), problem.c_str());
      return false;
    }
    circuit.setNotation(notation);
  }
  const AppliedScanLayout applied(circuit, regs, layout);
  // The drawing needs the structure only, so it is written while the analysis
  // runs; so are the old tables emptied, which are rewritten once it is done.
  const ResultFiles files(run.resultFolder, run.diagnostics);
  Analyser analyser(run.diagnostics, run.analysis);
  exportGraphviz(circuit, files, [&] {
    runBeside([&] { emptyAnalysisFiles(circuit, files); }, [&] { analyseWithConsoleLine(analyser, circuit); });
  });
  const Measures figures = measuresOf(circuit);
  writeAnalysisFiles(circuit, figures, files);
  writeParameters(circuit, figures, files);
  writeEvaluation(circuit, figures, files);
  if (whileApplied) whileApplied(layout);
  return true;
}

int tarvexMain(int argc, char* argv[], RunContext& run, InputImporter* importer) {
  Diagnostics& diagnostics = run.diagnostics;
  const char* program = argc > 0 ? argv[0] : "tarvex";
  print_info();
  std::printf("%s is running in %s mode\n", program, DEBUG ? "DEBUG" : "NORMAL");

  Command cmd = decode(argc, argv, diagnostics);
  std::unique_ptr<Circuit> circuit;
  if (cmd.action != Command::NONE) {
    std::printf("----------\n");
    std::printf("Opening input file '%s'...\n", cmd.file);
    std::fflush(stdout);
    if (importer && importer->accepts(cmd.file)) {
      circuit = importer->import(cmd.file);
      std::printf("Closing input file '%s'.\n", cmd.file);
    } else {
      FILE* in = std::fopen(cmd.file, "r");
      if (!in) {
        diagnostics.error("Can't open DC description file '%s'!\nExiting...\n", cmd.file);
        std::printf("%s has ended with %ld error(s).\n", program, diagnostics.count());
        return 1;
      }
      circuit = readCirData(in, diagnostics);
      std::printf("Closing input file '%s'.\n", cmd.file);
      std::fclose(in);
    }
    if (circuit && !diagnostics.clean()) circuit.reset();
  }
  if (circuit) {
    if (cmd.action == Command::ANALYSIS)
      runAnalysis(*circuit, cmd.notation, run);
    else
      runOptimiser(*circuit, cmd.optimiser, run);
  }
  circuit.reset();

  if (!diagnostics.clean())
    std::printf("%s ended with %ld error(s).\n", program, diagnostics.count());
  else
    std::printf("%s has ended with no errors.\n", program);
  if (!cmd.disableList) {
    std::printf("\nPress ENTER to finish the program\n");
    std::fflush(stdout);
    (void)std::getchar();
  }
  return cmd.explicitHelp || diagnostics.clean() ? 0 : 1;
}
