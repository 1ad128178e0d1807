#include "optimise/ga.h"

#include <algorithm>
#include <climits>
#include <cstdarg>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <memory>
#include <thread>
#include <tuple>
#include <unordered_map>
#include <utility>

#include "model/circuitcopy.h"
#include "analysis/analysis.h"
#include "base/diagnostics.h"
#include "optimise/legacy_context.h"
#include "write/reports.h"

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
      optimiserDiagnostics().error("Data Allocation Error in Population %s constructor\n", name.c_str());
    }
  }
  if (size > 0) {
    try {
      info.assign(static_cast<size_t>(size), chr_info{});
    } catch (const std::bad_alloc&) {
      optimiserDiagnostics().error("Info Allocation Error in Population %s constructor\n", name.c_str());
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
  optimiserDiagnostics().error("Bad chromosome ID %ld in Population::%s()\n", static_cast<long>(chID), who);
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
  if (!ordered() || !layoutChr(chID)) return {};
  return ::layoutNotation(chains(chID), layoutRegs);
}

ScanChains Population::chains(int chID) const {
  ScanChains result;
  forEachChain(
      chID, [&] { result.emplace_back(); }, [&](int r) { result.back().push_back(r); });
  return result;
}

std::string Population::layoutNotation(int chID) const { return ::layoutNotation(chains(chID), layoutRegs); }

// ---------------------------------------------------------------- Population: notation in

void Population::writeField(unsigned char* field, int value) const {
  for (int k = 0; k < width; ++k) field[k] = ((value >> (width - 1 - k)) & 1) ? '1' : '0';
}

bool Population::canHoldLayout(int chID) const {
  if (!cptr || !checkChrID(chID, "implementScanNotation")) return false;
  if (layoutChr(chID)) return true;
  optimiserDiagnostics().error("Population %s cannot hold a layout of %ld register(s)!\n", name.c_str(), static_cast<long>(regs));
  return false;
}

bool Population::encodeChains(const ScanChains& layout, int chID) {
  if (!canHoldLayout(chID)) return false;
  writeChains(layout, layoutChr(chID));
  return true;
}

void Population::writeChains(const ScanChains& layout, unsigned char* c) {
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
  ScanChains layout;
  const std::string problem = parseNotation(notation, layoutRegs, layout);
  if (!problem.empty()) {
    optimiserDiagnostics().error("Wrong scan layout notation '%s' (%s)!\n", notation.c_str(), problem.c_str());
    return false;
  }
  if (!canHoldLayout(chID)) return false;
  cptr->setNotation(notation);
  writeChains(layout, layoutChr(chID));
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
      [&](int r) { prev = chainRegister(layoutRegs.item(r), prev, scanMode, scanIn); });
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
    optimiserDiagnostics().error("Population::copyChromosome() - src_pop is NULL\n");
    return 0;
  }
  // Chromosomes of a circuit without registers are empty but still carry a fitness.
  if (src_pop->size == 0 || (!src_pop->getDataPtr() && src_pop->ch_len > 0)) {
    optimiserDiagnostics().error("Population::copyChromosome() - dataPtr is NULL");
    return 0;
  }
  ++pos;
  if (pos > size - 1 || pos < 0) {
    optimiserDiagnostics().error("Population::copyChromosome() - there is no space for inserting a new chromosome_%ld to '%s' population!\n",
          static_cast<long>(pos), name.c_str());
    return 0;
  }
  if (src_idx < 0 || src_idx >= src_pop->size || src_pop->ch_len != ch_len) {
    optimiserDiagnostics().error("Bad chromosome ID %ld in Population::copyChromosome()\n", static_cast<long>(src_idx));
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
    optimiserDiagnostics().error("Bad chromosome ID in Population::crossover()\n");
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

// ---------------------------------------------------------------- fitness

namespace {

// Overhead of `actual` over `orig` in percent; growth from nothing is unbounded.
double overheadPercent(double actual, double orig) {
  if (orig != 0.0) return (actual / orig - 1.0) * 100.0;
  return actual > 0.0 ? HUGE_VAL : 0.0;
}

}  // namespace

double appliedLayoutFitness(Circuit& c, const FitnessBasis& basis) {
  optimiserAnalyser().controllabilityFigures(c);  // also computes the averages (evalCon, evalObs, evalTst)
  return analysedLayoutFitness(c, basis);
}

double analysedLayoutFitness(const Circuit& c, const FitnessBasis& basis) {
  const int nports = c.getNPins() + c.getNPCins() + c.getNPouts() + c.getNPinouts() + c.getNIns() +
                     c.getNCins() + c.getNOuts() + c.getNInouts();
  const double actualArea = c.getArea();
  const double actualNIOs = c.getNPins() + c.getNPCins() + c.getNPinouts() + c.getNPouts();
  const double aOver = overheadPercent(actualArea, basis.origArea);
  const double pOver = overheadPercent(actualNIOs, basis.origNPins);
  const double con = c.getCon();
  const double uA = evalUBatt(basis.limits.maxAreaOverhead, aOver);
  const double uP = evalUBatt(basis.limits.maxPinOverhead, pOver);
  double res1 = 0.0;
  if (nports > 0) {
    if (basis.limits.objective == Objective::GRADED)
      res1 = 100.0 * static_cast<double>(controllableBits(c)) / static_cast<double>(nports);
    else
      res1 = 100 * (controllableBits(c) / nports);  // 100 when every port bit is controllable, else 0
  }
  const double res2 = (50.0 * con + 10.0 * uA + 10.0 * uP) * res1 / 70.0;
  return res2 * con * uA * uP;
}

double Population::evalFitness(int chID, int origArea, int origNPins, double origTst, const FitnessLimits& limits) {
  (void)chID;
  (void)origTst;
  if (!cptr) return 0.0;
  return appliedLayoutFitness(*cptr, FitnessBasis{origArea, origNPins, limits});
}

// ---------------------------------------------------------------- solver

namespace {

// The optimiser's log; writing is skipped when the file could not be opened.
class GarLog {
 public:
  // An empty name opens no log.
  explicit GarLog(const std::string& fileName)
      : name(fileName), file(fileName.empty() ? nullptr : std::fopen(optimiserResultFiles().pathOf(fileName).c_str(), "a")) {
    if (!file && !name.empty()) optimiserDiagnostics().error("Can't write to '%s'!\n", name.c_str());
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
    if (std::fclose(file) != 0 || failed) optimiserDiagnostics().error("Can't write to '%s'!\n", name.c_str());
    file = nullptr;
  }

 private:
  std::string name;
  FILE* file;
};

// Bound of the fitness memo (layouts); later layouts are evaluated every time.
constexpr size_t kMaxMemoLayouts = size_t{1} << 20;

// Layouts tried first: each replaces chromosome k with probability 1/10 per draw.
constexpr const char* kPresets[] = {"0.1.2.3.4.5", "012345", "5.4.3.2.1.0", "543210"};

// Writes the parameter header to the console and to the log.
void printHeader(GarLog& gar, int chrLen, const GaOptions& o, int nregs) {
  std::string text = "Running (GA-based) DFT Layout Solver\n(RUN-PARAMETERS: ";
  char buf[MAX_STR_LEN];
  std::snprintf(buf, sizeof buf, "Chromosome_length=%dbits, ", chrLen);
  text += buf;
  std::snprintf(buf, sizeof buf,
                "MaxUnenhancedRuns=%ld, |REGS|=%ld, Elitism=%s, Population_size=%ld, Selected_DFT_Techniques:",
                static_cast<long>(o.maxUnenhancedRuns), static_cast<long>(nregs), o.elitism ? "YES" : "NO",
                static_cast<long>(o.populationSize));
  text += buf;
  if (o.techniques & ORDERED_SCAN) text += " SCAN(ORDERED)";
  if (o.techniques & UNORDERED_SCAN) text += " SCAN(UNORDERED)";
  if (o.techniques & TEST_POINT_INSERTION) text += " TEST_POINT_INSERTION";
  text += ")\n";
  if (o.writeResults) std::printf("----------\n%s", text.c_str());
  gar.printf("%s", text.c_str());
}

// Fitness of the layouts of chromosomes; a layout seen before keeps its value
// (the circuit is restored exactly after each evaluation).
class LayoutEvaluator {
 public:
  LayoutEvaluator(const FitnessBasis& b, bool reuse, int threads, size_t minBitsSideBySide)
      : basis(b), reuseKnown(reuse), workers(threads > 0 ? threads : defaultWorkers()), minBits(minBitsSideBySide) {}

  // Applies chromosome i of `pop`, computes its fitness and takes the layout out.
  double evaluate(Population& pop, int i, Circuit& c) {
    std::string key;
    if (reuseKnown) {
      key = pop.layoutKey(i);
      if (const auto seen = known.find(key); seen != known.end()) return seen->second;
    }
    pop.implementDFTLayout(i);
    const double f = appliedLayoutFitness(c, basis);
    pop.deimplementDFTLayout(i);
    ++count;
    if (reuseKnown && known.size() < kMaxMemoLayouts) known.emplace(std::move(key), f);
    return f;
  }
  // Layouts evaluated so far.
  long visited() const { return count; }
  // Threads evaluation may use.
  int threads() const { return workers; }

  // Evaluates every chromosome of `pop` into `fitness` on several threads,
  // each with its own copy of the circuit. The reuse of known layouts and the
  // count of evaluations follow the serial order exactly; only the analyses
  // run side by side. False (nothing evaluated) when the circuit cannot be copied.
  bool evaluateSideBySide(Population& pop, Circuit& c, std::vector<double>& fitness);

 private:
  static int defaultWorkers() {
    const unsigned n = std::thread::hardware_concurrency();
    return n == 0 ? 1 : static_cast<int>(n);
  }
  // Analyses chromosomes jobs[t], jobs[t + T], ... of `pop` (T threads) into `values`.
  void evaluateShare(Population& pop, const std::vector<int>& jobs, size_t t, size_t stride,
                     std::vector<double>& values);

  FitnessBasis basis;
  bool reuseKnown;
  int workers;
  size_t minBits;  // port bits a generation must cover to be analysed side by side
  std::unordered_map<std::string, double> known;  // fitness by layoutKey
  long count = 0;
  std::vector<std::unique_ptr<Circuit>> copies;  // one per extra thread, made once
  bool copiesFailed = false;
};

void LayoutEvaluator::evaluateShare(Population& pop, const std::vector<int>& jobs, size_t t, size_t stride,
                                    std::vector<double>& values) {
  for (size_t j = t; j < jobs.size(); j += stride) {
    pop.implementDFTLayout(jobs[j]);
    values[j] = appliedLayoutFitness(*pop.circuit(), basis);
    pop.deimplementDFTLayout(jobs[j]);
  }
}

bool LayoutEvaluator::evaluateSideBySide(Population& pop, Circuit& c, std::vector<double>& fitness) {
  if (copiesFailed) return false;
  const int n = pop.getSize();
  // The serial order decides which chromosomes are evaluated: a layout known
  // before, or met earlier in this generation while the memo had room, is not.
  std::vector<int> jobs;
  std::vector<int> sameAs(static_cast<size_t>(n), -1);  // index of an earlier chromosome with the layout
  std::vector<std::string> keys(static_cast<size_t>(n));
  std::unordered_map<std::string, int> stored;  // layouts the memo takes in this generation
  size_t memoSize = known.size();
  for (int i = 0; i < n; ++i) {
    if (reuseKnown) {
      std::string& key = keys[static_cast<size_t>(i)];
      key = pop.layoutKey(i);
      if (const auto seen = known.find(key); seen != known.end()) {
        fitness[static_cast<size_t>(i)] = seen->second;
        continue;
      }
      if (const auto earlier = stored.find(key); earlier != stored.end()) {
        sameAs[static_cast<size_t>(i)] = earlier->second;
        continue;
      }
      if (memoSize < kMaxMemoLayouts) {
        stored.emplace(key, i);
        ++memoSize;
      }
    }
    jobs.push_back(i);
  }
  // Starting threads costs more than a generation of a small circuit takes.
  const bool worthThreads = jobs.size() * static_cast<size_t>(std::max(c.getNPortBits(), 0)) >= minBits;
  const size_t threads = worthThreads ? std::min(static_cast<size_t>(workers), jobs.size()) : 1;
  if (threads > 1 && !copiesFailed) {
    while (copies.size() + 1 < threads) {
      copies.push_back(copyCircuit(c));
      if (!copies.back()) {
        copies.clear();
        copiesFailed = true;
        return false;
      }
    }
  }
  if (copiesFailed) return false;
  std::vector<double> values(jobs.size(), 0.0);
  if (threads <= 1) {
    evaluateShare(pop, jobs, 0, 1, values);
  } else {
    // Each thread works on its own circuit through its own population copy.
    std::vector<std::unique_ptr<Population>> local;
    for (size_t t = 1; t < threads; ++t) {
      local.push_back(std::make_unique<Population>(pop.getName(), n, pop.getChLen(), pop.getSelectedDFT(),
                                                   copies[t - 1].get()));
      if (n > 0 && pop.getChLen() > 0)
        std::copy_n(pop.getDataPtr(), static_cast<size_t>(n) * static_cast<size_t>(pop.getChLen()),
                    local.back()->getDataPtr());
    }
    std::vector<std::thread> running;
    for (size_t t = 1; t < threads; ++t)
      running.emplace_back([&, t] { evaluateShare(*local[t - 1], jobs, t, threads, values); });
    evaluateShare(pop, jobs, 0, threads, values);
    for (std::thread& th : running) th.join();
  }
  for (size_t j = 0; j < jobs.size(); ++j) {
    const int i = jobs[j];
    fitness[static_cast<size_t>(i)] = values[j];
    ++count;
    if (reuseKnown) {
      const auto mine = stored.find(keys[static_cast<size_t>(i)]);
      if (mine != stored.end() && mine->second == i) known.emplace(std::move(keys[static_cast<size_t>(i)]), values[j]);
    }
  }
  for (int i = 0; i < n; ++i)
    if (sameAs[static_cast<size_t>(i)] >= 0) fitness[static_cast<size_t>(i)] = fitness[static_cast<size_t>(sameAs[static_cast<size_t>(i)])];
  return true;
}

// Evaluates every chromosome of `candidates` into `fitness`, in index order.
// The only step of a generation that touches the circuit.
void evaluateGeneration(Population& candidates, Circuit& c, LayoutEvaluator& evaluator, std::vector<double>& fitness) {
  fitness.assign(static_cast<size_t>(candidates.getSize()), 0.0);
  if (evaluator.threads() > 1 && evaluator.evaluateSideBySide(candidates, c, fitness)) return;
  for (int i = 0; i < candidates.getSize(); ++i) fitness[static_cast<size_t>(i)] = evaluator.evaluate(candidates, i, c);
}

// Refuses circuits whose layouts cannot be written: beyond ten registers the
// notation names registers, so every name must be writable.
bool notationsWritable(const Circuit& c) {
  if (usesClassicNotation(c.getNREGs())) return true;
  const LayoutRegisters regs(c);
  for (int r = 0; r < regs.count(); ++r) {
    std::string problem = nameProblem(regs.name(r));
    if (problem.empty() && isClassicNotation(regs.name(r)))
      problem = "register name '" + regs.name(r) + "' is made of digits";
    if (!problem.empty()) {
      optimiserDiagnostics().error("DFT Layout Solver: layouts of '%s' cannot be written (%s)!\n", c.getName().c_str(), problem.c_str());
      return false;
    }
  }
  return true;
}

}  // namespace

void breedGeneration(Population& P, Population& Q, Population& best, int psize, bool elitism, RandomSource& random) {
  Q.resetPos();
  for (int n = 0; n < psize / 2; ++n) {
    const int a = P.select_parent_idx(random);
    const int b = P.select_parent_idx(random);
    Q.copyChromosome(a, &P);
    Q.copyChromosome(b, &P);
    Q.reproduction(Q.getPos(), Q.getPos() - 1, random);
  }
  // The best chromosome replaces the last child written (there is none for
  // populations below two).
  if (elitism && Q.getPos() >= 0) {
    Q.setPos(Q.getPos() - 1);
    Q.copyChromosome(0, &best);
  }
}

SearchResult runGA(Circuit& c, const GaOptions& o, RandomSource& random) {
  SearchResult result;
  if (!notationsWritable(c)) return result;
  const int nregs = c.getNREGs();
  const int psize = o.populationSize;
  const unsigned long maxRuns = o.maxUnenhancedRuns;
  unsigned long remaining = maxRuns;
  long iteration = 0;
  long lastImprovement = 0;
  double best = 0.0;

  GarLog gar(o.writeResults ? resultFileName(c.getName(), ".gar") : std::string());
  gar.printf("Run number: %ld\n", static_cast<long>(o.runNumber));
  if (o.seed) gar.printf("Seed: %llu\n", static_cast<unsigned long long>(*o.seed));
  gar.printf("Collumns (from left to right side):\n1) Iteration number\n2) Best solution found\n3) Fitness value\n\n");

  if (o.writeResults) {
    optimiserAnalyser().bothDirections(c);
    writePropagationFile(c, optimiserResultFiles());
  }
  const FitnessBasis basis{c.getArea(), c.getNPins() + c.getNPCins() + c.getNPinouts() + c.getNPouts(), o.limits};

  const int chrLen = getScanChrLen(o.techniques, nregs);
  printHeader(gar, chrLen, o, nregs);

  Population bestPop("Best-evaluated chromosome", 1, chrLen, o.techniques, &c);
  // The notation a run shows and stores for its best chromosome.
  auto bestNotation = [&] { return o.classicForm ? bestPop.getNotation(0) : bestPop.layoutNotation(0); };
  LayoutEvaluator evaluator(basis, o.reuseFitness, o.workers, o.minSideBySideBits);
  {
    Population first("Population_P", psize, chrLen, o.techniques, &c);
    Population second("Population_Q", psize, chrLen, o.techniques, &c);
    // Each chromosome as it was when evaluated (seeding may replace it afterwards).
    Population candidates("Candidates", psize, chrLen, o.techniques, &c);
    Population* P = &first;
    Population* Q = &second;
    P->initPopulation(random);
    for (int i = 0; i < P->getSize(); ++i) P->chr_correct(i);
    if (o.prepare) o.prepare(*P, random);

    bool presetFits[4];
    for (int k = 0; k < 4; ++k) presetFits[k] = notationProblem(kPresets[k], nregs).empty();

    std::vector<double> fitness;
    char spinner = '/';
    while (maxRuns != 0) {
      ++iteration;
      spinner = spinner == '/' ? '\\' : '/';
      if (o.classicForm) {
        std::printf("\b\b\b\b\b[%ld-%c]", static_cast<long>((remaining * 9) / maxRuns), spinner);
        std::fflush(stdout);
      }
      candidates.resetPos();
      for (int i = 0; i < P->getSize(); ++i) {
        for (int k = 0; k < 4 && k < P->getSize(); ++k)
          if (random.nonNegative() % 10 == 0 && presetFits[k]) P->implementScanNotation2(kPresets[k], k);
        candidates.copyChromosome(i, P);
      }
      evaluateGeneration(candidates, c, evaluator, fitness);
      for (int i = 0; i < P->getSize(); ++i) {
        const double f = fitness[static_cast<size_t>(i)];
        P->setFitness(i, f);
        candidates.setFitness(i, f);
        if (f <= best) continue;
        best = f;
        remaining = maxRuns;
        lastImprovement = iteration;
        bestPop.resetPos();
        bestPop.copyChromosome(i, &candidates);
        if (o.classicForm) bestPop.dumpPopulation();
        const std::string notation = bestNotation();
        if (o.writeResults) std::printf("Solution='%s', iteration number is %ld\n", notation.c_str(), iteration);
        gar.printf("%ld\t%-15s\t%lf\n", iteration, notation.c_str(), best);
      }

      breedGeneration(*P, *Q, bestPop, psize, o.elitism, random);
      std::swap(P, Q);
      for (int i = 0; i < P->getSize(); ++i) P->chr_correct(i);
      for (int i = 0; i < Q->getSize(); ++i) Q->chr_correct(i);

      if (o.observer) o.observer->generation(iteration, static_cast<unsigned long>(iteration - lastImprovement), best);
      if (--remaining == 0) break;
    }
  }
  if (o.writeResults)
    std::printf("%sDone - algorithm has ended after %ld iteration(s).\n", o.classicForm ? "\b\b\b\b\b\b\b" : "",
                iteration);
  gar.printf("Algorithm has ended after %ld iteration(s).\n", iteration);
  gar.printf("%s\n\n", std::string(80, '-').c_str());

  result.notation = bestNotation();
  result.chains = bestPop.chains(0);
  result.fitness = bestPop.getFitness(0);
  result.generations = iteration;
  result.visited = evaluator.visited();
  c.setNotation(result.notation);

  gar.close();
  c.setFitness(result.fitness);
  if (o.writeResults) {
    writeLayoutResults(c, bestPop, 0, result, o.observer);
    std::printf("----------\n");
  }
  return result;
}

void writeLayoutResults(Circuit& c, Population& pop, int chID, const SearchResult& found, SearchObserver* observer) {
  pop.implementDFTLayout(chID);
  std::printf("\nPerforming testability analysis (TA) to resulting circuit...\n");
  const ResultFiles files = optimiserResultFiles();
  optimiserAnalyser().bothDirections(c);
  writePropagationFile(c, files);
  writeTextTable(c, files);
  writeTexTable(c, files);
  writeHtmlTable(c, files);
  writeParameters(c, measuresOf(c), files);
  if (observer) observer->finished(c, found);
  pop.deimplementDFTLayout(chID);
}

const char* objectiveName(Objective o) { return o == Objective::GRADED ? "graded" : "classic"; }
