// Fuzz target: the scan layout notation in both forms (classic "0.1.2",
// "-1"; named "reg1,reg2.reg3") read for diffeq (six registers), applied,
// analysed and taken out again. A named layout that reads must print as
// named text that reads back as the same chains.
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "fuzz_support.h"
#include "model/model.h"
#include "scan/insertion.h"
#include "scan/notation.h"
#include "../test_diagnostics.h"

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
  const LayoutRegisters registers(*circuit);
  ScanChains chains;
  if (!isClassicNotation(notation) && parseNotation(notation, registers, chains).empty()) {
    std::string problem;
    const std::string named = namedNotation(chains, registers, &problem);
    ScanChains again;
    if (problem.empty() && (!parseNotation(named, registers, again).empty() || again != chains)) std::abort();
  }
  ScanLayout layout;
  if (readLayout(notation, registers, layout).empty()) {
    const AppliedScanLayout applied(*circuit, registers, layout);
    if (!applied.applied()) std::abort();  // a settled layout always applies
    testAnalyser().controllabilityFigures(*circuit);
  }
  return 0;
}
