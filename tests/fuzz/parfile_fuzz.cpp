// Fuzz target: the front end's reader of the one-line results file (.par).
#include <QByteArray>

#include <cstddef>
#include <cstdint>

#include "enginelink/resultsfile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray text(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const LastResults results = ParseResults(text);
  (void)ResultsComplete(text);
  (void)results.scanLayout.size();
  return 0;
}
