#include "base/error.h"

#include <cstdarg>

long nerrors = 0;

namespace {
FILE* errorStream = nullptr;
}

FILE* setErrorStream(FILE* stream) {
  FILE* previous = errorStream;
  errorStream = stream;
  return previous;
}

void error(const char* fmt, ...) {
  FILE* out = errorStream ? errorStream : stderr;
  ++nerrors;
  std::fprintf(out, "ERROR(%ld): ", nerrors);
  va_list args;
  va_start(args, fmt);
  std::vfprintf(out, fmt, args);
  va_end(args);
  std::fflush(out);
}
