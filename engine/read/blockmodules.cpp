#include "read/blockmodules.h"

#include "base/diagnostics.h"
#include "read/blockpath.h"
#include "read/yosys_json.h"
#include "read/yosys_tool.h"

bool addInstanceModules(const std::string& path, const ImportOptions& options, ProcessRunner& runner, Circuit& c,
                        Diagnostics& diagnostics) {
  if (inputKindOf(path) != InputKind::Verilog || !c.blocks().any()) return true;
  ImportOptions chosen = options;
  std::string top;
  std::string netlist;
  if (chosen.top.empty() && yosys_tool::isPlainModuleName(c.getName())) chosen.top = c.getName();
  if (!yosysNetlist(path, chosen, "delete */p:*", runner, netlist, diagnostics, &top)) return false;
  try {
    const nlohmann::json doc = nlohmann::json::parse(netlist);
    const nlohmann::json* modules = yosys_json::member(doc, "modules");
    if (!modules) return true;
    for (const auto& [instance, module] : instanceModules(*modules, top)) c.blocks().setModule(instance, module);
  } catch (const nlohmann::json::exception& e) {
    diagnostics.error("The hierarchy of '%s' is not valid JSON: %s\n", path.c_str(), e.what());
    return false;
  }
  return true;
}
