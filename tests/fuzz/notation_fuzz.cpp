// Fuzz target: the classic scan layout notation ("0.1.2", "-1") applied to a
// fresh diffeq (seven registers), analysed, then taken out again.
#include <fstream>
#include <sstream>
#include <string>

#include "fuzz_support.h"
#include "ga.h"

namespace {

const std::string& diffeqText() {
  static const std::string text = [] {
    std::ifstream in(FUZZ_DIFFEQ);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
  }();
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::silenceEngine();
  const std::string& text = diffeqText();
  std::unique_ptr<Circuit> circuit = fuzz::readDescription(text.data(), text.size());
  if (!circuit) return 0;
  const std::string notation(reinterpret_cast<const char*>(data), size);
  Population layout("TApopulation", 1, getScanChrLen(ORDERED_SCAN, circuit->getNREGs()), ORDERED_SCAN,
                    circuit.get());
  if (layout.implementScanNotation(notation, 0)) {
    circuit->testability_analysis();
    layout.deimplementDFTLayout(0);
  }
  return 0;
}
