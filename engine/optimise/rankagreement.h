// How well each testability measure ranks a design's layouts as measured
// stuck-at coverage does: Kendall's tau between the measure's testability and
// the coverage, over the distinct layouts of a comparison.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "base/run_context.h"
#include "base/measure_kind.h"

class Circuit;

// One distinct layout: its notation, coverage and testability by each measure.
struct RankedLayout {
  std::string layout;
  double coveragePercent = 0.0;
  double classic = 0.0;   // GT by the classic measure
  double fixpoint = 0.0;  // GT by the fixpoint measure
};

// The agreement of both measures with the coverage over `layouts`.
struct RankAgreement {
  std::vector<RankedLayout> layouts;
  std::optional<double> classicTau;   // none when undefined (fewer than two layouts, or all tied)
  std::optional<double> fixpointTau;
};

// Kendall's tau-b of `x` and `y` (ties allowed); none when either is constant or shorter than two.
std::optional<double> kendallTau(const std::vector<double>& x, const std::vector<double>& y);

// The testability (GT) of `c` with `layout` (a notation, "" or "-" for none)
// by `measure`; false with `problem` set when the notation does not fit `c`.
bool layoutTestability(Circuit& c, const std::string& layout, MeasureKind measure, const RunContext& run,
                       double& gt, std::string& problem);

// Both measures' testability of each distinct layout with its coverage, and
// their taus; `problem` set (and none returned) when a layout does not fit `c`.
std::optional<RankAgreement> rankAgreement(Circuit& c, const std::vector<std::pair<std::string, double>>& covered,
                                           const RunContext& run, std::string& problem);

// The agreement as lines under the comparison table.
void printRankAgreement(const RankAgreement& a, FILE* out);
// The agreement as a JSON object text.
std::string rankAgreementJson(const RankAgreement& a);
