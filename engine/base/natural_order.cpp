#include "base/natural_order.h"

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The end of the digit run starting at `at`.
size_t digitsEnd(std::string_view s, size_t at) {
  while (at < s.size() && isDigit(s[at])) ++at;
  return at;
}

// -1, 0 or 1 as the digit runs `x` and `y` compare by value (leading zeros ignored).
int compareNumbers(std::string_view x, std::string_view y) {
  while (x.size() > 1 && x.front() == '0') x.remove_prefix(1);
  while (y.size() > 1 && y.front() == '0') y.remove_prefix(1);
  if (x.size() != y.size()) return x.size() < y.size() ? -1 : 1;
  const int c = x.compare(y);
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}

}  // namespace

bool naturalLess(std::string_view a, std::string_view b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (isDigit(a[i]) && isDigit(b[j])) {
      const size_t ie = digitsEnd(a, i), je = digitsEnd(b, j);
      if (const int c = compareNumbers(a.substr(i, ie - i), b.substr(j, je - j)); c != 0) return c < 0;
      i = ie;
      j = je;
      continue;
    }
    if (a[i] != b[j]) return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
    ++i;
    ++j;
  }
  if ((a.size() - i) != (b.size() - j)) return a.size() - i < b.size() - j;
  return a < b;  // equal by value ("u01" and "u1"): the text decides, so the order stays strict
}
