#include "optimise/garlog.h"

#include <cstdarg>

#include "base/diagnostics.h"
#include "model/model.h"
#include "optimise/ga.h"
#include "write/reports.h"

GarLog::GarLog(const std::string& fileName, const ResultFiles& files)
    : name(fileName),
      diagnostics(files.diagnostics()),
      file(fileName.empty() ? nullptr : std::fopen(files.pathOf(fileName).c_str(), "a")) {
  if (!file && !name.empty()) diagnostics.error("Can't write to '%s'!\n", name.c_str());
}

void GarLog::printf(const char* fmt, ...) {
  if (!file) return;
  va_list args;
  va_start(args, fmt);
  std::vfprintf(file, fmt, args);
  va_end(args);
}

void GarLog::close() {
  if (!file) return;
  const bool failed = std::ferror(file) != 0;
  if (std::fclose(file) != 0 || failed) diagnostics.error("Can't write to '%s'!\n", name.c_str());
  file = nullptr;
}

std::string runHeader(int chrLen, const GaOptions& o, int nregs) {
  std::string text = "Running (GA-based) DFT Layout Solver\n(RUN-PARAMETERS: ";
  char buf[MAX_STR_LEN];
  std::snprintf(buf, sizeof buf, "Chromosome_length=%dbits, ", chrLen);
  text += buf;
  std::snprintf(buf, sizeof buf,
                "MaxUnenhancedRuns=%ld, |REGS|=%ld, Elitism=%s, Population_size=%ld, Selected_DFT_Techniques:",
                static_cast<long>(o.maxUnenhancedRuns), static_cast<long>(nregs), o.elitism ? "YES" : "NO",
                static_cast<long>(o.populationSize));
  text += buf;
  if (o.techniques & ORDERED_SCAN) text += " SCAN(ORDERED)";
  if (o.techniques & UNORDERED_SCAN) text += " SCAN(UNORDERED)";
  if (o.techniques & TEST_POINT_INSERTION) text += " TEST_POINT_INSERTION";
  text += ")\n";
  return text;
}
