// The interface of readers of input files that are not circuit descriptions.
#pragma once

#include <memory>
#include <string>

class Circuit;

// Reads input files that are not circuit descriptions (Verilog designs, netlists).
class InputImporter {
 public:
  virtual ~InputImporter() = default;
  // True when `path` is read by this importer instead of the description reader.
  virtual bool accepts(const std::string& path) const = 0;
  // Reads the circuit; errors are counted, null on failure.
  virtual std::unique_ptr<Circuit> import(const std::string& path) = 0;
};
