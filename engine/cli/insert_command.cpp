#include "cli/insert_command.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "base/diagnostics.h"
#include "base/run_context.h"
#include "scan/insert/chainreport.h"

namespace {

constexpr const char* kUsage =
    "insert FILE --layout NOTATION [--top NAME] [--test-mode PORT=VALUE ...] [-o OUT.v] [--out DIR] [--json]";

void printHelp() {
  std::printf(
      "Usage: tarvex %s\n\n"
      "Writes the Verilog design FILE (.v, .sv, or a Yosys JSON netlist .json) with the\n"
      "scan chains of NOTATION, flattened, and the chain description beside it\n"
      "(OUT.chains.json, see docs/insert.md); prints one row per chain.\n"
      "The design keeps its ports and gains SCAN_MODE, and SCAN_IN<k> and SCAN_OUT<k>\n"
      "for each chain k. While SCAN_MODE is 1 the flip-flops of a chain shift, from\n"
      "SCAN_IN<k> on, one place per clock edge; while it is 0 the design is unchanged.\n"
      "  --layout NOTATION  scan chains separated by '.', registers by ',' (item names);\n"
      "                     digits name the d-th register described; '-1' for none\n"
      "  --top NAME         the top module of the design\n"
      "  --test-mode PORT=VALUE  a pin held in test mode (repeatable); a layout naming\n"
      "                     a register that 'tarvex check' finds unscannable is refused\n"
      "  -o OUT.v           the file to write (NAME_scan.v by default)\n"
      "  --out DIR          write NAME_scan.v into DIR (made when missing)\n"
      "  --json             print the chain description instead of the table\n"
      "\nExit status: 0 success, 1 errors reported, 2 wrong usage.\n",
      kUsage);
}

int usageError(const std::string& message) {
  std::fprintf(stderr, "tarvex insert: %s (see 'tarvex insert --help')\n", message.c_str());
  return 2;
}

// The chain description's path: the Verilog file's, its extension replaced.
std::string chainsPathOf(const std::string& verilogPath) {
  std::filesystem::path p(verilogPath);
  if (p.extension() == ".v" || p.extension() == ".sv") p.replace_extension();
  return p.string() + ".chains.json";
}

// Writes `text` to `path`; a counted error (and no partial file) when it cannot.
bool writeFile(const std::string& path, const std::string& text, Diagnostics& diagnostics) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  if (out) return true;
  diagnostics.error("Can't write '%s'!\n", path.c_str());
  std::remove(path.c_str());
  return false;
}

// The Verilog file to write; "" (error counted) when its folder cannot be made.
std::string verilogPathOf(const InsertOutput& output, const std::string& design, Diagnostics& diagnostics) {
  if (!output.verilogPath.empty()) return output.verilogPath;
  const std::string name = design + "_scan.v";
  if (output.folder.empty()) return name;
  std::error_code ec;
  std::filesystem::create_directories(output.folder, ec);
  if (ec || !std::filesystem::is_directory(output.folder)) {
    diagnostics.error("Can't use '%s' as the result folder!\n", output.folder.c_str());
    return "";
  }
  return (std::filesystem::path(output.folder) / name).string();
}

// True when `path` names the existing file `input`.
bool isSameFile(const std::string& path, const std::string& input) {
  std::error_code ec;
  return std::filesystem::equivalent(path, input, ec) && !ec;
}

size_t flopCount(const std::vector<ScannedChain>& chains) {
  size_t n = 0;
  for (const ScannedChain& c : chains) n += c.flops.size();
  return n;
}

}  // namespace

int writeScanDesign(const InsertRequest& request, const InsertOutput& output, RunContext& run) {
  Diagnostics& diagnostics = run.diagnostics;
  const long before = diagnostics.count();
  const ScanInsertion done = insertScan(request, run.processes, diagnostics);
  for (const std::string& message : done.errors) diagnostics.error("%s\n", message.c_str());
  if (!done.ok() || diagnostics.count() != before) return 1;
  const std::string verilogPath = verilogPathOf(output, done.design, diagnostics);
  if (verilogPath.empty()) return 1;
  const std::string chainsPath = chainsPathOf(verilogPath);
  for (const std::string* path : {&verilogPath, &chainsPath})
    if (isSameFile(*path, request.file)) {
      diagnostics.error("Writing '%s' would overwrite the input design!\n", path->c_str());
      return 1;
    }
  const std::string description = chainsJson(done.module, request.layout, verilogPath, done.chains);
  if (!writeFile(verilogPath, done.verilog, diagnostics) || !writeFile(chainsPath, description, diagnostics)) return 1;
  if (output.json) {
    std::fputs(description.c_str(), stdout);
  } else {
    std::printf("Wrote '%s' and '%s': %zu scan chain(s), %zu flip-flop(s) scanned\n", verilogPath.c_str(),
                chainsPath.c_str(), done.chains.size(), flopCount(done.chains));
    std::fputs(chainTable(done.chains).c_str(), stdout);
  }
  std::fflush(stdout);
  return 0;
}

int insertCommand(const std::vector<std::string>& words, RunContext& run) {
  InsertRequest request;
  InsertOutput output;
  bool hasLayout = false;
  for (size_t k = 0; k < words.size(); ++k) {
    const std::string& w = words[k];
    if (w == "--help" || w == "-h") {
      printHelp();
      return 0;
    }
    const bool takesValue = w == "--layout" || w == "--top" || w == "-o" || w == "--out" || w == "--test-mode";
    if (takesValue && k + 1 >= words.size()) return usageError("option '" + w + "' needs a value");
    if (w == "--layout") {
      request.layout = words[++k];
      hasLayout = true;
    } else if (w == "--top") {
      request.top = words[++k];
    } else if (w == "--test-mode") {
      HeldPin pin;
      if (!parseHeldPin(words[++k], pin)) return usageError("--test-mode needs PORT=0 or PORT=1, not '" + words[k] + "'");
      request.held.push_back(pin);
    } else if (w == "-o") {
      output.verilogPath = words[++k];
    } else if (w == "--out") {
      output.folder = words[++k];
    } else if (w == "--json") {
      output.json = true;
    } else if (w.size() > 1 && w[0] == '-') {
      return usageError("unknown option '" + w + "'");
    } else if (request.file.empty()) {
      request.file = w;
    } else {
      return usageError("one FILE expected, '" + w + "' is one too many");
    }
  }
  if (request.file.empty()) return usageError("FILE missing");
  if (!hasLayout) return usageError("--layout NOTATION missing ('-1' for no chain)");
  return writeScanDesign(request, output, run);
}
