#include "write/blocktable.h"

#include <string>

namespace {

void printRow(const BlockFigures& f, FILE* out) {
  std::fprintf(out, "%-24s %-16s %9d %6d %6d %7.4f %7.4f %7.4f %12.1f\n", f.name.c_str(),
               f.module.empty() ? "-" : f.module.c_str(), f.instances, f.items, f.registers, f.con, f.obs, f.tst,
               f.untestablePercent);
}

void printHeader(const char* first, FILE* out) {
  std::fprintf(out, "%-24s %-16s %9s %6s %6s %7s %7s %7s %12s\n", first, "module", "instances", "items", "regs", "C",
               "O", "T", "untestable %");
}

}  // namespace

void printBlockTables(const BlockTables& tables, FILE* out) {
  std::fprintf(out, "Testability by instance (depth %d)\n", tables.depth);
  printHeader("instance", out);
  for (const BlockFigures& f : tables.instances) printRow(f, out);
  if (tables.modules.empty()) return;
  std::fprintf(out, "Testability by module type (instances at depth %d)\n", tables.depth);
  printHeader("module type", out);
  for (const BlockFigures& f : tables.modules) printRow(f, out);
}
