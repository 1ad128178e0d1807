// Fuzz target: the front end's reader of the propagation record (.pro) and
// the test data paths built from it, browsed step by step as the schema does.
#include <QByteArray>

#include <cstddef>
#include <cstdint>

#include "models/propagpaths.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray text(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const PropagRecordList records = PropagRecordList::parse(text);
  for (const QString& unit : FunctionUnits()) {
    const PathSet paths = PathSet::build(unit, records);
    (void)paths.countSteps();
    (void)paths.listing();
    (void)paths.controllable(unit);
    (void)paths.observable(unit);
  }
  return 0;
}
