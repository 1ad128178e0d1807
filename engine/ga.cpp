#include "ga.h"

#include <algorithm>
#include <climits>
#include <cstdarg>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <random>
#include <tuple>
#include <unordered_map>
#include <utility>

#include "error.h"
#include "reports.h"

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

std::string notationProblem(const std::string& notation, int nregs) {
  if (nregs <= 0) return "the circuit has no registers";
  int groups = 1;
  int digits = 0;  // digits in the current group
  for (char ch : notation) {
    if (ch == '.') {
      if (digits == 0) return "empty chain";
      ++groups;
      digits = 0;
      if (groups > nregs) return "more chains than registers";
      continue;
    }
    if (ch < '0' || ch > '9') return "only digits and '.' are allowed";
    if (ch - '0' >= nregs) return std::string("register ") + ch + " does not exist";
    if (++digits > nregs) return "a chain longer than the register count";
  }
  if (digits == 0) return "empty chain";
  return {};
}

// ---------------------------------------------------------------- randomness

namespace {

struct RandomState {
  std::mt19937 uniformGen;
  std::mt19937 longGen;
  std::optional<unsigned long> fixedSeed;
  std::vector<double> scripted;
  size_t nextScripted = 0;
};

RandomState& randomState() {
  static RandomState state;
  return state;
}

// Largest value of the generator behind get_random_number.
constexpr int kRandMax = 32767;

}  // namespace

void setRandomSeed(std::optional<unsigned long> seed) { randomState().fixedSeed = seed; }

void setRandomDraws(std::vector<double> draws) {
  RandomState& s = randomState();
  s.scripted = std::move(draws);
  s.nextScripted = 0;
}

void init_random() {
  RandomState& s = randomState();
  const unsigned long seed =
      s.fixedSeed ? *s.fixedSeed : static_cast<unsigned long>(std::time(nullptr));
  s.uniformGen.seed(static_cast<std::mt19937::result_type>(seed));
  // The second generator gets a different stream from the same seed.
  s.longGen.seed(static_cast<std::mt19937::result_type>(seed ^ 0x5bd1e995UL));
}

double get_random_number() {
  RandomState& s = randomState();
  if (s.nextScripted < s.scripted.size()) return s.scripted[s.nextScripted++];
  std::uniform_int_distribution<int> dist(0, kRandMax);
  return dist(s.uniformGen) * (1.0 / kRandMax);
}

long get_random_long() {
  return static_cast<long>(randomState().longGen() & 0x7fffffffUL);
}

// ---------------------------------------------------------------- fitness helpers

double evalUBatt(double requiredVal, double realVal) {
  if (realVal <= requiredVal) {
    // No overhead is far below any bound, including a bound of 0.
    const double ratio = realVal == 0.0 ? 0.0 : realVal / requiredVal;
    return BPup + (1.0 - BPup) * std::exp(-(ratio * ratio));
  }
  return BPup * std::exp(-(realVal - requiredVal));
}

// ---------------------------------------------------------------- Population: storage

Population::Population(const std::string& _name, int _size, int _ch_len, int selDFT, Circuit* c)
    : size(_size < 0 ? 0 : _size),
      ch_len(_ch_len < 0 ? 0 : _ch_len),
      selectedDFT(selDFT),
      cptr(c),
      name(_name) {
  const long long bytes = static_cast<long long>(size) * ch_len;
  if (bytes > 0) {
    try {
      data.assign(static_cast<size_t>(bytes), 0);
    } catch (const std::bad_alloc&) {
      error("Data Allocation Error in Population %s constructor\n", name.c_str());
    }
  }
  if (size > 0) {
    try {
      info.assign(static_cast<size_t>(size), chr_info{});
    } catch (const std::bad_alloc&) {
      error("Info Allocation Error in Population %s constructor\n", name.c_str());
    }
  }
  if ((bytes > 0 && data.empty()) || info.size() != static_cast<size_t>(size)) {
    size = 0;  // nothing to work on without storage
    data.clear();
    info.clear();
  }
  regs = cptr ? cptr->getNREGs() : 0;
  if (regs < 0) regs = 0;
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
  error("Bad chromosome ID %ld in Population::%s()\n", static_cast<long>(chID), who);
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

}  // namespace

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
  for (int i = 0; i < regs; ++i) {
    if (c[i] != '1') continue;
    for (int j = i + 1; j < regs; ++j) repairPair(c, regs, width, i, j);
  }
}

std::string Population::getNotation(int chID) const {
  std::string text;
  if (!ordered() || !layoutChr(chID)) return text;
  const int values = 1 << width;
  for (int c = 0; c < values; ++c) {
    if (!scanChainIdExistO(c, chID)) continue;
    bool any = false;
    for (int p = 0; p < values; ++p) {
      const int r = checkSregPos(p, c, chID);
      const int digit = regs - 1 - r;
      if (r < 0 || digit > 9) continue;  // digits name at most ten registers
      text.push_back(static_cast<char>('0' + digit));
      any = true;
    }
    if (any) text.push_back('.');
  }
  while (!text.empty() && (text.back() < '0' || text.back() > '9')) text.pop_back();
  return text;
}

// ---------------------------------------------------------------- Population: notation in

void Population::writeField(unsigned char* field, int value) const {
  for (int k = 0; k < width; ++k) field[k] = ((value >> (width - 1 - k)) & 1) ? '1' : '0';
}

bool Population::encodeNotation(const std::string& notation, int chID) {
  const std::string problem = notationProblem(notation, regs);
  if (!problem.empty()) {
    error("Wrong scan layout notation '%s' (%s)!\n", notation.c_str(), problem.c_str());
    return false;
  }
  if (!cptr || !checkChrID(chID, "implementScanNotation")) return false;
  unsigned char* c = layoutChr(chID);
  if (!c) {
    error("Population %s cannot hold a layout of %ld register(s)!\n", name.c_str(),
          static_cast<long>(regs));
    return false;
  }
  cptr->setNotation(notation);
  std::fill(c, c + ch_len, static_cast<unsigned char>('0'));
  int g = 0;
  int p = 0;
  for (char ch : notation) {
    if (ch == '.') {
      ++g;
      p = 0;
      continue;
    }
    const int r = regs - 1 - (ch - '0');
    c[r] = '1';
    writeField(c + regs + r * width, g);
    if (hasPositions) writeField(c + (width + 1) * regs + r * width, p);
    ++p;
  }
  return true;
}

bool Population::encodeChains(const std::vector<std::vector<int>>& chains, int chID) {
  unsigned char* c = layoutChr(chID);
  if (!c || chains.size() > static_cast<size_t>(regs)) return false;
  std::fill(c, c + ch_len, static_cast<unsigned char>('0'));
  for (size_t g = 0; g < chains.size(); ++g) {
    for (size_t p = 0; p < chains[g].size(); ++p) {
      const int r = chains[g][p];
      if (r < 0 || r >= regs || c[r] == '1') return false;
      c[r] = '1';
      writeField(c + regs + r * width, static_cast<int>(g));
      if (hasPositions) writeField(c + (width + 1) * regs + r * width, static_cast<int>(p));
    }
  }
  return true;
}

bool Population::implementScanNotation(const std::string& notation, int chID) {
  if (!encodeNotation(notation, chID)) return false;
  implementDFTLayout(chID);
  return true;
}

bool Population::implementScanNotation2(const std::string& notation, int chID) {
  return encodeNotation(notation, chID);
}

// ---------------------------------------------------------------- Population: applying

namespace {

// The three scan ports of a register made a scan register by toSreg (they head its port list).
struct ScanPorts {
  Port* out = nullptr;
  Port* in = nullptr;
  Port* mode = nullptr;
};

bool hasOwnName(const Port* p, const Item* owner, const char* own) {
  const std::string& n = p->getName();
  const std::string& item = owner->getName();
  return n.size() == item.size() + 1 + std::char_traits<char>::length(own) &&
         n.compare(0, item.size(), item) == 0 && n[item.size()] == NAME_SEPARATOR &&
         n.compare(item.size() + 1, std::string::npos, own) == 0;
}

std::optional<ScanPorts> scanPortsOf(Item* reg) {
  if (!reg || reg->getType() != SREG || !reg->isScanConverted()) return std::nullopt;
  ScanPorts s;
  s.out = reg->getPList();
  s.in = s.out ? s.out->getNext() : nullptr;
  s.mode = s.in ? s.in->getNext() : nullptr;
  if (!s.mode || !hasOwnName(s.out, reg, "SCAN_OUT") || !hasOwnName(s.in, reg, "SCAN_IN") ||
      !hasOwnName(s.mode, reg, "SCAN_MODE"))
    return std::nullopt;
  return s;
}

}  // namespace

Port* Population::addScanPin(const std::string& pinName, port_type t) {
  Port* p = cptr->addPrimaryPort(pinName, 1, t);
  if (p) p->setLayoutPin(true);
  return p;
}

Item* Population::chainRegister(Item* reg, Item* prev, Port* scanMode, Port* scanIn) {
  if (!reg) return prev;
  reg->toSreg();
  const std::optional<ScanPorts> sp = scanPortsOf(reg);
  if (!sp) return prev;
  if (scanMode) scanMode->addToPort(sp->mode);
  if (!prev) {
    if (scanIn) scanIn->addToPort(sp->in);
  } else {
    cptr->connectSREGs(prev, reg);
  }
  return reg;
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

void Population::implementDFTLayout(int chID) {
  if (!cptr) return;
  Port* scanMode = nullptr;
  Port* scanIn = nullptr;
  Port* scanOut = nullptr;
  Item* prev = nullptr;
  long k = -1;
  // Ends the open chain at the primary scan output.
  auto closeChain = [&] {
    if (const std::optional<ScanPorts> last = scanPortsOf(prev); last && scanOut) last->out->addToPort(scanOut);
    prev = nullptr;
  };
  forEachChain(
      chID,
      [&] {
        closeChain();
        if (!scanMode) scanMode = addScanPin("SCAN_MODE", CIN_SEL);
        ++k;
        scanIn = addScanPin("SCAN_IN" + std::to_string(k), IN);
        scanOut = addScanPin("SCAN_OUT" + std::to_string(k), OUT);
      },
      [&](int r) { prev = chainRegister(cptr->getRegPtr(r), prev, scanMode, scanIn); });
  closeChain();
}

std::string Population::layoutKey(int chID) const {
  std::string key;
  // A zero byte opens a chain; each member is r + 1 in 7-bit groups (high bit:
  // more to come), so no member byte is zero.
  forEachChain(
      chID, [&] { key.push_back('\0'); },
      [&](int r) {
        unsigned v = static_cast<unsigned>(r) + 1;
        for (; v >= 0x80; v >>= 7) key.push_back(static_cast<char>(0x80 | (v & 0x7f)));
        key.push_back(static_cast<char>(v));
      });
  return key;
}

void Population::deimplementDFTLayout(int chID) {
  (void)chID;  // every applied layout is taken out
  if (!cptr) return;
  for (Item* i = cptr->getIList(); i; i = i->getNext())
    if (i->getType() == SREG && i->isScanConverted()) i->toReg();
  Item* holder = cptr->getPortHolder();
  if (!holder) return;
  Port* p = holder->getPList();
  while (p) {
    Port* following = p->getNext();
    if (p->isLayoutPin()) holder->removePort(p);
    p = following;
  }
}

// ---------------------------------------------------------------- Population: genetic operations

void Population::initPopulation() {
  for (int i = 0; i < size; ++i) {
    unsigned char* c = data.data() + static_cast<size_t>(i) * ch_len;
    for (int j = 0; j < ch_len; ++j) c[j] = get_random_number() >= 0.5 ? '1' : '0';
    chr_correct(i);
    info[static_cast<size_t>(i)].fitness = 0.001;
  }
}

int Population::copyChromosome(int src_idx, Population* src_pop) {
  if (!src_pop) {
    error("Population::copyChromosome() - src_pop is NULL\n");
    return 0;
  }
  // Chromosomes of a circuit without registers are empty but still carry a fitness.
  if (src_pop->size == 0 || (!src_pop->getDataPtr() && src_pop->ch_len > 0)) {
    error("Population::copyChromosome() - dataPtr is NULL");
    return 0;
  }
  ++pos;
  if (pos > size - 1 || pos < 0) {
    error("Population::copyChromosome() - there is no space for inserting a new chromosome_%ld to '%s' population!\n",
          static_cast<long>(pos), name.c_str());
    return 0;
  }
  if (src_idx < 0 || src_idx >= src_pop->size || src_pop->ch_len != ch_len) {
    error("Bad chromosome ID %ld in Population::copyChromosome()\n", static_cast<long>(src_idx));
    return 0;
  }
  if (ch_len > 0) {
    const unsigned char* from = src_pop->data.data() + static_cast<size_t>(src_idx) * ch_len;
    std::copy(from, from + ch_len, data.data() + static_cast<size_t>(pos) * ch_len);
  }
  info[static_cast<size_t>(pos)].fitness = src_pop->info[static_cast<size_t>(src_idx)].fitness;
  return 1;
}

int Population::select_parent_idx() {
  double sum1 = 0.0;
  for (int i = 0; i < size; ++i) sum1 += info[static_cast<size_t>(i)].fitness;
  const double r = get_random_number() * sum1;
  double sum2 = 0.0;
  for (int i = 0; i < size; ++i) {
    sum2 += info[static_cast<size_t>(i)].fitness;
    if (sum2 >= r) return i;
  }
  return size - 1;
}

namespace {

// A position in 0 .. len-1 from one draw; a draw of exactly 1 gives 0.
int drawPosition(int len) {
  int c = static_cast<int>(std::floor(get_random_number() * len));
  if (c > len - 1) c %= len;
  return c < 0 ? 0 : c;
}

}  // namespace

void Population::crossover(int ch1ID, int ch2ID) {
  if (ch1ID < 0 || ch2ID < 0 || ch1ID >= size || ch2ID >= size) {
    error("Bad chromosome ID in Population::crossover()\n");
    return;
  }
  if (ch_len <= 0) return;
  const int c = drawPosition(ch_len);
  unsigned char* a = data.data() + static_cast<size_t>(ch1ID) * ch_len;
  unsigned char* b = data.data() + static_cast<size_t>(ch2ID) * ch_len;
  std::swap_ranges(a, a + c, b);
}

void Population::mutation(int chID) {
  if (!checkChrID(chID, "mutation") || ch_len <= 0) return;
  unsigned char* c = data.data() + static_cast<size_t>(chID) * ch_len;
  const int m = drawPosition(ch_len);
  c[m] = c[m] == '0' ? '1' : '0';
}

void Population::reproduction(int ch1ID, int ch2ID) {
  if (!checkChrID(ch1ID, "reproduction") || !checkChrID(ch2ID, "reproduction")) return;
  crossover(ch1ID, ch2ID);
  if (get_random_number() >= MUTATION_PROBABILITY) mutation(ch1ID);
  if (get_random_number() >= MUTATION_PROBABILITY) mutation(ch2ID);
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

// ---------------------------------------------------------------- fitness

namespace {

// Overhead of `actual` over `orig` in percent; growth from nothing is unbounded.
double overheadPercent(double actual, double orig) {
  if (orig != 0.0) return (actual / orig - 1.0) * 100.0;
  return actual > 0.0 ? HUGE_VAL : 0.0;
}

}  // namespace

double Population::evalFitness(int chID, int origArea, int origNPins, double origTst) {
  (void)chID;
  (void)origTst;
  if (!cptr) return 0.0;
  Circuit& c = *cptr;
  const int nports = c.getNPins() + c.getNPCins() + c.getNPouts() + c.getNPinouts() + c.getNIns() +
                     c.getNCins() + c.getNOuts() + c.getNInouts();
  const double actualArea = c.getArea();
  const double actualNIOs = c.getNPins() + c.getNPCins() + c.getNPinouts() + c.getNPouts();
  const double aOver = overheadPercent(actualArea, origArea);
  const double pOver = overheadPercent(actualNIOs, origNPins);
  c.testability_analysis();  // also computes the averages (evalCon, evalObs, evalTst)
  const double con = c.getCon();
  const double uA = evalUBatt(MAX_AREA_OVERHEAD, aOver);
  const double uP = evalUBatt(MAX_PIN_OVERHEAD, pOver);
  // 100 when every port bit is controllable, else 0 (integer quotient)
  const int res1 = nports > 0 ? 100 * (c.getNConNodes() / nports) : 0;
  const double res2 = (50.0 * con + 10.0 * uA + 10.0 * uP) * res1 / 70.0;
  return res2 * con * uA * uP;
}

// ---------------------------------------------------------------- solver

namespace {

// The optimiser's log; writing is skipped when the file could not be opened.
class GarLog {
 public:
  explicit GarLog(const std::string& fileName)
      : name(fileName), file(std::fopen(resultPath(fileName).c_str(), "a")) {
    if (!file) error("Can't write to '%s'!\n", name.c_str());
  }
  ~GarLog() { close(); }
  GarLog(const GarLog&) = delete;
  GarLog& operator=(const GarLog&) = delete;

  // Appends formatted text (nothing when the log is not open).
  void printf(const char* fmt, ...) __attribute__((format(printf, 2, 3))) {
    if (!file) return;
    va_list args;
    va_start(args, fmt);
    std::vfprintf(file, fmt, args);
    va_end(args);
  }
  // Closes the log, reporting a write that failed.
  void close() {
    if (!file) return;
    const bool failed = std::ferror(file) != 0;
    if (std::fclose(file) != 0 || failed) error("Can't write to '%s'!\n", name.c_str());
    file = nullptr;
  }

 private:
  std::string name;
  FILE* file;
};

bool fitnessMemo = true;
// Bound of the fitness memo (layouts); later layouts are evaluated every time.
constexpr size_t kMaxMemoLayouts = size_t{1} << 20;

// Layouts tried first: each replaces chromosome k with probability 1/10 per draw.
constexpr const char* kPresets[] = {"0.1.2.3.4.5", "012345", "5.4.3.2.1.0", "543210"};

// Writes the parameter header to the console and to the log.
void printHeader(GarLog& gar, int chrLen, unsigned long max_ueruns, int nregs, bool elitism, int psize,
                 int techniques) {
  std::string text = "Running (GA-based) DFT Layout Solver\n(RUN-PARAMETERS: ";
  char buf[MAX_STR_LEN];
  std::snprintf(buf, sizeof buf, "Chromosome_length=%dbits, ", chrLen);
  text += buf;
  std::snprintf(buf, sizeof buf,
                "MaxUnenhancedRuns=%ld, |REGS|=%ld, Elitism=%s, Population_size=%ld, Selected_DFT_Techniques:",
                static_cast<long>(max_ueruns), static_cast<long>(nregs), elitism ? "YES" : "NO",
                static_cast<long>(psize));
  text += buf;
  if (techniques & ORDERED_SCAN) text += " SCAN(ORDERED)";
  if (techniques & UNORDERED_SCAN) text += " SCAN(UNORDERED)";
  if (techniques & TEST_POINT_INSERTION) text += " TEST_POINT_INSERTION";
  text += ")\n";
  std::printf("----------\n%s", text.c_str());
  gar.printf("%s", text.c_str());
}

}  // namespace

void breedGeneration(Population& P, Population& Q, Population& best, int psize, bool elitism) {
  Q.resetPos();
  for (int n = 0; n < psize / 2; ++n) {
    const int a = P.select_parent_idx();
    const int b = P.select_parent_idx();
    Q.copyChromosome(a, &P);
    Q.copyChromosome(b, &P);
    Q.reproduction(Q.getPos(), Q.getPos() - 1);
  }
  // The best chromosome replaces the last child written (there is none for
  // populations below two).
  if (elitism && Q.getPos() >= 0) {
    Q.setPos(Q.getPos() - 1);
    Q.copyChromosome(0, &best);
  }
}

bool setFitnessMemo(bool on) { return std::exchange(fitnessMemo, on); }

int runGA(Circuit* cptr, unsigned long max_ueruns, bool elitism, int psize, int techniques, int run_number) {
  if (!cptr) return 1;
  const int nregs = cptr->getNREGs();
  if (nregs > MAX_NOTATION_REGS) {
    error("DFT Layout Solver: '%s' has %ld registers; layouts can name at most %ld!\n",
          cptr->getName().c_str(), static_cast<long>(nregs), static_cast<long>(MAX_NOTATION_REGS));
    return 1;
  }
  unsigned long remaining = max_ueruns;
  long iteration = 0;
  double best = 0.0;

  GarLog gar(resultFileName(cptr->getName(), ".gar"));
  gar.printf("Run number: %ld\n", static_cast<long>(run_number));
  gar.printf("Collumns (from left to right side):\n1) Iteration number\n2) Best solution found\n3) Fitness value\n\n");

  cptr->testability_analysisFULL();
  const int origCirArea = cptr->getArea();
  const int origCirNIOs = cptr->getNPins() + cptr->getNPCins() + cptr->getNPinouts() + cptr->getNPouts();
  const double origCirTst = cptr->getTst();

  const int chrLen = getScanChrLen(techniques, nregs);
  printHeader(gar, chrLen, max_ueruns, nregs, elitism, psize, techniques);

  Population bestPop("Best-evaluated chromosome", 1, chrLen, techniques, cptr);
  {
    Population first("Population_P", psize, chrLen, techniques, cptr);
    Population second("Population_Q", psize, chrLen, techniques, cptr);
    Population* P = &first;
    Population* Q = &second;
    init_random();
    P->initPopulation();
    for (int i = 0; i < P->getSize(); ++i) P->chr_correct(i);

    bool presetFits[4];
    for (int k = 0; k < 4; ++k) presetFits[k] = notationProblem(kPresets[k], nregs).empty();

    std::unordered_map<std::string, double> evaluated;  // fitness by layoutKey
    char spinner = '/';
    while (max_ueruns != 0) {
      ++iteration;
      spinner = spinner == '/' ? '\\' : '/';
      std::printf("\b\b\b\b\b[%ld-%c]", static_cast<long>((remaining * 9) / max_ueruns), spinner);
      std::fflush(stdout);

      for (int i = 0; i < P->getSize(); ++i) {
        for (int k = 0; k < 4; ++k) {
          if (P->getSize() <= k) break;
          if (get_random_long() % 10 == 0 && presetFits[k]) P->implementScanNotation2(kPresets[k], k);
        }
        // The evaluation depends only on the layout applied (the circuit is
        // restored exactly after each one), so a layout seen before keeps its value.
        double f = 0.0;
        const std::string key = fitnessMemo ? P->layoutKey(i) : std::string();
        const auto seen = fitnessMemo ? evaluated.find(key) : evaluated.end();
        if (seen != evaluated.end()) {
          f = seen->second;
        } else {
          P->implementDFTLayout(i);
          f = P->evalFitness(i, origCirArea, origCirNIOs, origCirTst);
          P->deimplementDFTLayout(i);
          if (fitnessMemo && evaluated.size() < kMaxMemoLayouts) evaluated.emplace(key, f);
        }
        P->setFitness(i, f);
        if (f > best) {
          best = f;
          remaining = max_ueruns;
          bestPop.resetPos();
          bestPop.copyChromosome(i, P);
          bestPop.dumpPopulation();
          const std::string notation = bestPop.getNotation(0);
          std::printf("Solution='%s', iteration number is %ld\n", notation.c_str(), iteration);
          gar.printf("%ld\t%-15s\t%lf\n", iteration, notation.c_str(), best);
        }
      }

      breedGeneration(*P, *Q, bestPop, psize, elitism);
      std::swap(P, Q);
      for (int i = 0; i < P->getSize(); ++i) P->chr_correct(i);
      for (int i = 0; i < Q->getSize(); ++i) Q->chr_correct(i);

      if (--remaining == 0) break;
    }
  }
  std::printf("\b\b\b\b\b\b\bDone - algorithm has ended after %ld iteration(s).\n", iteration);
  gar.printf("Algorithm has ended after %ld iteration(s).\n", iteration);
  gar.printf("%s\n\n", std::string(80, '-').c_str());

  cptr->setNotation(bestPop.getNotation(0));
  bestPop.implementDFTLayout(0);
  gar.close();

  std::printf("\nPerforming testability analysis (TA) to resulting circuit...\n");
  cptr->testability_analysisFULL();
  cptr->dumpTAresultsTxt();
  cptr->dumpTAresultsTex();
  cptr->dumpTAresultsHtml();
  cptr->setFitness(bestPop.getFitness(0));
  cptr->dumpResults();

  bestPop.deimplementDFTLayout(0);
  std::printf("----------\n");
  return 1;
}
