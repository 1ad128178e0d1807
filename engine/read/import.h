// Reading Verilog designs and Yosys JSON netlists into the circuit model at
// word level: yosys elaborates the design, the netlist's cells become items,
// their bit vectors become links. The same design can be written out as a
// circuit description.
#pragma once

#include <iosfwd>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "read/description_reader.h"
#include "read/input_importer.h"
#include "model/model.h"

class Diagnostics;

// Runs an external program without a shell. Injectable: tests pass a fake.
class ProcessRunner {
 public:
  virtual ~ProcessRunner() = default;
  // Runs argv[0] (looked up in PATH) with the arguments; collects standard
  // output and standard error. Returns the exit status, or kNotStarted when
  // the program could not be started (not installed).
  virtual int run(const std::vector<std::string>& argv, std::string& out, std::string& err) = 0;
  // Status returned by run() when the program could not be started.
  static constexpr int kNotStarted = 127;
};

// The runner that starts real processes (posix_spawn, no shell).
ProcessRunner& systemProcessRunner();

// Memories of at most this many words become registers, one a word (--memory-words).
inline constexpr long kDefaultMemoryWords = 256;

struct ImportOptions {
  ImportOptions() = default;
  // Options choosing the top module `topModule` (empty: automatically), the rest default.
  explicit ImportOptions(std::string topModule) : top(std::move(topModule)) {}

  std::string top;                // --top NAME; empty picks the top module automatically
  std::vector<std::string> libs;  // --lib FILE.v: modules read before the design (models of memories, macros)
  long memoryWords = kDefaultMemoryWords;  // --memory-words N: larger writable memories become RAM items
};

// Reads the value of --memory-words (a whole number, 0 .. 2^30) into `words`; false when it is not one.
bool parseMemoryWords(const std::string& text, long& words);

// Kind of input by file name: description, Verilog (.v/.sv) or Yosys JSON netlist (.json).
enum class InputKind { Description, Verilog, YosysJson };

// The kind of input a file name stands for (by its extension).
InputKind inputKindOf(const std::string& path);

// One port of an imported item or of the circuit.
struct ImportedPort {
  std::string name;
  port_type type = IN;
  int bits = 0;
};

// One port of the design: item index (-1 for the circuit's own ports) and port index.
struct PortRef {
  int item = -1;
  int port = 0;
};

struct ImportedItem {
  std::string name;
  item_type kind = I_UNKNOWN;
  std::vector<ImportedPort> ports;  // in declaration order
  std::string origin;               // source location "file.v:12", may be empty
  std::string cell;                 // the netlist cell it was made from
  std::string block;                // instance path it was flattened out of ("" for the top module)
  bool settable = false;            // a register with a reset, set or load pin (left out)
};

// One source port and every port it drives, in order.
struct ImportedLink {
  PortRef from;
  std::vector<PortRef> to;
};

// A word-level design: what a description holds, plus source locations.
struct ImportedDesign {
  std::string name;                  // circuit name (the top module's)
  std::string module;                // the netlist module it was read from
  std::vector<ImportedPort> ports;   // primary ports
  std::vector<ImportedItem> items;   // in declaration order
  std::vector<ImportedLink> links;   // in declaration order
  std::map<std::string, std::string> blockModules;  // module type of each instance path, when known
};

// Maps a Yosys JSON netlist (text) onto `design`. `source` names the input in
// messages. Errors go to `diagnostics`; false when any was counted.
bool importNetlist(const std::string& json, const std::string& source, const ImportOptions& options,
                   ImportedDesign& design, Diagnostics& diagnostics);

// Runs yosys on a Verilog file with the word-level script: its JSON netlist
// in `netlist`, the top module chosen in `top`. Errors go to `diagnostics`.
bool elaborateVerilog(const std::string& path, const ImportOptions& options, ProcessRunner& runner,
                      std::string& netlist, std::string& top, Diagnostics& diagnostics);

// The passes the importer runs on a Verilog design after `hierarchy -top`.
inline constexpr const char* kImportPasses = "proc; flatten; opt -nodffe -nosdff; opt_clean";

// The importer's passes for `options`: kImportPasses with the writable
// memories of at most options.memoryWords words mapped onto one register a
// word, the larger ones kept whole (collected into one cell each).
std::string importPasses(const ImportOptions& options);

// Runs yosys on a Verilog file: picks the top module (options.top, else the
// only candidate), then runs `hierarchy -top TOP; PASSES; write_json`. The
// netlist goes to `netlist`, the top module to `chosenTop` (when given).
// Errors are counted; false when any was.
bool yosysNetlist(const std::string& path, const ImportOptions& options, const std::string& passes,
                  ProcessRunner& runner, std::string& netlist, Diagnostics& diagnostics,
                  std::string* chosenTop = nullptr);

// The Yosys netlist the importer reads for `path`: yosys's output with the
// word-level passes for Verilog, the file itself for a netlist. Errors are counted.
bool importedNetlistText(const std::string& path, const ImportOptions& options, ProcessRunner& runner,
                         std::string& netlist, Diagnostics& diagnostics, std::string* chosenTop = nullptr);

// Runs yosys on a Verilog file with the word-level script and imports its netlist.
bool importVerilog(const std::string& path, const ImportOptions& options, ProcessRunner& runner,
                   ImportedDesign& design, Diagnostics& diagnostics);

// Imports a Verilog file or a JSON netlist, by the file's kind (not descriptions).
bool importDesign(const std::string& path, const ImportOptions& options, ProcessRunner& runner,
                  ImportedDesign& design, Diagnostics& diagnostics);

// Builds the circuit of a design exactly as reading its description would.
std::unique_ptr<Circuit> buildCircuit(const ImportedDesign& design, Diagnostics& diagnostics);

// Writes the circuit description of a design, with each item's source location as a comment.
bool writeDescription(const ImportedDesign& design, std::ostream& out);

// Reads FILE (any kind) into a circuit; errors go to `diagnostics` and null is returned on failure.
std::unique_ptr<Circuit> loadCircuit(const std::string& path, const ImportOptions& options,
                                     ProcessRunner& runner, Diagnostics& diagnostics);

// `tarvex import FILE [--top NAME] [-o OUT]`: writes the description of FILE to
// OUT, or to `out` without -o. `args` are the words after "import". Returns the
// exit status: 0 done, 1 counted errors, 2 wrong usage.
int importCommand(const std::vector<std::string>& args, ProcessRunner& runner, std::ostream& out,
                  Diagnostics& diagnostics);

// Writes the description of FILE to `outPath` (`out` when empty); the work of importCommand.
int importToDescription(const std::string& file, const ImportOptions& options, const std::string& outPath,
                        ProcessRunner& runner, std::ostream& out, Diagnostics& diagnostics);

// The importer the classic command forms use for Verilog and netlist inputs.
class DesignImporter : public InputImporter {
 public:
  DesignImporter(ProcessRunner& r, ImportOptions o, Diagnostics& d)
      : runner(r), options(std::move(o)), diagnostics(d) {}
  bool accepts(const std::string& path) const override;
  std::unique_ptr<Circuit> import(const std::string& path) override;

 private:
  ProcessRunner& runner;
  ImportOptions options;
  Diagnostics& diagnostics;
};
