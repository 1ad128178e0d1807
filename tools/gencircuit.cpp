// gencircuit: writes a large circuit description to standard output.
//   gencircuit diffeq PORTS            chained copies of diffeq
//   gencircuit layered PORTS [SEED]    random layered data path with loops
//   gencircuit registers COUNT [SEED]  layered data path with COUNT registers
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "circuitgen.h"

namespace {

int usage() {
  std::fprintf(stderr, "usage: gencircuit diffeq PORTS | layered PORTS [SEED] | registers COUNT [SEED]\n");
  return 2;
}

// A positive decimal argument, or -1.
long positive(const char* s) {
  char* end = nullptr;
  const long v = std::strtol(s, &end, 10);
  return end != s && *end == '\0' && v > 0 ? v : -1;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc < 3 || argc > 4) return usage();
  const long n = positive(argv[2]);
  const long seed = argc == 4 ? positive(argv[3]) : 1;
  if (n < 0 || seed < 0) return usage();
  std::string text;
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
    return usage();
  }
  if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0) {
    std::fprintf(stderr, "gencircuit: write failed\n");
    return 1;
  }
  return 0;
}
