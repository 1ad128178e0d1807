// gencircuit: writes a large circuit description to standard output.
//   gencircuit diffeq PORTS            chained copies of diffeq
//   gencircuit layered PORTS [SEED]    random layered data path with loops
//   gencircuit registers COUNT [SEED]  layered data path with COUNT registers
//   gencircuit processor REGISTERS CELLS [SEED] [--verilog]
//                                      processor-like design of CELLS items, as a
//                                      description or as Verilog
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "circuitgen.h"
#include "processorgen.h"

namespace {

int usage() {
  std::fprintf(stderr,
               "usage: gencircuit diffeq PORTS | layered PORTS [SEED] | registers COUNT [SEED]"
               " | processor REGISTERS CELLS [SEED] [--verilog]\n");
  return 2;
}

// A positive decimal argument, or -1.
long positive(const char* s) {
  char* end = nullptr;
  const long v = std::strtol(s, &end, 10);
  return end != s && *end == '\0' && v > 0 ? v : -1;
}

// The processor form: REGISTERS CELLS [SEED] [--verilog]; false on a bad argument.
bool processorText(int argc, char* argv[], std::string& text) {
  const bool verilog = argc > 4 && std::strcmp(argv[argc - 1], "--verilog") == 0;
  const int plain = verilog ? argc - 1 : argc;
  if (plain < 4 || plain > 5) return false;
  ProcessorOptions o;
  o.registers = positive(argv[2]);
  o.cells = positive(argv[3]);
  const long seed = plain == 5 ? positive(argv[4]) : 1;
  if (o.registers < 0 || o.cells < 0 || seed < 0 || o.registers > 1000000 || o.cells > 10000000) return false;
  o.seed = static_cast<std::uint64_t>(seed);
  text = verilog ? processorVerilog(o) : processorCircuit(o);
  return true;
}

// The classic forms: KIND N [SEED]; false on a bad argument.
bool classicText(int argc, char* argv[], std::string& text) {
  if (argc < 3 || argc > 4) return false;
  const long n = positive(argv[2]);
  const long seed = argc == 4 ? positive(argv[3]) : 1;
  if (n < 0 || seed < 0) return false;
  if (std::strcmp(argv[1], "diffeq") == 0 && argc == 3) {
    text = tiledDiffeq(diffeqCopiesFor(n));
  } else if (std::strcmp(argv[1], "layered") == 0) {
    LayeredOptions o;
    o.ports = n;
    o.seed = static_cast<std::uint64_t>(seed);
    text = layeredCircuit(o);
  } else if (std::strcmp(argv[1], "registers") == 0 && n <= 1000000) {
    text = layeredWithRegisters(static_cast<int>(n), static_cast<std::uint64_t>(seed));
  } else {
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc < 2) return usage();
  std::string text;
  const bool ok = std::strcmp(argv[1], "processor") == 0 ? processorText(argc, argv, text) : classicText(argc, argv, text);
  if (!ok) return usage();
  if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0) {
    std::fprintf(stderr, "gencircuit: write failed\n");
    return 1;
  }
  return 0;
}
