#include "base/textout.h"

#include <charconv>
#include <cstdarg>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

constexpr double kPow10[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};

// Writes `v` in decimal at `out`; returns the end.
char* putUnsigned(char* out, std::uint64_t v) {
  char digits[20];
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v);
  while (n) *out++ = digits[--n];
  return out;
}

}  // namespace

char* formatFixed(char* out, double v, int precision) {
  // Values of moderate size are scaled and rounded directly. The product is
  // within 2^-23 of the exact one, so unless the fraction lies within 1e-6 of
  // a half the rounding is the one of the exact decimal value; near a half
  // (and for everything else) the exact conversion decides.
  if (precision >= 0 && precision <= 9 && std::isfinite(v)) {
    const double a = std::fabs(v);
    const double scaled = a * kPow10[precision];
    if (scaled < 1073741824.0) {  // 2^30
      const double whole = std::floor(scaled);
      const double frac = scaled - whole;
      if (std::fabs(frac - 0.5) > 1e-6) {
        std::uint64_t n = static_cast<std::uint64_t>(whole) + (frac > 0.5 ? 1 : 0);
        if (std::signbit(v)) *out++ = '-';
        const std::uint64_t unit = static_cast<std::uint64_t>(kPow10[precision]);
        out = putUnsigned(out, n / unit);
        if (precision > 0) {
          *out++ = '.';
          std::uint64_t f = n % unit;
          for (int k = precision - 1; k >= 0; --k) {
            out[k] = static_cast<char>('0' + f % 10);
            f /= 10;
          }
          out += precision;
        }
        return out;
      }
    }
  }
  char* end = out + 350;
  const auto r = std::to_chars(out, end, v, std::chars_format::fixed, precision);
  return r.ptr;
}

TextOut::TextOut(FILE* f) : file(f) {
  if (file) buf.reserve(kBlock + 4096);
}

TextOut::~TextOut() { flush(); }

bool TextOut::flush() {
  if (!file) return true;
  if (!buf.empty() && std::fwrite(buf.data(), 1, buf.size(), file) != buf.size()) {
    buf.clear();
    return false;
  }
  buf.clear();
  return std::ferror(file) == 0;
}

TextOut& TextOut::putLong(long v) {
  char tmp[24];
  char* p = tmp;
  if (v < 0) {
    *p++ = '-';
    p = putUnsigned(p, 0 - static_cast<std::uint64_t>(v));
  } else {
    p = putUnsigned(p, static_cast<std::uint64_t>(v));
  }
  buf.append(tmp, p);
  return *this;
}

TextOut& TextOut::putFixed(double v, int precision, int width) {
  // The same bits give the same text (a NaN's payload is part of its bits).
  if (precision != lastPrecision || std::memcmp(&v, &lastValue, sizeof v) != 0) {
    lastLength = static_cast<size_t>(formatFixed(lastText, v, precision) - lastText);
    lastValue = v;
    lastPrecision = precision;
  }
  if (lastLength < static_cast<size_t>(width > 0 ? width : 0)) buf.append(static_cast<size_t>(width) - lastLength, ' ');
  buf.append(lastText, lastLength);
  if (buf.size() >= kBlock) flush();
  return *this;
}

TextOut& TextOut::printf(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  va_list again;
  va_copy(again, args);
  char small[512];
  const int n = std::vsnprintf(small, sizeof small, fmt, args);
  va_end(args);
  if (n >= 0 && static_cast<size_t>(n) < sizeof small) {
    buf.append(small, static_cast<size_t>(n));
  } else if (n >= 0) {
    std::string big(static_cast<size_t>(n) + 1, '\0');
    std::vsnprintf(big.data(), big.size(), fmt, again);
    buf.append(big.data(), static_cast<size_t>(n));
  }
  va_end(again);
  if (buf.size() >= kBlock) flush();
  return *this;
}
