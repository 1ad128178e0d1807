// Buffered text output for the result files: text is gathered in a large
// buffer and handed to the file in big blocks; numbers are formatted without
// printf, byte for byte as the C "%ld" and "%W.Plf" conversions print them.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

// Writes the "%.*lf" text of `v` with `precision` digits (0..17) at `out`,
// which has room for 350 characters; returns the end.
char* formatFixed(char* out, double v, int precision);

class TextOut {
 public:
  // Output to `file` (not owned); null gathers everything in memory.
  explicit TextOut(FILE* file);
  // Hands what is left to the file.
  ~TextOut();
  TextOut(const TextOut&) = delete;
  TextOut& operator=(const TextOut&) = delete;

  // Appends text.
  TextOut& put(std::string_view s) {
    buf.append(s);
    if (buf.size() >= kBlock) flush();
    return *this;
  }
  TextOut& put(char c) {
    buf.push_back(c);
    return *this;
  }
  // Appends a C string up to its first NUL, as "%s" prints a name.
  TextOut& putName(const std::string& s) { return put(std::string_view(s.c_str())); }
  // Appends printf-formatted text (for the few lines that are not per port).
  TextOut& printf(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
  // Appends a decimal integer ("%ld").
  TextOut& putLong(long v);
  // Appends `v` as "%W.Plf" would: `precision` decimals, padded on the left to `width`.
  TextOut& putFixed(double v, int precision = 6, int width = 0);
  // Hands the gathered text to the file; false when the file reported an error.
  bool flush();
  // The text gathered so far (everything when there is no file).
  const std::string& text() const { return buf; }

 private:
  static constexpr size_t kBlock = size_t{1} << 20;
  FILE* file;
  std::string buf;
  // The last number putFixed formatted: neighbouring ports often share values.
  double lastValue = 0.0;
  int lastPrecision = -1;
  char lastText[352];
  size_t lastLength = 0;
};
