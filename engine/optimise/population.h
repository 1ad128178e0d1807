// A set of chromosomes of scan layouts for the genetic algorithm. A
// chromosome only encodes a layout: it converts to and from ScanLayout, and
// the genetic operators work on its characters.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "base/random.h"
#include "model/model.h"
#include "scan/scanlayout.h"

class Diagnostics;

// Threshold of the mutation draw: a child is mutated when its draw is not below it.
inline constexpr double MUTATION_PROBABILITY = 0.05;

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

// The pair repairs of chr_correct on the chromosome starting at c (`regs`
// registers, fields `b` wide): every pair (i, j) of scan registers, i < j in
// that order, sharing chain and position gets its positions changed.
// correctEveryPair tests each pair in turn; correctAllPairs does the same
// repairs through the registers' field keys (`keys` and `buckets` its scratch).
void correctEveryPair(unsigned char* c, int regs, int b);
void correctAllPairs(unsigned char* c, int regs, int b, std::vector<std::pair<std::uint64_t, int>>& keys,
                     std::unordered_map<std::uint64_t, std::vector<int>>& buckets);

// Per-chromosome record.
struct chr_info {
  double fitness = 0.0;
};

// A set of chromosomes of scan layouts for one circuit. A chromosome has a
// flag per register, then a chain field per register, then (ordered scan) a
// position field per register; fields are scanFieldWidth(R) characters wide.
class Population {
 public:
  // Creates `size` chromosomes of `ch_len` zero bytes with fitness 0; errors go to `diagnostics`.
  Population(const std::string& name, int size, int ch_len, int selDFT, Circuit* c, Diagnostics& diagnostics);
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
  // The layout chromosome chID encodes, settled (each register once; for
  // unordered scan each chain by register index).
  ScanLayout chains(int chID) const;
  // Decodes chromosome chID into `out`, reusing its storage.
  void layoutInto(int chID, ScanLayout& out) const;
  // The notation of the layout chromosome chID encodes, for either technique.
  std::string layoutNotation(int chID) const;
  // The registers the chromosomes number.
  const LayoutRegisters& registers() const { return layoutRegs; }
  // Encodes `layout` into chromosome chID; false (error counted) when the
  // chromosome cannot hold a layout. It decodes to settledLayout(layout) while
  // the layout has at most as many chains, and entries per chain, as registers.
  bool encodeChains(const ScanLayout& layout, int chID);
  // Encodes the layout of `notation` (either form) into chromosome chID; false
  // (error counted) when the notation is not a layout of the circuit.
  bool encodeNotation(const std::string& notation, int chID);

  // Fills every chromosome with random characters, repairs it, fitness 0.001.
  void initPopulation(RandomSource& random);
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
  // True when chromosome chID can hold a layout of the circuit; reports why not.
  bool canHoldLayout(int chID) const;
  // Writes `layout` into the chromosome starting at c (a register listed twice keeps its last place).
  void writeChains(const ScanLayout& layout, unsigned char* c);
  bool ordered() const { return (selectedDFT & ORDERED_SCAN) != 0; }
  bool unordered() const { return (selectedDFT & ORDERED_SCAN) == 0 && (selectedDFT & UNORDERED_SCAN) != 0; }
  // Walks the chains of chromosome chID in the order they are applied:
  // onChain() opens a chain, onMember(r) adds register r to it.
  template <class OnChain, class OnMember>
  void forEachChain(int chID, OnChain onChain, OnMember onMember) const;

  // Scratch of chr_correct, kept from one chromosome to the next.
  struct RepairScratch {
    std::vector<std::pair<std::uint64_t, int>> keys;             // field key and register, of the scan registers
    std::unordered_map<std::uint64_t, std::vector<int>> buckets;  // registers by field key, ascending
  };
  RepairScratch repair;

  int size = 0;
  int pos = -1;
  int ch_len = 0;
  int selectedDFT = 0;
  Circuit* cptr = nullptr;
  Diagnostics* diag;  // where the population's errors go
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

