// What a fault simulation reports: the coverage table, and NAME.faultsim.json
// with the coverage curve and each register's and port's word-level
// testability beside the share of its faults detected.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "faultsim/coverage.h"
#include "faultsim/wordlevel.h"

// One register or primary port: its word-level testability and its bits' faults.
struct OwnerDetection {
  std::string name;
  bool isRegister = false;
  bool scanned = false;
  double testability = 0.0;
  long faults = 0, detected = 0;
  double fraction() const { return faults ? static_cast<double>(detected) / static_cast<double>(faults) : 0.0; }
};

struct FaultSimReport {
  std::string circuit, method, layout, version;
  std::string measure = "classic";  // of the word-level figures (and of the method's search)
  std::optional<std::uint64_t> seed;  // none for exhaustive runs
  bool exhaustive = false;
  int captureCycles = 1;
  int scanFlops = 0, flops = 0, gates = 0;
  Coverage all, after100, after1000;
  std::vector<Coverage> curve;
  std::vector<OwnerDetection> owners;  // those with faults
  std::optional<double> spearman;      // over `owners`; none when undefined
  unsigned long long gateEvaluations = 0;
  double seconds = 0.0;
  std::vector<std::string> unmappedRegisters;  // scanned registers without flip-flops
};

// The rank correlation of x and y (ties get their mean rank); none with fewer
// than two points or when either has one value only.
std::optional<double> spearmanCorrelation(const std::vector<double>& x, const std::vector<double>& y);

// Each register and port of `view` with the faults on its bits (registers:
// D and Q pins of their flip-flops; ports: their bits), those without faults left out.
std::vector<OwnerDetection> ownerDetection(const GateNetlist& n, const FaultSimRun& run, const WordLevelView& view);

// Fills the figures of `report` from `run`.
void summarise(const GateNetlist& n, const FaultSimRun& run, const WordLevelView& view, FaultSimReport& report);

// The table of coverage figures.
void printFaultSimTable(const FaultSimReport& r, FILE* out);

// The text of NAME.faultsim.json.
std::string faultSimJson(const FaultSimReport& r);
