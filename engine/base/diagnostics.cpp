#include "base/diagnostics.h"

void Diagnostics::error(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  errorV(fmt, args);
  va_end(args);
}

void Diagnostics::errorV(const char* fmt, va_list args) {
  ++counted;
  std::fprintf(out, "ERROR(%ld): ", counted);
  std::vfprintf(out, fmt, args);
  std::fflush(out);
}

void Diagnostics::warning(const char* fmt, ...) {
  ++warned;
  std::fprintf(out, "WARNING: ");
  va_list args;
  va_start(args, fmt);
  std::vfprintf(out, fmt, args);
  va_end(args);
  std::fflush(out);
}
