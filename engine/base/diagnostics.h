// Counted error messages of one run: the engine's failure channel.
#pragma once

#include <cstdarg>
#include <cstdio>

// Collects the errors of a run. Each error is counted and written at once to
// the diagnostics' stream as "ERROR(n): " and the message (no newline added).
// Passed by reference to whatever may report; nothing in the engine keeps one
// of its own.
class Diagnostics {
 public:
  // Errors go to `stream` (standard error by default).
  explicit Diagnostics(FILE* stream = stderr) : out(stream) {}
  Diagnostics(const Diagnostics&) = delete;
  Diagnostics& operator=(const Diagnostics&) = delete;

  // Counts one error and writes its numbered, printf-formatted message.
  void error(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
  // As error(), with the arguments as a va_list.
  void errorV(const char* fmt, va_list args) __attribute__((format(printf, 2, 0)));
  // Writes a printf-formatted "WARNING: " message: worth telling, but the run goes on and nothing is counted as failed.
  void warning(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
  // Warnings written so far.
  long warnings() const { return warned; }
  // Errors counted so far.
  long count() const { return counted; }
  // True while no error has been counted.
  bool clean() const { return counted == 0; }
  // Where the messages go.
  FILE* stream() const { return out; }
  // Starts counting from 0 again, writing to `stream` from now on.
  void restart(FILE* stream) {
    out = stream;
    counted = 0;
  }

 private:
  FILE* out;
  long counted = 0;
  long warned = 0;
};
