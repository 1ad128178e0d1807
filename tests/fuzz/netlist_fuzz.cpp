// Fuzz target: the Yosys JSON netlist importer. A netlist it accepts must
// build a circuit, and the description written for it must read back
// without an error.
#include <cstdlib>
#include <sstream>
#include <string>

#include "fuzz_support.h"
#include "read/import.h"
#include "../test_diagnostics.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::silenceEngine();
  resetTestErrors();
  const std::string text(reinterpret_cast<const char*>(data), size);
  ImportedDesign design;
  if (!importNetlist(text, "fuzz.json", ImportOptions{}, design, testDiagnostics())) return 0;
  std::unique_ptr<Circuit> circuit = buildCircuit(design, testDiagnostics());
  if (!circuit || testErrorCount() != 0) return 0;
  testAnalyser().controllabilityFigures(*circuit);
  std::ostringstream description;
  if (!writeDescription(design, description)) return 0;
  const std::string written = description.str();
  if (!fuzz::readDescription(written.data(), written.size())) std::abort();  // the importer wrote what it cannot read
  return 0;
}
