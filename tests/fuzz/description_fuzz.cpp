// Fuzz target: the circuit description reader, then the controllability
// analysis of every circuit it accepts.
#include "fuzz_support.h"
#include "../test_diagnostics.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::silenceEngine();
  std::unique_ptr<Circuit> circuit = fuzz::readDescription(reinterpret_cast<const char*>(data), size);
  if (circuit) testAnalyser().controllabilityFigures(*circuit);
  return 0;
}
