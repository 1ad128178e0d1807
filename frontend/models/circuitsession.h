// The circuit the front end works on: its file, its kind, the folder its
// results go to, the window title, the engine command lines of the modern
// commands and the recent-files list. Pure: no widgets, no files touched
// except where a function says so.
#pragma once

#include <QString>
#include <QStringList>

// What kind of input a circuit file is, by its name.
enum class CircuitKind { Description, Verilog, YosysJson };

// The kind of `path`: ".v"/".sv" Verilog, ".json" a Yosys netlist, anything
// else a circuit description.
CircuitKind CircuitKindOf(const QString& path);

struct CircuitSession {
  QString file;        // absolute path of the circuit file
  QString name;        // shown in the window title (the file's base name)
  QString workFolder;  // where the engine runs and writes its results
  CircuitKind kind = CircuitKind::Description;
  // The benchmark diffeq with its hand-drawn schema and classic windows.
  bool benchmark = false;

  // The file `fileName` of the work folder (relative to the folder lumeno
  // was started in while the work folder is empty).
  QString path(const QString& fileName) const;
};

// The session lumeno starts with: the benchmark diffeq of `folder`; with no
// folder, of the process's current folder (files named relative to it).
CircuitSession StartSession(const QString& folder = QString());

// The session of `file`: the benchmark (a description named "diffeq") works
// in the file's own folder; any other circuit in a folder of its own below
// `workRoot`, named after the file and told apart by its path.
CircuitSession SessionFor(const QString& file, const QString& workRoot);

// The main window's title for a session ("Lumeno" before any circuit).
QString WindowTitleFor(const CircuitSession* session);

// Engine arguments: `analyse FILE --json --out DIR [--layout NOTATION]`.
QStringList AnalyseArguments(const CircuitSession& session, const QString& notation);

// The settings of an optimiser run from the main window.
struct OptimiseSettings {
  QString method = QStringLiteral("ga");
  long area = 7;
  long pins = 13;
  long population = 20;
  bool elitism = false;
  long patience = 500;
  qint64 seed = -1;  // negative: the engine draws one
};

// Engine arguments: `optimise FILE --method M --area A --pins P --population N
// [--elitism] --patience R [--seed S] --json --progress --out DIR`.
QStringList OptimiseArguments(const CircuitSession& session, const OptimiseSettings& settings);

// Engine arguments: `compare FILE --json --out DIR`.
QStringList CompareArguments(const CircuitSession& session);

// Engine arguments: `compare FILE --faultsim --json --out DIR`, the
// comparison with each layout's stuck-at coverage.
QStringList CompareFaultsimArguments(const CircuitSession& session);

// True for a circuit read from Verilog, which the engine can write back with
// scan chains.
bool CanWriteVerilog(const CircuitSession& session);
// True for a design the engine elaborates to gates (Verilog or a Yosys
// netlist): it can be checked and fault-simulated.
bool IsGateLevelDesign(const CircuitSession& session);
// Why `what` cannot be done on the session's circuit, for a tooltip.
QString NotForThisCircuit(const CircuitSession& session, const QString& what);

// Engine arguments: `insert FILE --layout NOTATION -o VERILOG` (no layout:
// "-1", the design with its scan mode input and no chain).
QStringList InsertArguments(const CircuitSession& session, const QString& notation, const QString& verilogFile);
// The Verilog file offered for the design of `circuit` with scan chains:
// CIRCUIT_scan.v beside the circuit's file.
QString SuggestedVerilogFile(const CircuitSession& session, const QString& circuit);

// The pins held in test mode from what the user typed ("test_mode=1,
// rst_n=1": separated by commas or spaces); sets `error` on an entry that is
// not PORT=0 or PORT=1 (PORT may select a bit: "mode[2]").
QStringList TestModePins(const QString& text, QString* error);
// Engine arguments: `check FILE --json [--test-mode PIN ...]`.
QStringList CheckArguments(const CircuitSession& session, const QStringList& testModePins);

// The result file NAME.json of the circuit in `folder` (not a comparison,
// check report, chain description or fault simulation), the newest when
// there are several; empty when there is none.
QString FindResultJson(const QString& folder);

// The comparison file NAME.compare.json in `folder`; empty when there is none.
QString FindCompareJson(const QString& folder);

// Removes from `folder` every result file a run of the engine will write
// (.json, .compare.json, .par, .txt, .pro, .tex, .html, .eva, .dot, .gar), so
// that no figure of an earlier run is taken for a new one.
void RemoveResultFiles(const QString& folder);

// The recent-files list after opening `file`: it comes first, once, and the
// list keeps at most `limit` entries.
QStringList WithRecentFile(QStringList list, const QString& file, int limit = 8);

// The progress (0-100) of an optimiser run from a progress line: how far the
// run without improvement has gone towards `patience`; -1 for another line.
int ProgressPercent(const QString& line, long patience);
