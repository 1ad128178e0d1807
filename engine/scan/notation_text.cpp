#include "scan/notation_text.h"

#include <cctype>

namespace notation {

namespace {

bool isDigit(char ch) { return ch >= '0' && ch <= '9'; }

// Length of the white space character starting at text[k] (Unicode's
// separators, the ASCII controls \t..\r and U+0085, as UTF-8), or 0.
size_t spaceAt(std::string_view text, size_t k) {
  const auto byte = [&](size_t i) { return i < text.size() ? static_cast<unsigned char>(text[i]) : 0u; };
  const unsigned b0 = byte(k);
  if (b0 == ' ' || (b0 >= '\t' && b0 <= '\r')) return 1;
  const unsigned b1 = byte(k + 1);
  const unsigned b2 = byte(k + 2);
  if (b0 == 0xC2 && (b1 == 0x85 || b1 == 0xA0)) return 2;                          // U+0085, U+00A0
  if (b0 == 0xE1 && b1 == 0x9A && b2 == 0x80) return 3;                            // U+1680
  if (b0 == 0xE2 && b1 == 0x80 && (b2 <= 0x8A || b2 == 0xA8 || b2 == 0xA9 || b2 == 0xAF) && b2 >= 0x80)
    return 3;                                                                      // U+2000..200A, 2028, 2029, 202F
  if (b0 == 0xE2 && b1 == 0x81 && b2 == 0x9F) return 3;                            // U+205F
  if (b0 == 0xE3 && b1 == 0x80 && b2 == 0x80) return 3;                            // U+3000
  return 0;
}

// Length of the white space character ending just before text[end], or 0.
size_t spaceBefore(std::string_view text, size_t end) {
  for (size_t len = 1; len <= 3 && len <= end; ++len)
    if (spaceAt(text, end - len) == len) return len;
  return 0;
}

// The engine's words for a fault about `subject`.
std::string faultText(Fault fault, const std::string& subject) {
  switch (fault) {
    case Fault::none: return {};
    case Fault::noRegisters: return "the circuit has no registers";
    case Fault::emptyChain: return "empty chain";
    case Fault::badCharacter: return "only digits and '.' are allowed";
    case Fault::tooManyChains: return "more chains than registers";
    case Fault::chainTooLong: return "a chain longer than the register count";
    case Fault::noSuchDigit: return "register " + subject + " does not exist";
    case Fault::digitTwice: return "register " + subject + " is named twice";
    case Fault::emptyName: return "empty register name";
    case Fault::unwritableName: return "register name '" + subject + "' cannot be written in a notation";
    case Fault::unknownName: return "unknown register '" + subject + "'";
    case Fault::nameTwice: return "register '" + subject + "' named twice";
    case Fault::digitNames: return "register names made of digits cannot be written in a notation";
  }
  return {};
}

// Reads `text` as digits for the front end's rule: every digit names one of
// `nregs` registers, at most once.
Problem readDistinct(std::string_view text, int nregs, Chains& digits) {
  digits = readDigits(text);
  std::vector<bool> seen(static_cast<size_t>(nregs > 0 ? nregs : 0), false);
  for (const std::vector<int>& chain : digits)
    for (int d : chain) {
      if (d >= nregs) return {Fault::noSuchDigit, std::to_string(d)};
      if (seen[static_cast<size_t>(d)]) return {Fault::digitTwice, std::to_string(d)};
      seen[static_cast<size_t>(d)] = true;
    }
  return {};
}

}  // namespace

std::string describe(const Problem& problem) { return faultText(problem.fault, problem.subject); }

bool isClassic(std::string_view text) {
  for (char ch : text)
    if (ch != '.' && !isDigit(ch)) return false;
  return true;
}

std::vector<std::string_view> splitChains(std::string_view text) {
  std::vector<std::string_view> groups;
  if (text.empty()) return groups;
  size_t start = 0;
  for (size_t k = 0; k <= text.size(); ++k) {
    if (k < text.size() && text[k] != '.') continue;
    groups.push_back(text.substr(start, k - start));
    start = k + 1;
  }
  return groups;
}

int countChains(std::string_view text) {
  if (text.empty()) return 0;
  int chains = 1;
  for (char ch : text) chains += ch == '.' ? 1 : 0;
  return chains;
}

int countDigits(std::string_view text) {
  int digits = 0;
  for (char ch : text) digits += isDigit(ch) ? 1 : 0;
  return digits;
}

Chains readDigits(std::string_view text) {
  Chains chains;
  for (std::string_view group : splitChains(text)) {
    std::vector<int>& chain = chains.emplace_back();
    for (char ch : group)
      if (isDigit(ch)) chain.push_back(ch - '0');
  }
  return chains;
}

Problem classicProblem(std::string_view text, int nregs) {
  if (nregs <= 0) return {Fault::noRegisters, {}};
  int groups = 1;
  int digits = 0;  // digits in the current group
  for (char ch : text) {
    if (ch == '.') {
      if (digits == 0) return {Fault::emptyChain, {}};
      ++groups;
      digits = 0;
      if (groups > nregs) return {Fault::tooManyChains, {}};
      continue;
    }
    if (!isDigit(ch)) return {Fault::badCharacter, {}};
    if (ch - '0' >= nregs) return {Fault::noSuchDigit, std::string(1, ch)};
    if (++digits > nregs) return {Fault::chainTooLong, {}};
  }
  if (digits == 0) return {Fault::emptyChain, {}};
  return {};
}

Problem readClassic(std::string_view text, int nregs, ClassicRule rule, Chains& digits) {
  digits.clear();
  Problem problem = rule == ClassicRule::shaped ? classicProblem(text, nregs) : readDistinct(text, nregs, digits);
  if (problem)
    digits.clear();
  else if (rule == ClassicRule::shaped)
    digits = readDigits(text);
  return problem;
}

Problem nameProblem(std::string_view name) {
  if (name.empty()) return {Fault::emptyName, {}};
  for (char ch : name) {
    if (ch == ',' || ch == '.' || ch == '\'' || ch == '"' || std::isspace(static_cast<unsigned char>(ch)))
      return {Fault::unwritableName, std::string(name)};
  }
  return {};
}

Problem readNamed(std::string_view text, int nregs, const IndexOf& indexOf, const NamedRule& rule,
                  Chains& indices) {
  indices.clear();
  if (rule.needsRegisters && nregs <= 0) return {Fault::noRegisters, {}};
  if (rule.trimSpaces) text = trimSpaces(text);
  std::vector<bool> named(static_cast<size_t>(nregs > 0 ? nregs : 0), false);
  indices.assign(1, {});
  const auto fail = [&indices](Fault fault, std::string_view subject) {
    indices.clear();
    return Problem{fault, std::string(subject)};
  };
  size_t start = 0;
  for (size_t k = 0; k <= text.size(); ++k) {
    if (k < text.size() && text[k] != ',' && text[k] != '.') continue;
    const bool chainEnds = k == text.size() || text[k] == '.';
    std::string_view name = text.substr(start, k - start);
    start = k + 1;
    if (rule.trimSpaces) name = trimSpaces(name);
    if (name.empty()) return fail(indices.back().empty() && chainEnds ? Fault::emptyChain : Fault::emptyName, {});
    if (rule.writableOnly)
      if (Problem problem = nameProblem(name)) return fail(problem.fault, problem.subject);
    const int r = indexOf(name);
    if (r < 0 || r >= nregs) return fail(Fault::unknownName, name);
    if (named[static_cast<size_t>(r)]) return fail(Fault::nameTwice, name);
    named[static_cast<size_t>(r)] = true;
    indices.back().push_back(r);
    if (k < text.size() && text[k] == '.') indices.emplace_back();
  }
  return {};
}

std::string printClassic(const Chains& chains) {
  std::string text;
  for (size_t g = 0; g < chains.size(); ++g) {
    if (g > 0) text.push_back('.');
    for (int value : chains[g]) text += std::to_string(value);
  }
  return text;
}

std::string printNamed(const Chains& chains, const NameOf& nameOf, bool writableOnly, Problem* problem) {
  const auto fail = [problem](Problem why) {
    if (problem) *problem = std::move(why);
    return std::string();
  };
  std::string text;
  for (const std::vector<int>& chain : chains) {
    bool any = false;
    for (int r : chain) {
      const std::string* name = nameOf(r);
      if (!name) continue;
      if (writableOnly)
        if (Problem why = nameProblem(*name)) return fail(std::move(why));
      text.push_back(any ? ',' : '.');
      text += *name;
      any = true;
    }
  }
  if (!text.empty()) text.erase(0, 1);  // the '.' before the first chain
  // Digits and points alone would read back as the classic form.
  if (writableOnly && !text.empty() && isClassic(text)) return fail({Fault::digitNames, {}});
  return text;
}

std::string_view trimSpaces(std::string_view text) {
  size_t begin = 0;
  while (size_t len = spaceAt(text, begin)) begin += len;
  size_t end = text.size();
  while (end > begin)
    if (size_t len = spaceBefore(text, end); len > 0 && end - len >= begin)
      end -= len;
    else
      break;
  return text.substr(begin, end - begin);
}

}  // namespace notation
