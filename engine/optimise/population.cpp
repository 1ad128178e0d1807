#include "optimise/population.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <tuple>
#include <utility>

#include "base/diagnostics.h"

// ---------------------------------------------------------------- helpers

double tarvex::log2(double x) { return std::log10(x) / std::log10(2.0); }

int scanFieldWidth(int nregs) {
  if (nregs <= 1) return 0;
  return static_cast<int>(std::ceil(tarvex::log2(static_cast<double>(nregs))));
}

int getScanChrLen(int dft_techniques, int nregs) {
  if (nregs <= 0) return 0;
  const int t = dft_techniques & 3;
  const long long w = nregs == 1 ? 1 : scanFieldWidth(nregs);
  const long long len = (t == UNORDERED_SCAN ? w + 1 : 2 * w + 1) * nregs;
  return len > INT_MAX ? INT_MAX : static_cast<int>(len);
}

int bin2int(const unsigned char* str, int size) {
  if (!str || size <= 0) return 0;
  if (size > 30) size = 30;
  int v = 0;
  for (int k = 0; k < size; ++k) v = (v << 1) | (str[k] == '1' ? 1 : 0);
  return v;
}


// ---------------------------------------------------------------- Population: storage

Population::Population(const std::string& _name, int _size, int _ch_len, int selDFT, Circuit* c,
                       Diagnostics& diagnostics)
    : size(_size < 0 ? 0 : _size),
      ch_len(_ch_len < 0 ? 0 : _ch_len),
      selectedDFT(selDFT),
      cptr(c),
      diag(&diagnostics),
      name(_name) {
  const long long bytes = static_cast<long long>(size) * ch_len;
  if (bytes > 0) {
    try {
      data.assign(static_cast<size_t>(bytes), 0);
    } catch (const std::bad_alloc&) {
      diag->error("Data Allocation Error in Population %s constructor\n", name.c_str());
    }
  }
  if (size > 0) {
    try {
      info.assign(static_cast<size_t>(size), chr_info{});
    } catch (const std::bad_alloc&) {
      diag->error("Info Allocation Error in Population %s constructor\n", name.c_str());
    }
  }
  if ((bytes > 0 && data.empty()) || info.size() != static_cast<size_t>(size)) {
    size = 0;  // nothing to work on without storage
    data.clear();
    info.clear();
  }
  if (cptr) layoutRegs = LayoutRegisters(*cptr);
  regs = layoutRegs.count();
  slots.reserve(static_cast<size_t>(regs));
  width = scanFieldWidth(regs);
  const long long withPositions = static_cast<long long>(2 * width + 1) * regs;
  const long long withChains = static_cast<long long>(width + 1) * regs;
  hasPositions = ch_len >= withPositions;
  layoutFits = ordered() ? hasPositions : ch_len >= withChains;
}

const unsigned char* Population::layoutChr(int chID) const {
  if (chID < 0 || chID >= size || !layoutFits || data.empty()) return nullptr;
  return data.data() + static_cast<size_t>(chID) * ch_len;
}

unsigned char* Population::layoutChr(int chID) {
  return const_cast<unsigned char*>(std::as_const(*this).layoutChr(chID));
}

bool Population::checkChrID(int chID, const char* who) const {
  if (chID >= 0 && chID < size) return true;
  diag->error("Bad chromosome ID %ld in Population::%s()\n", static_cast<long>(chID), who);
  return false;
}

std::string Population::chromosome(int chID) const {
  if (chID < 0 || chID >= size || ch_len == 0) return {};
  const auto* c = data.data() + static_cast<size_t>(chID) * ch_len;
  return std::string(reinterpret_cast<const char*>(c), static_cast<size_t>(ch_len));
}

void Population::setFitness(int chID, double f) {
  if (chID >= 0 && chID < size) info[static_cast<size_t>(chID)].fitness = f;
}

double Population::getFitness(int chID) const {
  return chID >= 0 && chID < size ? info[static_cast<size_t>(chID)].fitness : 0.0;
}

// ---------------------------------------------------------------- Population: layout queries

bool Population::scanChainIdExistO(int scanChainID, int chID) const {
  const unsigned char* c = layoutChr(chID);
  if (!c) return false;
  for (int i = 0; i < regs; ++i)
    if (isFlagged(c, i) && chainOf(c, i) == scanChainID) return true;
  return false;
}

bool Population::scanChainIdExistU(int regID, int scanChainID, int chID) const {
  const unsigned char* c = layoutChr(chID);
  if (!c || regID < 0 || regID >= regs) return false;
  return isFlagged(c, regID) && chainOf(c, regID) == scanChainID;
}

int Population::checkSregPos(int sequenceNumber, int scanChainID, int chID) const {
  const unsigned char* c = layoutChr(chID);
  if (!c || !hasPositions) return -1;
  for (int i = regs - 1; i >= 0; --i)
    if (isFlagged(c, i) && chainOf(c, i) == scanChainID && positionOf(c, i) == sequenceNumber) return i;
  return -1;
}

namespace {

// The collision test and repair of check_sregs on the chromosome starting at c.
int repairPair(unsigned char* c, int regs, int b, int sreg1, int sreg2) {
  if (c[sreg1] != '1' || c[sreg2] != '1') return 1;
  const unsigned char* chain1 = c + regs + sreg1 * b;
  const unsigned char* chain2 = c + regs + sreg2 * b;
  unsigned char* pos1 = c + (b + 1) * regs + sreg1 * b;
  unsigned char* pos2 = c + (b + 1) * regs + sreg2 * b;
  for (int k = 0; k < b; ++k)
    if (chain1[k] != chain2[k]) return 1;
  for (int k = 0; k < b; ++k)
    if (pos1[k] != pos2[k]) return 1;
  // Same position of the same chain: flip position bits by the register numbers.
  for (int k = 0; k < b; ++k) {
    const int bit1 = (pos1[k] == '1' ? 1 : 0) ^ ((sreg1 >> k) & 1);
    const int bit2 = (pos2[k] == '1' ? 1 : 0) ^ ((sreg2 >> k) & 1);
    pos1[k] = bit1 ? '1' : '0';
    pos2[k] = bit2 ? '1' : '0';
  }
  return 0;
}

// A hash of register r's chain and position fields: equal fields, equal keys.
std::uint64_t fieldKey(const unsigned char* c, int regs, int b, int r) {
  std::uint64_t h = 1469598103934665603ULL;  // FNV-1a
  const unsigned char* chain = c + regs + r * b;
  const unsigned char* position = c + (b + 1) * regs + r * b;
  for (int k = 0; k < b; ++k) h = (h ^ chain[k]) * 1099511628211ULL;
  for (int k = 0; k < b; ++k) h = (h ^ position[k]) * 1099511628211ULL;
  return h;
}

// True when registers r1 and r2 have the same chain and position fields.
bool sameFields(const unsigned char* c, int regs, int b, int r1, int r2) {
  const auto u = static_cast<size_t>(b);
  return std::memcmp(c + regs + r1 * b, c + regs + r2 * b, u) == 0 &&
         std::memcmp(c + (b + 1) * regs + r1 * b, c + (b + 1) * regs + r2 * b, u) == 0;
}

// Moves register r into the bucket of its current fields, in ascending order.
template <class Buckets>
void fileUnderKey(Buckets& buckets, const unsigned char* c, int regs, int b, int r) {
  std::vector<int>& to = buckets[fieldKey(c, regs, b, r)];
  to.insert(std::upper_bound(to.begin(), to.end(), r), r);
}

}  // namespace

// The repairs of every pair (i, j), i < j, in that order, as chr_correct
// defines them, without testing every pair: a register is only compared with
// the later registers that share its fields, found through their keys. When
// no two scan registers share fields (the common case) nothing is repaired.
void correctAllPairs(unsigned char* c, int regs, int b, std::vector<std::pair<std::uint64_t, int>>& keys,
                     std::unordered_map<std::uint64_t, std::vector<int>>& buckets) {
  keys.clear();
  for (int r = 0; r < regs; ++r)
    if (c[r] == '1') keys.emplace_back(fieldKey(c, regs, b, r), r);
  std::sort(keys.begin(), keys.end());
  bool shared = false;
  for (size_t k = 1; k < keys.size() && !shared; ++k) shared = keys[k].first == keys[k - 1].first;
  if (!shared) return;
  buckets.clear();
  for (const auto& [key, r] : keys) buckets[key].push_back(r);
  for (int i = 0; i < regs; ++i) {
    if (c[i] != '1') continue;
    std::vector<int>& own = buckets[fieldKey(c, regs, b, i)];
    own.erase(std::find(own.begin(), own.end(), i));  // every earlier pair with i is done
    for (int after = i;;) {
      auto it = buckets.find(fieldKey(c, regs, b, i));
      if (it == buckets.end()) break;
      std::vector<int>& v = it->second;
      auto at = std::upper_bound(v.begin(), v.end(), after);
      while (at != v.end() && !sameFields(c, regs, b, i, *at)) ++at;
      if (at == v.end()) break;
      const int j = *at;
      v.erase(at);
      repairPair(c, regs, b, i, j);
      fileUnderKey(buckets, c, regs, b, j);
      after = j;
    }
  }
}

int Population::check_sregs(int chID, int sreg1, int sreg2) {
  unsigned char* c = layoutChr(chID);
  if (!c || !hasPositions || sreg1 < 0 || sreg2 < 0 || sreg1 >= regs || sreg2 >= regs) return 1;
  return repairPair(c, regs, width, sreg1, sreg2);
}

void Population::chr_correct(int chID) {
  if (!ordered()) return;
  unsigned char* c = layoutChr(chID);
  if (!c || !hasPositions) return;
  // Repairs change positions only, so a register without its flag never collides.
  correctAllPairs(c, regs, width, repair.keys, repair.buckets);
}

void correctEveryPair(unsigned char* c, int regs, int b) {
  for (int i = 0; i < regs; ++i) {
    if (c[i] != '1') continue;
    for (int j = i + 1; j < regs; ++j) repairPair(c, regs, b, i, j);
  }
}

std::string Population::getNotation(int chID) const {
  if (!ordered() || !layoutChr(chID)) return {};
  return ::layoutNotation(chains(chID), layoutRegs);
}

// Same walk as chain values ascending, then (ordered) positions ascending
// taking the highest register at each position, or (unordered) registers
// ascending; done by sorting the scan registers instead of probing every
// chain and position value.
template <class OnChain, class OnMember>
void Population::forEachChain(int chID, OnChain onChain, OnMember onMember) const {
  const unsigned char* c = layoutChr(chID);
  if (!c || (!ordered() && !unordered())) return;
  slots.clear();
  for (int r = 0; r < regs; ++r) {
    if (!isFlagged(c, r)) continue;
    const LayoutSlot s{chainOf(c, r), ordered() ? positionOf(c, r) : 0, ordered() ? -r : r};
    // insertion keeps (chain, position, key) ascending
    size_t at = slots.size();
    slots.push_back(s);
    while (at > 0 && std::tie(s.chain, s.position, s.key) <
                         std::tie(slots[at - 1].chain, slots[at - 1].position, slots[at - 1].key)) {
      slots[at] = slots[at - 1];
      --at;
    }
    slots[at] = s;
  }
  for (size_t k = 0; k < slots.size(); ++k) {
    const LayoutSlot& s = slots[k];
    const bool newChain = k == 0 || slots[k - 1].chain != s.chain;
    if (ordered() && !newChain && slots[k - 1].position == s.position) continue;  // a lower register loses
    if (newChain) onChain();
    onMember(ordered() ? -s.key : s.key);
  }
}

ScanLayout Population::chains(int chID) const {
  ScanLayout result;
  layoutInto(chID, result);
  return result;
}

void Population::layoutInto(int chID, ScanLayout& out) const {
  // Chains keep their storage from one call to the next.
  size_t used = 0;
  forEachChain(
      chID,
      [&] {
        if (used == out.size()) out.emplace_back();
        out[used++].clear();
      },
      [&](int r) { out[used - 1].push_back(r); });
  out.resize(used);
}

std::string Population::layoutNotation(int chID) const { return ::layoutNotation(chains(chID), layoutRegs); }

// ---------------------------------------------------------------- Population: notation in

void Population::writeField(unsigned char* field, int value) const {
  for (int k = 0; k < width; ++k) field[k] = ((value >> (width - 1 - k)) & 1) ? '1' : '0';
}

bool Population::canHoldLayout(int chID) const {
  if (!cptr || !checkChrID(chID, "encodeChains")) return false;
  if (layoutChr(chID)) return true;
  diag->error("Population %s cannot hold a layout of %ld register(s)!\n", name.c_str(), static_cast<long>(regs));
  return false;
}

bool Population::encodeChains(const ScanLayout& layout, int chID) {
  if (!canHoldLayout(chID)) return false;
  writeChains(layout, layoutChr(chID));
  return true;
}

void Population::writeChains(const ScanLayout& layout, unsigned char* c) {
  std::fill(c, c + ch_len, static_cast<unsigned char>('0'));
  // A register listed twice keeps its last place.
  for (size_t g = 0; g < layout.size(); ++g) {
    int p = 0;
    for (int r : layout[g]) {
      if (r < 0 || r >= regs) continue;
      c[r] = '1';
      writeField(c + regs + r * width, static_cast<int>(g));
      if (hasPositions) writeField(c + (width + 1) * regs + r * width, p);
      ++p;
    }
  }
}

bool Population::encodeNotation(const std::string& notation, int chID) {
  ScanLayout layout;
  const std::string problem = parseNotation(notation, layoutRegs, layout);
  if (!problem.empty()) {
    diag->error("Wrong scan layout notation '%s' (%s)!\n", notation.c_str(), problem.c_str());
    return false;
  }
  if (!canHoldLayout(chID)) return false;
  writeChains(layout, layoutChr(chID));
  return true;
}

// ---------------------------------------------------------------- Population: genetic operations

void Population::initPopulation(RandomSource& random) {
  for (int i = 0; i < size; ++i) {
    unsigned char* c = data.data() + static_cast<size_t>(i) * ch_len;
    for (int j = 0; j < ch_len; ++j) c[j] = random.unit() >= 0.5 ? '1' : '0';
    chr_correct(i);
    info[static_cast<size_t>(i)].fitness = 0.001;
  }
}

int Population::copyChromosome(int src_idx, Population* src_pop) {
  if (!src_pop) {
    diag->error("Population::copyChromosome() - src_pop is NULL\n");
    return 0;
  }
  // Chromosomes of a circuit without registers are empty but still carry a fitness.
  if (src_pop->size == 0 || (!src_pop->getDataPtr() && src_pop->ch_len > 0)) {
    diag->error("Population::copyChromosome() - dataPtr is NULL");
    return 0;
  }
  ++pos;
  if (pos > size - 1 || pos < 0) {
    diag->error("Population::copyChromosome() - there is no space for inserting a new chromosome_%ld to '%s' population!\n",
          static_cast<long>(pos), name.c_str());
    return 0;
  }
  if (src_idx < 0 || src_idx >= src_pop->size || src_pop->ch_len != ch_len) {
    diag->error("Bad chromosome ID %ld in Population::copyChromosome()\n", static_cast<long>(src_idx));
    return 0;
  }
  if (ch_len > 0) {
    const unsigned char* from = src_pop->data.data() + static_cast<size_t>(src_idx) * ch_len;
    std::copy(from, from + ch_len, data.data() + static_cast<size_t>(pos) * ch_len);
  }
  info[static_cast<size_t>(pos)].fitness = src_pop->info[static_cast<size_t>(src_idx)].fitness;
  return 1;
}

int Population::select_parent_idx(RandomSource& random) {
  double sum1 = 0.0;
  for (int i = 0; i < size; ++i) sum1 += info[static_cast<size_t>(i)].fitness;
  const double r = random.unit() * sum1;
  double sum2 = 0.0;
  for (int i = 0; i < size; ++i) {
    sum2 += info[static_cast<size_t>(i)].fitness;
    if (sum2 >= r) return i;
  }
  return size - 1;
}

namespace {

// A position in 0 .. len-1 from one draw; a draw of exactly 1 gives 0.
int drawPosition(int len, RandomSource& random) {
  int c = static_cast<int>(std::floor(random.unit() * len));
  if (c > len - 1) c %= len;
  return c < 0 ? 0 : c;
}

}  // namespace

void Population::crossover(int ch1ID, int ch2ID, RandomSource& random) {
  if (ch1ID < 0 || ch2ID < 0 || ch1ID >= size || ch2ID >= size) {
    diag->error("Bad chromosome ID in Population::crossover()\n");
    return;
  }
  if (ch_len <= 0) return;
  const int c = drawPosition(ch_len, random);
  unsigned char* a = data.data() + static_cast<size_t>(ch1ID) * ch_len;
  unsigned char* b = data.data() + static_cast<size_t>(ch2ID) * ch_len;
  std::swap_ranges(a, a + c, b);
}

void Population::mutation(int chID, RandomSource& random) {
  if (!checkChrID(chID, "mutation") || ch_len <= 0) return;
  unsigned char* c = data.data() + static_cast<size_t>(chID) * ch_len;
  const int m = drawPosition(ch_len, random);
  c[m] = c[m] == '0' ? '1' : '0';
}

void Population::reproduction(int ch1ID, int ch2ID, RandomSource& random) {
  if (!checkChrID(ch1ID, "reproduction") || !checkChrID(ch2ID, "reproduction")) return;
  crossover(ch1ID, ch2ID, random);
  if (random.unit() >= MUTATION_PROBABILITY) mutation(ch1ID, random);
  if (random.unit() >= MUTATION_PROBABILITY) mutation(ch2ID, random);
  chr_correct(ch1ID);
  chr_correct(ch2ID);
}

void Population::dumpPopulation() const {
  const std::string rule(60, '-');
  std::printf("%s\n", rule.c_str());
  std::printf("Population_name='%s'\n", name.c_str());
  for (int i = 0; i < size; ++i) {
    std::printf("Chromosome_%ld (", static_cast<long>(i));
    const unsigned char* c = data.data() + static_cast<size_t>(i) * ch_len;
    for (int j = 0; j < ch_len; ++j) std::printf("%c", c[j]);
    std::printf("), ");
    std::printf("fitness=%lf\n", info[static_cast<size_t>(i)].fitness);
  }
  std::printf("%s\n", rule.c_str());
}
