// A processor-like design of a given size, as a description and as Verilog:
// registers whose next values come out of deep, reconverging combinational
// cones over the registers themselves (loops through registers), hold
// multiplexers on half the registers (enables), and decoder logic (compares
// and one-bit logic over register fields) driving every multiplexer select.
// Reproducible from its options alone.
#pragma once

#include <cstdint>
#include <string>

struct ProcessorOptions {
  long registers = 600;    // register count (at least one)
  long cells = 10000;      // items in all, registers included (at least four per register)
  std::uint64_t seed = 1;  // same options, same design
};

// The design as a circuit description.
std::string processorCircuit(const ProcessorOptions& o);

// The same design as one synthesisable Verilog module (the description's
// items become operators, every register one clocked assignment).
std::string processorVerilog(const ProcessorOptions& o);
