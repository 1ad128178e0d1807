// Random and exhaustive pattern sets, and their text form.
#include "faultsim/patterns.h"

#include <ostream>

#include "base/random.h"

PatternSet::PatternSet(int flops, int inputs, int cycles, long long count)
    : nFlops(flops), nInputs(inputs), nCycles(cycles), nPatterns(count) {
  words.assign(static_cast<size_t>(blocks()) * perBlock(), 0);
}

std::uint64_t PatternSet::validMask(long long b) const {
  const long long left = nPatterns - b * 64;
  return left >= 64 ? ~std::uint64_t{0} : left <= 0 ? 0 : (std::uint64_t{1} << left) - 1;
}

namespace {

// 64 random bits from three 31-bit draws.
std::uint64_t randomWord(RandomSource& random) {
  const auto a = static_cast<std::uint64_t>(random.nonNegative());
  const auto b = static_cast<std::uint64_t>(random.nonNegative());
  const auto c = static_cast<std::uint64_t>(random.nonNegative());
  return a ^ (b << 31) ^ (c << 62);
}

}  // namespace

PatternSet randomPatterns(int flops, int inputs, int cycles, long long count, RandomSource& random) {
  PatternSet p(flops, inputs, cycles, count);
  for (long long b = 0; b < p.blocks(); ++b) {
    for (int f = 0; f < flops; ++f) p.flopWord(b, f) = randomWord(random);
    for (int k = 0; k < cycles; ++k)
      for (int i = 0; i < inputs; ++i) p.inputWord(b, k, i) = randomWord(random);
  }
  return p;
}

PatternSet exhaustivePatterns(const std::vector<char>& scanned, int inputs, int cycles) {
  long long bits = static_cast<long long>(inputs) * cycles;
  for (char s : scanned) bits += s ? 1 : 0;
  if (bits > kMaxExhaustiveBits) return {};
  PatternSet p(static_cast<int>(scanned.size()), inputs, cycles, 1LL << bits);
  for (long long n = 0; n < p.count(); ++n) {
    const auto mask = std::uint64_t{1} << (n % 64);
    int bit = 0;
    auto set = [&](std::uint64_t& word) {
      if ((n >> bit++) & 1) word |= mask;
    };
    for (size_t f = 0; f < scanned.size(); ++f)
      if (scanned[f]) set(p.flopWord(n / 64, static_cast<int>(f)));
    for (int k = 0; k < cycles; ++k)
      for (int i = 0; i < inputs; ++i) set(p.inputWord(n / 64, k, i));
  }
  return p;
}

void writePatterns(const PatternSet& p, const std::vector<std::string>& scanNames, const std::vector<int>& scanFlops,
                   const std::vector<std::string>& inputNames, std::ostream& out) {
  out << "# patterns " << p.count() << " capture-cycles " << p.cycles() << "\n# scan";
  for (const std::string& n : scanNames) out << ' ' << n;
  out << "\n# inputs";
  for (const std::string& n : inputNames) out << ' ' << n;
  out << '\n';
  std::string line;
  for (long long n = 0; n < p.count(); ++n) {
    line.clear();
    for (int f : scanFlops) line.push_back(static_cast<char>('0' + p.flopBit(n, f)));
    for (int k = 0; k < p.cycles(); ++k) {
      line.push_back(' ');
      for (int i = 0; i < p.inputs(); ++i) line.push_back(static_cast<char>('0' + p.inputBit(n, k, i)));
    }
    line.push_back('\n');
    out << line;
  }
}
