#include "scan/insert/insert.h"

#include <fstream>
#include <iterator>
#include <unordered_map>

#include "checks/scannable.h"
#include "model/model.h"
#include "read/yosys_tool.h"
#include "scan/insert/tempfile.h"
#include "scan/notation.h"

namespace {

// The chains of `layout` as registers of the design; errors go to `result`.
ScanChainRequest chainsOfLayout(const ImportedDesign& design, const std::string& layout, const std::string& source,
                                const ScanExclusions& excluded, ScanInsertion& result, Diagnostics& diagnostics) {
  std::unique_ptr<Circuit> circuit = buildCircuit(design, diagnostics);
  if (!circuit) {
    result.errors.push_back("design '" + design.name + "' cannot be built as a circuit");
    return {};
  }
  const LayoutRegisters regs(*circuit);
  ScanChains chains;
  if (std::string problem = parseNotation(layout, regs, chains); !problem.empty()) {
    result.errors.push_back("layout '" + layout + "' does not fit " + source + ": " + problem);
    return {};
  }
  std::unordered_map<std::string_view, const ImportedItem*> itemByName;
  for (const ImportedItem& item : design.items)
    if (item.kind == REG) itemByName.emplace(item.name, &item);
  ScanChainRequest request;
  for (const std::vector<int>& chain : chains) {
    std::vector<ScanRegisterRef>& refs = request.emplace_back();
    for (int r : chain) {
      auto it = itemByName.find(regs.name(r));
      if (it == itemByName.end()) {
        result.errors.push_back("register '" + regs.name(r) + "' of the layout is not a register of " + source);
        continue;
      }
      if (const std::string* rule = excluded.ruleOf(regs.name(r))) {
        const std::string& origin = it->second->origin;
        result.errors.push_back((origin.empty() ? "" : origin + ": ") + "layout '" + layout +
                                "': " + unscannableMessage(regs.name(r), *rule));
        continue;
      }
      refs.push_back({it->second->name, it->second->cell, it->second->origin});
    }
  }
  return request;
}

// The file's text; false when it cannot be read.
bool readText(const std::string& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

// Yosys writes the edited netlist as Verilog; errors go to `result`.
void writeVerilog(ScanInsertion& result, ProcessRunner& runner) {
  TempFile json(".json");
  if (!json.write(result.netlist)) {
    result.errors.push_back("can't write a temporary file for yosys" +
                            (json.path().empty() ? std::string() : " ('" + json.path() + "')"));
    return;
  }
  std::string out, err;
  const int status = runner.run({"yosys", "-q", "-f", "json", "-p", "write_verilog -noattr", json.path()}, out, err);
  if (status == ProcessRunner::kNotStarted) {
    result.errors.push_back("yosys is not installed: it writes the design; install the Debian package 'yosys'");
  } else if (status != 0) {
    result.errors.push_back("yosys failed to write the design:\n" + yosys_tool::errorMessage(out, err));
  } else {
    result.verilog = std::move(out);
  }
}

}  // namespace

ScanInsertion scanNetlist(const std::string& netlist, const std::string& source, const std::string& top,
                          const std::string& layout, const std::vector<HeldPin>& held, Diagnostics& diagnostics) {
  ScanInsertion result;
  ImportedDesign design;
  if (!importNetlist(netlist, source, ImportOptions{top}, design, diagnostics)) {
    result.reportedElsewhere = true;
    return result;
  }
  result.design = design.name;
  result.module = design.module;
  ScanChainRequest chains;
  if (!layout.empty() && layout != "-1") {
    ScanExclusions excluded;
    if (!findExclusions(netlist, source, design, held, excluded, result.errors)) return result;
    chains = chainsOfLayout(design, layout, source, excluded, result, diagnostics);
    if (!result.errors.empty()) return result;
  }
  ScanNetlistResult edited = insertScanChains(netlist, source, design.module, chains);
  result.errors = std::move(edited.errors);
  result.netlist = std::move(edited.netlist);
  result.chains = std::move(edited.chains);
  return result;
}

ScanInsertion insertScan(const InsertRequest& request, ProcessRunner& runner, Diagnostics& diagnostics) {
  std::string netlist, top = request.top;
  switch (inputKindOf(request.file)) {
    case InputKind::Description: {
      ScanInsertion result;
      result.errors.push_back("'" + request.file +
                              "' is a circuit description: scan chains go into a Verilog design (.v, .sv) "
                              "or a Yosys JSON netlist (.json)");
      return result;
    }
    case InputKind::Verilog:
      if (!elaborateVerilog(request.file, ImportOptions{request.top}, runner, netlist, top, diagnostics)) {
        ScanInsertion result;
        result.reportedElsewhere = true;
        return result;
      }
      break;
    case InputKind::YosysJson:
      if (!readText(request.file, netlist)) {
        ScanInsertion result;
        result.errors.push_back("can't open input file '" + request.file + "'");
        return result;
      }
      break;
  }
  ScanInsertion result = scanNetlist(netlist, request.file, top, request.layout, request.held, diagnostics);
  if (result.ok()) writeVerilog(result, runner);
  return result;
}
