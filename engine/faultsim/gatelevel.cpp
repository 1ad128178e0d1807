#include "faultsim/gatelevel.h"

#include "read/import.h"
#include "read/yosys_tool.h"

namespace {

bool endsWith(const std::string& s, const std::string& tail) {
  return s.size() > tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

std::string gateLevelScript(const std::string& top) {
  return (top.empty() ? std::string("hierarchy -auto-top") : "hierarchy -top " + top) +
         "; proc; flatten; opt -nodffe -nosdff; opt_clean; memory_map; opt; async2sync; techmap; "
         "dfflegalize -cell $_DFF_P_ 01; opt_clean; write_json";
}

bool makeGateLevelJson(const std::string& path, const std::string& top, ProcessRunner& runner, std::string& json,
                       std::vector<std::string>& problems) {
  if (!top.empty() && !yosys_tool::isPlainModuleName(top)) {
    problems.push_back("'" + top + "' is not a module name");
    return false;
  }
  const char* frontend = endsWith(path, ".json") ? "json" : endsWith(path, ".sv") ? "verilog -sv" : "verilog";
  const std::string file = !path.empty() && path[0] == '-' ? "./" + path : path;
  std::string err;
  const int status = runner.run({"yosys", "-q", "-f", frontend, "-p", gateLevelScript(top), file}, json, err);
  if (status == ProcessRunner::kNotStarted) {
    problems.push_back("yosys is not installed: it is needed to map '" + path +
                       "' onto gates; install the Debian package 'yosys'");
    return false;
  }
  if (status != 0) {
    problems.push_back("yosys failed to map '" + path + "' onto gates:\n" + yosys_tool::errorMessage(json, err));
    return false;
  }
  return true;
}
