// Helpers shared by the engine tests.
#pragma once

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "test_diagnostics.h"
#include "slurp.h"
#include "cli/classic.h"
#include "model/model.h"

// Captures the engine's error messages and resets the error count for one test.
class ErrorCapture {
 public:
  ErrorCapture() : file(std::tmpfile()) {
    resetTestErrors();
    previous = setTestErrorStream(file);
  }
  ~ErrorCapture() {
    setTestErrorStream(previous);
    std::fclose(file);
    resetTestErrors();
  }
  ErrorCapture(const ErrorCapture&) = delete;
  ErrorCapture& operator=(const ErrorCapture&) = delete;

  // Everything reported so far.
  std::string text() const {
    std::fflush(file);
    std::string out;
    std::rewind(file);
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, file)) > 0) out.append(buf, n);
    return out;
  }

 private:
  FILE* file;
  FILE* previous;
};


// Reads a description held in a string (standard output of the reader is discarded).
inline std::unique_ptr<Circuit> readText(const std::string& text) {
  FILE* in = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
  if (text.empty()) in = std::tmpfile();
  std::fflush(stdout);
  auto c = readCirData(in, testDiagnostics());
  std::fclose(in);
  return c;
}

// The worked example: an 8-bit adder feeding a register.
inline const char* kWorkedExample =
    "// example circuit\n"
    "CIR ex a(in,8) b(in,8) clk(clk,1) y(out,8)\n"
    "ITM add1(ADD) i1(in,8) i2(in,8) o(out,8)\n"
    "ITM r1(REG) d(in,8) c(clk,1) q(out,8)\n"
    "LINK ex.a -> add1.i1\n"
    "LINK ex.b -> add1.i2\n"
    "LINK add1.o -> r1.d\n"
    "LINK ex.clk -> r1.c\n"
    "LINK r1.q -> ex.y\n";
