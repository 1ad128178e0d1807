// The engine's driver: the description reader and the run flow of `tarvex`.
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "base/clock.h"
#include "model/model.h"
#include "scan/scanlayout.h"

// Largest accepted port width, in bits.
inline constexpr long MAX_PORT_WIDTH = 65536;
// Largest accepted number of port bits in one circuit.
inline constexpr long MAX_CIRCUIT_BITS = 100000000;

// Reads a circuit description from `in`; null when it has no CIR line.
// Errors are counted; a circuit returned while errors were counted is invalid.
std::unique_ptr<Circuit> readCirData(FILE* in);
// As above, refusing (with a counted error) a description longer than `maxBytes`.
std::unique_ptr<Circuit> readCirData(FILE* in, long maxBytes);


// Analysis of the circuit after the scan layout `notation` ("-1": none): the
// Graphviz graph, the analysis (with its propagation record), then the text,
// TeX and HTML tables, the parameters and the evaluation line. `whileApplied`
// sees the layout while it is still applied. False (error counted, no
// results) when the notation cannot be applied.
bool runAnalysis(Circuit& circuit, const std::string& notation,
                 const std::function<void(const ScanLayout&)>& whileApplied = {});

// Reads input files that are not circuit descriptions (Verilog designs, netlists).
class InputImporter {
 public:
  virtual ~InputImporter() = default;
  // True when `path` is read by this importer instead of the description reader.
  virtual bool accepts(const std::string& path) const = 0;
  // Reads the circuit; errors are counted, null on failure.
  virtual std::unique_ptr<Circuit> import(const std::string& path) = 0;
};

// Runs the classic `tarvex` command line; returns the exit status. Input
// files that `importer` accepts are read by it; the optimiser form seeds its
// generator from `clock`.
int tarvexMain(int argc, char* argv[], InputImporter* importer = nullptr, Clock& clock = systemClock());
