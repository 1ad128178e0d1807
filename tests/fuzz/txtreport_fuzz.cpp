// Fuzz target: the front end's readers of the per-port report (.txt): the
// details table and the feedback-loop test.
#include <QByteArray>

#include <cstddef>
#include <cstdint>

#include "enginelink/txtreport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray text(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const DetailsTable table = ParseDetailsReport(text);
  for (int r = 0; r < table.rows; ++r)
    for (int c = 0; c < table.columns; ++c) (void)table.cell(r, c);
  (void)ScanFeedbackLoops(text).noLoops();
  return 0;
}
