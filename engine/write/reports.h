// Where the result files go and how they are named.
#pragma once

#include <cstdio>

#include <functional>
#include <string>
#include <utility>

class Circuit;
class Diagnostics;
class TextOut;

// Where a run's result files go, and where failures to write them are reported.
class ResultFiles {
 public:
  // Files go to `folder` (empty: the working directory).
  ResultFiles(std::string folder, Diagnostics& diagnostics) : dir(std::move(folder)), diag(diagnostics) {}
  // Where the result file `fileName` is written: the folder joined with it.
  std::string pathOf(const std::string& fileName) const;
  const std::string& folder() const { return dir; }
  Diagnostics& diagnostics() const { return diag; }

 private:
  std::string dir;
  Diagnostics& diag;
};

// Circuit-wide figures shared by the result files. Ratios whose divisor is 0 are 0.
struct Measures {
  long total = 0;  // bits of all ports, primary and item ports
  long nC = 0, nO = 0, nT = 0;
  double con = 0.0, obs = 0.0;
  double pctC = 0.0, pctO = 0.0, pctT = 0.0;
  double gc = 0.0, go = 0.0, gt = 0.0;
  double pinOver = 0.0, areaOver = 0.0;
};

// The figures of the circuit as last analysed (updates its con/obs/tst averages);
// by the fixpoint measure's rules when that measure analysed it last.
Measures measuresOf(Circuit& c);
// The figures of the fixpoint measure: over the design's own data ports, bits
// counted above its threshold (updates the circuit's averages).
Measures ownPortMeasures(Circuit& c);

// The file name of a result: `base` (a circuit name) with path separators
// replaced by '_', so a result never lands outside the result folder, then `ext`.
std::string resultFileName(const std::string& base, const char* ext);

// `name` with every item/port separator '.' replaced by '_' (the name of a Graphviz graph).
std::string graphvizName(const std::string& name);

// Opens the file at `path` for writing, creating it when missing, but leaves
// its old contents for the thread that writes it to drop (see
// emptyForRewrite); null on failure, as when opening it to be rewritten.
FILE* openForRewrite(const std::string& path);
// Drops the old contents of a file from openForRewrite before its first
// write; false when a regular file could not be emptied.
bool emptyForRewrite(FILE* f);

// Empties the existing files that writeAnalysisFiles rewrites for `c` (.pro,
// .txt, .tex, .html); creates none, reports nothing. Freeing a large file's
// old contents takes the kernel a while, so this runs beside the analysis.
void emptyAnalysisFiles(const Circuit& c, const ResultFiles& files);

// The result files, named after the circuit, of its last analysis. Each is
// announced on the console; failures are reported to the files' diagnostics.
// NAME.pro: the propagation record (sources and values of every port).
void writePropagationFile(const Circuit& c, const ResultFiles& files);
// NAME.par: the parameters line with the figures `m`.
void writeParameters(const Circuit& c, const Measures& m, const ResultFiles& files);
// NAME.eva: the evaluation line with the figures `m`.
void writeEvaluation(const Circuit& c, const Measures& m, const ResultFiles& files);
// NAME.txt, NAME.tex, NAME.html: the per-port tables.
void writeTextTable(Circuit& c, const ResultFiles& files);
void writeTexTable(Circuit& c, const ResultFiles& files);
void writeHtmlTable(Circuit& c, const ResultFiles& files);
// The propagation file and the .txt, .tex and .html tables with the
// figures `m`; all but the .html table are written on a second thread.
void writeAnalysisFiles(const Circuit& c, const Measures& m, const ResultFiles& files);

// NAME.dot: the Graphviz drawing of the circuit structure, written on a
// second thread while `meanwhile` (when set) runs on this one; `meanwhile`
// must not change the structure (items, ports, links, names).
void exportGraphviz(const Circuit& c, const ResultFiles& files, const std::function<void()>& meanwhile = {});
// The Graphviz text of the circuit structure, graph named `graphName`;
// links with no port are skipped and reported.
void writeGraph(TextOut& out, const Circuit& c, const std::string& graphName, Diagnostics& diagnostics);
// writeGraph without reporting: returns the number of links with no port skipped.
long writeGraphQuietly(TextOut& out, const Circuit& c, const std::string& graphName);
