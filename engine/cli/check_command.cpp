// The check command: reads its words, has yosys elaborate a Verilog design
// (a netlist is read as it is), runs the rules and reports.
#include "cli/check_command.h"

#include <fstream>
#include <iterator>

#include "base/diagnostics.h"
#include "base/run_context.h"
#include "base/version.h"
#include "checks/checks.h"
#include "checks/report.h"
#include "read/import.h"
#include "write/reports.h"

namespace {

constexpr const char* kUsage = "usage: tarvex check FILE [--top NAME] [--json] [--test-mode PORT=VALUE ...]\n";

constexpr const char* kHelp =
    "Usage: tarvex check FILE [--top NAME] [--json] [--test-mode PORT=VALUE ...]\n\n"
    "Checks whether the flip-flops of FILE (Verilog .v/.sv or a Yosys JSON netlist) can be\n"
    "scanned: clocks (CLK-1, CLK-2), resets (RST-1, RST-2), latches (LAT-1), combinational\n"
    "loops (LOOP-1), tristates (TRI-1), memories (MEM-1), unknown values (X-1) and\n"
    "constant or unseen flip-flops (CONST-1); see docs/checks.md. Prints one line per\n"
    "finding (rule, severity, object, file.v:LINE, what to do), then a summary.\n"
    "  --top NAME             the top module of a Verilog design\n"
    "  --json                 also write NAME.check.json\n"
    "  --test-mode PORT=VALUE a primary input held at VALUE (0 or 1) in test mode, e.g.\n"
    "                         rst_n=1 or test_en=1; PORT may name one bit, mode[2]=1;\n"
    "                         may be given more than once\n"
    "\nExit status: 0 no error-level finding, 1 error-level findings or errors, 2 wrong usage.\n";

struct CheckArgs {
  std::string file, top;
  bool json = false;
  std::vector<HeldPin> held;
};

// Reads the words; "" or what is wrong with them. `help` is set by --help.
std::string parseWords(const std::vector<std::string>& words, CheckArgs& a, bool& help) {
  for (size_t k = 0; k < words.size(); ++k) {
    std::string w = words[k], value;
    const size_t eq = w.find('=');
    const bool option = w.size() > 1 && w[0] == '-';
    if (option && eq != std::string::npos) {
      value = w.substr(eq + 1);
      w.erase(eq);
    }
    const bool takesValue = w == "--top" || w == "--test-mode";
    if (takesValue && eq == std::string::npos) {
      if (k + 1 >= words.size()) return "option '" + w + "' needs a value";
      value = words[++k];
    }
    if (w == "--help" || w == "-h") {
      help = true;
    } else if (w == "--json" && eq == std::string::npos) {
      a.json = true;
    } else if (w == "--top") {
      a.top = value;
    } else if (w == "--test-mode") {
      HeldPin pin;
      if (!parseHeldPin(value, pin)) return "--test-mode needs PORT=0 or PORT=1, not '" + value + "'";
      a.held.push_back(pin);
    } else if (option) {
      return "unknown option '" + w + "'";
    } else if (a.file.empty()) {
      a.file = w;
    } else {
      return "one FILE expected, '" + w + "' is one too many";
    }
  }
  return a.file.empty() && !help ? "FILE missing" : "";
}

// The netlist text of FILE: yosys's elaboration of Verilog, the file of a netlist.
bool netlistText(const CheckArgs& a, RunContext& run, std::string& text, std::string& top) {
  switch (inputKindOf(a.file)) {
    case InputKind::Verilog:
      return yosysNetlist(a.file, ImportOptions{a.top}, kCheckPasses, run.processes, text, run.diagnostics, &top);
    case InputKind::YosysJson: {
      std::ifstream in(a.file, std::ios::binary);
      text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
      if (in.bad() || !in.is_open()) {
        run.diagnostics.error("Can't open input file '%s'!\n", a.file.c_str());
        return false;
      }
      top = a.top;
      return true;
    }
    case InputKind::Description: break;
  }
  run.diagnostics.error("'%s' is not a Verilog design or a Yosys netlist (.v, .sv, .json): a circuit description "
                        "has no clocks or resets to check!\n", a.file.c_str());
  return false;
}

int writeJson(const CheckReport& report, std::FILE* out, RunContext& run) {
  const std::string name = resultFileName(report.design, ".check.json");
  std::ofstream file(ResultFiles(run.resultFolder, run.diagnostics).pathOf(name), std::ios::binary | std::ios::trunc);
  file << checkReportJson(report, tarvexVersion());
  file.close();
  if (!file) {
    run.diagnostics.error("Can't write to '%s'!\n", name.c_str());
    return 1;
  }
  std::fprintf(out, "Wrote '%s'\n", name.c_str());
  return 0;
}

}  // namespace

int checkCommand(const std::vector<std::string>& words, RunContext& run, std::FILE* out) {
  CheckArgs a;
  bool help = false;
  const std::string problem = parseWords(words, a, help);
  if (help) {
    std::fputs(kHelp, out);
    return 0;
  }
  if (!problem.empty()) {
    std::fprintf(run.diagnostics.stream(), "tarvex check: %s (see 'tarvex check --help')\n", problem.c_str());
    return 2;
  }
  std::string text, top;
  if (!netlistText(a, run, text, top)) return 1;
  CheckNetlist netlist;
  std::vector<std::string> problems;
  CheckReport report;
  if (!readCheckNetlist(text, a.file, top, netlist, problems) || !runChecks(netlist, a.held, report, problems)) {
    for (const std::string& p : problems) run.diagnostics.error("%s!\n", p.c_str());
    return 1;
  }
  std::fputs(checkReportText(report).c_str(), out);
  const int written = a.json ? writeJson(report, out, run) : 0;
  std::fflush(out);
  return written != 0 || report.count(Severity::Error) > 0 ? 1 : 0;
}
