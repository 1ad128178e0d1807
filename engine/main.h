// The engine's driver: the description reader and the run flow of `tarvex`.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "model.h"

// Largest accepted port width, in bits.
inline constexpr long MAX_PORT_WIDTH = 65536;
// Largest accepted number of port bits in one circuit.
inline constexpr long MAX_CIRCUIT_BITS = 100000000;

// Reads a circuit description from `in`; null when it has no CIR line.
// Errors are counted; a circuit returned while errors were counted is invalid.
std::unique_ptr<Circuit> readCirData(FILE* in);
// As above, refusing (with a counted error) a description longer than `maxBytes`.
std::unique_ptr<Circuit> readCirData(FILE* in, long maxBytes);

// Reads input files that are not circuit descriptions (Verilog designs, netlists).
class InputImporter {
 public:
  virtual ~InputImporter() = default;
  // True when `path` is read by this importer instead of the description reader.
  virtual bool accepts(const std::string& path) const = 0;
  // Reads the circuit; errors are counted, null on failure.
  virtual std::unique_ptr<Circuit> import(const std::string& path) = 0;
};

// Runs `tarvex` with the given command line; returns the exit status. Input
// files that `importer` accepts are read by it.
int tarvexMain(int argc, char* argv[], InputImporter* importer = nullptr);
