// The test data path records of a circuit taken from its NAME.json instead
// of its .pro file: the engine writes both from one analysis, so the records
// are the same, and the views need no second file.
#pragma once

#include "enginelink/resultjson.h"
#include "models/propagpaths.h"

// The propagation records of `circuit`, as PropagRecordList::parse reads them
// from the .pro file of the same run (values rounded to the file's six
// decimals, so that every comparison of the path rules comes out the same).
PropagRecordList PropagRecordsOf(const CircuitResult& circuit);
