// Copies of a circuit for work done side by side (one circuit per thread).
#pragma once

#include <memory>

#include "model/model.h"

// A circuit with the same items, ports, links and counts as `c`, every list in
// the same order, so that every analysis gives the same values; null when `c`
// holds something a copy cannot reproduce (a port not named after its item, a
// link leaving the circuit).
std::unique_ptr<Circuit> copyCircuit(const Circuit& c);
