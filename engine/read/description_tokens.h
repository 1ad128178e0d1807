// The character level of the description reader: character classes, block
// input, and token text that keeps to the description's token length.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

#include "model/defs.h"

namespace description {

// Character classes of the C locale, one table lookup per character.
struct CharClasses {
  bool space[257] = {};
  bool alpha[257] = {};
  // Characters that end a run of token characters: line ends, and then the
  // spaces or the one delimiter that closes the token.
  bool endsAtSpace[256] = {};
  bool endsLine[256] = {};
  bool endsAt[256][256] = {};
  constexpr CharClasses() {
    for (int c = 0; c < 256; ++c) {
      space[c] = c == ' ' || (c >= '\t' && c <= '\r');
      alpha[c] = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
      const bool lineEnd = c == '\n' || c == '\r';
      endsAtSpace[c] = space[c] || lineEnd;
      endsLine[c] = lineEnd;
      for (int d = 0; d < 256; ++d) endsAt[d][c] = lineEnd || c == d;
    }
  }
};

// The classes, computed at compile time.
inline constexpr CharClasses kCharClasses{};

// True for a space character of the C locale (EOF is none).
inline bool isSpace(int c) { return c >= 0 && c < 256 && kCharClasses.space[c]; }
// True for a letter of the C locale (EOF is none).
inline bool isAlpha(int c) { return c >= 0 && c < 256 && kCharClasses.alpha[c]; }
// The characters that end a token closed by `delimiter` (or by a line end).
inline const bool* endsAt(char delimiter) { return kCharClasses.endsAt[static_cast<unsigned char>(delimiter)]; }

// Characters of a file read in large blocks.
class BlockInput {
 public:
  explicit BlockInput(FILE* f) : file(f) {}
  // The next character, or EOF.
  int get() {
    if (pos == end && !refill()) return EOF;
    return static_cast<unsigned char>(block[pos++]);
  }
  // The next character without taking it, or EOF.
  int peek() {
    if (pos == end && !refill()) return EOF;
    return static_cast<unsigned char>(block[pos]);
  }
  // Takes the characters before the first that `stops` (or at most `limit`)
  // from what is already read; returns where they start and sets `n`.
  const char* takeRun(const bool* stops, size_t limit, size_t& n) {
    const char* from = block + pos;
    const size_t avail = end - pos < limit ? end - pos : limit;
    n = 0;
    while (n < avail && !stops[static_cast<unsigned char>(from[n])]) ++n;
    pos += n;
    return from;
  }

 private:
  bool refill();
  FILE* file;
  char block[1 << 16];
  size_t pos = 0, end = 0;
};

// Longest token of a description, in characters.
inline constexpr size_t kMaxTokenLength = static_cast<size_t>(MAX_STR_LEN - 1);

// Characters a token still has room for.
inline size_t roomIn(const std::string& token) {
  return token.size() >= kMaxTokenLength ? 0 : kMaxTokenLength - token.size();
}

// Port kind named by a description ("in", "clk", ...), P_UNKNOWN for another word.
port_type portKindNamed(const std::string& s);
// Item kind named by a description ("ADD", "REG", ...), I_UNKNOWN for another word.
item_type itemKindNamed(const std::string& s);

}  // namespace description
