// Where the result files go and how they are named.
#pragma once

#include <cstdio>

#include <string>

class Circuit;

// Circuit-wide figures shared by the result files. Ratios whose divisor is 0 are 0.
struct Measures {
  long total = 0;  // bits of all ports, primary and item ports
  long nC = 0, nO = 0, nT = 0;
  double con = 0.0, obs = 0.0;
  double pctC = 0.0, pctO = 0.0, pctT = 0.0;
  double gc = 0.0, go = 0.0, gt = 0.0;
  double pinOver = 0.0, areaOver = 0.0;
};

// The figures of the circuit as last analysed (updates its con/obs/tst averages).
Measures measuresOf(Circuit& c);

// Sets the folder result files are written to; empty (the default) means the
// working directory. Returns the previous folder.
std::string setResultFolder(const std::string& folder);

// The file name of a result: `base` (a circuit name) with path separators
// replaced by '_', so a result never lands outside the result folder, then `ext`.
std::string resultFileName(const std::string& base, const char* ext);

// `name` with every item/port separator '.' replaced by '_' (the name of a Graphviz graph).
std::string graphvizName(const std::string& name);

// Where the result file `fileName` is written: the result folder joined with it.
std::string resultPath(const std::string& fileName);

// Opens the file at `path` for writing, creating it when missing, but leaves
// its old contents for the thread that writes it to drop (see
// emptyForRewrite); null on failure, as when opening it to be rewritten.
FILE* openForRewrite(const std::string& path);
// Drops the old contents of a file from openForRewrite before its first
// write; false when a regular file could not be emptied.
bool emptyForRewrite(FILE* f);

// Empties the existing files that dumpAnalysisFiles rewrites for `c` (.pro,
// .txt, .tex, .html); creates none, reports nothing. Freeing a large file's
// old contents takes the kernel a while, so this runs beside the analysis.
void emptyAnalysisFiles(const Circuit& c);
