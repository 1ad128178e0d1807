// The circuit description reader: CIR, ITM and LINK lines and // comments.
#pragma once

#include <cstdio>
#include <memory>

#include "model/model.h"
#include "model/sizelimits.h"

// Reads a circuit description from `in`; null when it has no CIR line.
// Errors are counted; a circuit returned while errors were counted is invalid.
std::unique_ptr<Circuit> readCirData(FILE* in);
// As above, refusing (with a counted error) a description longer than `maxBytes`.
std::unique_ptr<Circuit> readCirData(FILE* in, long maxBytes);
