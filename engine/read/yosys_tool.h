// Running yosys: what every caller of the program needs to build its script
// safely and to tell the user what went wrong.
#pragma once

#include <string>

namespace yosys_tool {

// True for a module name that can go into a yosys script unquoted: a plain
// Verilog identifier of at most 200 characters, not starting with a digit or '$'.
bool isPlainModuleName(const std::string& name);

// The lines of yosys's output that carry its error (they name file and line,
// without a leading "./"), else the last line it wrote to standard error,
// else "(no message)".
std::string errorMessage(const std::string& out, const std::string& err);

}  // namespace yosys_tool
