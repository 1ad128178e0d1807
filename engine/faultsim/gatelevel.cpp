#include "faultsim/gatelevel.h"

#include <algorithm>
#include <cctype>

#include "read/import.h"

namespace {

bool endsWith(const std::string& s, const std::string& tail) {
  return s.size() > tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// A module name that can go into a script unquoted.
bool isPlainName(const std::string& s) {
  return !s.empty() && !std::isdigit(static_cast<unsigned char>(s[0])) &&
         std::all_of(s.begin(), s.end(), [](char ch) {
           const auto c = static_cast<unsigned char>(ch);
           return std::isalnum(c) || c == '_' || c == '$';
         });
}

// yosys's error lines (they name file and line), else the last line it wrote.
std::string yosysProblem(const std::string& out, const std::string& err) {
  std::string found, last;
  for (const std::string* text : {&err, &out}) {
    size_t start = 0;
    while (start < text->size()) {
      size_t end = text->find('\n', start);
      if (end == std::string::npos) end = text->size();
      const std::string line = text->substr(start, end - start);
      if (line.find("ERROR") != std::string::npos) found += (found.empty() ? "" : "\n") + line;
      if (!line.empty()) last = line;
      start = end + 1;
    }
  }
  return !found.empty() ? found : !last.empty() ? last : "(no message)";
}

}  // namespace

std::string gateLevelScript(const std::string& top) {
  return (top.empty() ? std::string("hierarchy -auto-top") : "hierarchy -top " + top) +
         "; proc; flatten; opt -nodffe -nosdff; opt_clean; memory_map; opt; async2sync; techmap; "
         "dfflegalize -cell $_DFF_P_ 01; opt_clean; write_json";
}

bool makeGateLevelJson(const std::string& path, const std::string& top, ProcessRunner& runner, std::string& json,
                       std::vector<std::string>& problems) {
  if (!top.empty() && !isPlainName(top)) {
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
    problems.push_back("yosys failed to map '" + path + "' onto gates:\n" + yosysProblem(json, err));
    return false;
  }
  return true;
}
