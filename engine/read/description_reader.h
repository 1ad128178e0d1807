// The circuit description reader: CIR, ITM and LINK lines and // comments.
#pragma once

#include <cstdio>
#include <memory>

#include "model/model.h"
#include "model/sizelimits.h"

class Diagnostics;

// Reads a circuit description from `in`; null when it has no CIR line.
// Errors go to `diagnostics`; a circuit returned while errors were counted is
// invalid. A description longer than `maxBytes` is refused with an error.
std::unique_ptr<Circuit> readCirData(FILE* in, Diagnostics& diagnostics, long maxBytes = MAX_DESCRIPTION_BYTES);
