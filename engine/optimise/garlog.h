// The optimiser's log (NAME.gar): one line per improvement of a run, framed
// by the run's parameters and its end.
#pragma once

#include <cstdio>
#include <string>

class Diagnostics;
class ResultFiles;
struct GaOptions;

class GarLog {
 public:
  // Appends to the result file `fileName` of `files` (which also takes its
  // errors); an empty name opens no log.
  GarLog(const std::string& fileName, const ResultFiles& files);
  ~GarLog() { close(); }
  GarLog(const GarLog&) = delete;
  GarLog& operator=(const GarLog&) = delete;

  // Appends formatted text (nothing when the log is not open).
  void printf(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
  // Closes the log, reporting a write that failed.
  void close();

 private:
  std::string name;
  Diagnostics& diagnostics;
  FILE* file;
};

// The parameters of a run as the log and the console show them.
std::string runHeader(int chrLen, const GaOptions& o, int nregs);
