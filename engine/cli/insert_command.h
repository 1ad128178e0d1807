// `tarvex insert FILE --layout NOTATION [--top NAME] [--test-mode PORT=VALUE ...] [-o OUT.v] [--out DIR] [--json]`:
// writes the design with its scan chains, and the chain description beside it.
#pragma once

#include <string>
#include <vector>

#include "scan/insert/insert.h"

struct RunContext;

// Where the scanned design goes and what is printed.
struct InsertOutput {
  std::string verilogPath;  // empty: NAME_scan.v in `folder`
  std::string folder;       // empty: the current folder
  bool json = false;        // print the chain description instead of the table
};

// Writes the request's design with its chains and the chain description,
// prints the chain table (errors to the run's diagnostics). Returns 0, or 1 after errors.
int writeScanDesign(const InsertRequest& request, const InsertOutput& output, RunContext& run);

// `tarvex insert ...`: `words` are those after "insert". Returns the exit
// status: 0 done, 1 errors reported, 2 wrong usage.
int insertCommand(const std::vector<std::string>& words, RunContext& run);
