// The scan layout optimiser: chromosomes of scan layouts, the layout notation,
// insertion and removal of scan chains in the circuit, the fitness and the
// genetic algorithm that searches for the best layout.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "model/model.h"
#include "scan/notation.h"
#include "base/random.h"

// Threshold of the mutation draw: a child is mutated when its draw is not below it.
inline constexpr double MUTATION_PROBABILITY = 0.05;
// Level of the upper-bound attenuation at its break point.
inline constexpr double BPup = 0.95;
// Level of the lower-bound attenuation (kept beside BPup; the solver does not use it).
inline constexpr double BPlow = 0.95;

// What a layout's fitness rewards.
enum class Objective {
  CLASSIC,  // all or nothing: 0 unless every port bit is controllable
  GRADED,   // the controllable share of port bits, in percent, scales the value
};

// Bounds and objective of the fitness.
struct FitnessLimits {
  double maxAreaOverhead = 0.0;  // percent
  double maxPinOverhead = 0.0;   // percent
  Objective objective = Objective::CLASSIC;
};

// The circuit as read, which the overheads of a layout are measured against.
struct FitnessBasis {
  int origArea = 0;
  int origNPins = 0;
  FitnessLimits limits;
};

namespace tarvex {
// Base-2 logarithm computed as log10(x) / log10(2). Kept in a namespace so it
// does not collide with the C library's log2.
double log2(double x);
}  // namespace tarvex

// Chromosome length for the technique bits and register count.
int getScanChrLen(int dft_techniques, int nregs);
// Width b of a chain or position field for `nregs` registers (0 for one or none).
int scanFieldWidth(int nregs);
// Value of a `size`-character field of '0'/'1' characters, first character most significant.
int bin2int(const unsigned char* str, int size);

// Upper-bound attenuation: 1 far below the bound, BPup + (1 - BPup)/e at it, falling above it.
double evalUBatt(double requiredVal, double realVal);

// Fitness of the layout currently applied to `c` (runs the controllability analysis).
double appliedLayoutFitness(Circuit& c, const FitnessBasis& basis);
// Fitness of the layout applied to `c` from its last analysis (either kind).
double analysedLayoutFitness(const Circuit& c, const FitnessBasis& basis);
// The name of an objective ("classic", "graded").
const char* objectiveName(Objective o);

// Per-chromosome record.
struct chr_info {
  double fitness = 0.0;
};

// A set of chromosomes of scan layouts for one circuit. A chromosome has a
// flag per register, then a chain field per register, then (ordered scan) a
// position field per register; fields are scanFieldWidth(R) characters wide.
class Population {
 public:
  // Creates `size` chromosomes of `ch_len` zero bytes with fitness 0.
  Population(const std::string& name, int size, int ch_len, int selDFT, Circuit* c);
  Population(const Population&) = delete;
  Population& operator=(const Population&) = delete;

  // True when some scan register of chromosome chID is in chain scanChainID.
  bool scanChainIdExistO(int scanChainID, int chID) const;
  // True when register regID is a scan register of chain scanChainID in chromosome chID.
  bool scanChainIdExistU(int regID, int scanChainID, int chID) const;
  // Highest register at position sequenceNumber of chain scanChainID, or -1.
  int checkSregPos(int sequenceNumber, int scanChainID, int chID) const;
  // Repairs a position collision of two scan registers; 1 when there was none, 0 after a repair.
  int check_sregs(int chID, int sreg1, int sreg2);
  // Repairs all register pairs of one chromosome (ordered scan only; one pass).
  void chr_correct(int chID);
  // The notation of chromosome chID ("" for unordered scan or no scan register),
  // classic up to ten registers, named beyond.
  std::string getNotation(int chID) const;
  // The chains chromosome chID applies (ordered or unordered), in order.
  ScanChains chains(int chID) const;
  // The notation of the chains chromosome chID applies, for either technique.
  std::string layoutNotation(int chID) const;
  // The registers the chromosomes number.
  const LayoutRegisters& registers() const { return layoutRegs; }
  // Encodes `notation` (either form) into chromosome chID and applies it; false (error counted) when invalid.
  bool implementScanNotation(const std::string& notation, int chID);
  // Encodes `notation` into chromosome chID without changing the circuit's structure.
  bool implementScanNotation2(const std::string& notation, int chID);
  // Turns the chromosome's scan registers into SREGs and adds and wires the scan pins.
  void implementDFTLayout(int chID);
  // Takes out every applied layout: scan registers back to REGs, scan pins removed.
  void deimplementDFTLayout(int chID);
  // Encodes `chains` into chromosome chID without changing the circuit.
  bool encodeChains(const ScanChains& chains, int chID);
  // The chains chromosome chID applies, as text: equal texts apply identical layouts.
  std::string layoutKey(int chID) const;

  // Fills every chromosome with random characters, repairs it, fitness 0.001.
  void initPopulation(RandomSource& random);
  // Fitness of the layout currently applied to the circuit.
  double evalFitness(int chID, int origArea, int origNPins, double origTst, const FitnessLimits& limits);
  // Copies chromosome src_idx of src_pop into the next slot; 1 copied, 0 not.
  int copyChromosome(int src_idx, Population* src_pop);
  // Roulette-wheel choice of a parent index.
  int select_parent_idx(RandomSource& random);
  // One-point crossover of two chromosomes.
  void crossover(int ch1ID, int ch2ID, RandomSource& random);
  // Flips one random character of a chromosome.
  void mutation(int chID, RandomSource& random);
  // Crossover, mutations and repair of two children.
  void reproduction(int ch1ID, int ch2ID, RandomSource& random);
  // Prints every chromosome and its fitness.
  void dumpPopulation() const;

  // Sets the fitness of chromosome chID.
  void setFitness(int chID, double f);
  // Fitness of chromosome chID (0 for a bad index).
  double getFitness(int chID) const;
  // Number of chromosomes.
  int getSize() const { return size; }
  // The circuit the layouts are applied to.
  Circuit* circuit() const { return cptr; }
  // Characters per chromosome.
  int getChLen() const { return ch_len; }
  // Technique bits.
  int getSelectedDFT() const { return selectedDFT; }
  // The population's name.
  const std::string& getName() const { return name; }
  // Fitness records (null when there are none).
  chr_info* getInfoPtr() { return info.empty() ? nullptr : info.data(); }
  // Chromosome storage, chromosome k at k * ch_len (null when there is none).
  unsigned char* getDataPtr() { return data.empty() ? nullptr : data.data(); }
  // Chromosome chID as text (empty for a bad index).
  std::string chromosome(int chID) const;
  // Forgets the slot last written: the next copy goes to slot 0.
  void resetPos() { pos = -1; }
  // Sets the slot last written.
  void setPos(int p) { pos = p; }
  // Slot last written by copyChromosome (-1 after resetPos).
  int getPos() const { return pos; }

 private:
  // Start of chromosome chID, or null for a bad index or a chromosome too short for the layout.
  unsigned char* layoutChr(int chID);
  const unsigned char* layoutChr(int chID) const;
  // True for an existing chromosome; a bad index is reported as an error of `who`.
  bool checkChrID(int chID, const char* who) const;
  bool isFlagged(const unsigned char* c, int reg) const { return c[reg] == '1'; }
  int chainOf(const unsigned char* c, int reg) const { return bin2int(c + regs + reg * width, width); }
  int positionOf(const unsigned char* c, int reg) const {
    return bin2int(c + (width + 1) * regs + reg * width, width);
  }
  // Writes `value` as a width-character field at `field`.
  void writeField(unsigned char* field, int value) const;
  bool encodeNotation(const std::string& notation, int chID);
  // True when chromosome chID can hold a layout of the circuit; reports why not.
  bool canHoldLayout(int chID) const;
  // Writes `layout` into the chromosome starting at c (a register listed twice keeps its last place).
  void writeChains(const ScanChains& layout, unsigned char* c);
  bool ordered() const { return (selectedDFT & ORDERED_SCAN) != 0; }
  bool unordered() const { return (selectedDFT & ORDERED_SCAN) == 0 && (selectedDFT & UNORDERED_SCAN) != 0; }
  // Adds one scan pin of the layout to the circuit.
  Port* addScanPin(const std::string& pinName, port_type t);
  // Wires register `reg` (just made a scan register) after `prev` in a chain.
  Item* chainRegister(Item* reg, Item* prev, Port* scanMode, Port* scanIn);
  // Walks the chains of chromosome chID in the order they are applied:
  // onChain() opens a chain, onMember(r) adds register r to it.
  template <class OnChain, class OnMember>
  void forEachChain(int chID, OnChain onChain, OnMember onMember) const;

  int size = 0;
  int pos = -1;
  int ch_len = 0;
  int selectedDFT = 0;
  Circuit* cptr = nullptr;
  std::string name;
  std::vector<unsigned char> data;
  std::vector<chr_info> info;
  // One scan register of a chromosome while its chains are walked.
  struct LayoutSlot {
    int chain;
    int position;
    int key;  // -register (ordered) or register (unordered): the order within a position
  };
  mutable std::vector<LayoutSlot> slots;  // scratch of forEachChain, sized once
  LayoutRegisters layoutRegs;
  int regs = 0;         // R, registers numbered by the layout
  int width = 0;        // b, field width
  bool hasPositions = false;
  bool layoutFits = false;
};

// Fills Q with the children of P: psize / 2 pairs of roulette-chosen parents,
// crossed, mutated and repaired; with elitism the chromosome of `best`
// replaces the last child written.
void breedGeneration(Population& P, Population& Q, Population& best, int psize, bool elitism, RandomSource& random);

// Told about each generation of a solver run.
class SearchObserver {
 public:
  virtual ~SearchObserver() = default;
  // After generation `generation`: `stale` generations since the last
  // improvement (the improving one counts), best fitness so far.
  virtual void generation(long generation, unsigned long stale, double best) = 0;
  // At the end of the run, while the best layout `found` is applied to `c` and analysed.
  virtual void finished(Circuit& c, const struct SearchResult& found) {
    (void)c;
    (void)found;
  }
};

// Parameters of a solver run.
struct GaOptions {
  unsigned long maxUnenhancedRuns = 500;  // generations without improvement before the run stops
  bool elitism = false;
  int populationSize = 20;
  int techniques = ORDERED_SCAN;
  int runNumber = 0;
  FitnessLimits limits;
  // Reuse the fitness of a layout already evaluated (the values are the same either way).
  bool reuseFitness = true;
  // The output of the classic command line: generation counter and population
  // dumps on the console, and no notation for unordered layouts.
  bool classicForm = true;
  // Written to the .gar header when set, so the run can be repeated.
  std::optional<std::uint64_t> seed;
  SearchObserver* observer = nullptr;
  // Threads that evaluate a generation side by side (0: one per core). The
  // results are the same for any number; the classic form keeps one.
  int workers = 1;
  // A generation is evaluated side by side only when its analyses cover at
  // least this many port bits in all: for less, starting threads costs more.
  std::size_t minSideBySideBits = 100000;
  // Called on the random first population before its first evaluation
  // (the modern form puts its seed layouts in).
  std::function<void(Population& first, RandomSource& random)> prepare;
  // Writes the log, the console lines and the result files; without them the
  // run only returns what it found (comparisons).
  bool writeResults = true;
};

// What a solver run found.
struct SearchResult {
  std::string notation;  // of the best layout ("" for none)
  ScanChains chains;
  double fitness = 0.0;
  long generations = 0;
  long visited = 0;  // layouts evaluated
};

// Applies chromosome chID of `pop` to `c`, analyses it, writes the result
// files (with the circuit's notation and fitness as set) and tells `observer`
// about `found`, then takes the layout out again.
void writeLayoutResults(Circuit& c, Population& pop, int chID, const SearchResult& found, SearchObserver* observer);

// Searches for the best scan layout of `c` and writes the result files
// (the circuit is left without a layout, its notation and fitness set).
SearchResult runGA(Circuit& c, const GaOptions& options, RandomSource& random);
