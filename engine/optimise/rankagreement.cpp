#include "optimise/rankagreement.h"

#include <cmath>
#include <nlohmann/json.hpp>

#include "analysis/analysis.h"
#include "model/model.h"
#include "scan/insertion.h"
#include "scan/notation.h"
#include "write/reports.h"

std::optional<double> kendallTau(const std::vector<double>& x, const std::vector<double>& y) {
  const size_t n = std::min(x.size(), y.size());
  long concordant = 0, discordant = 0, tiedX = 0, tiedY = 0;
  for (size_t i = 0; i < n; ++i)
    for (size_t j = i + 1; j < n; ++j) {
      const double dx = x[i] - x[j], dy = y[i] - y[j];
      if (dx == 0.0 && dy == 0.0) {
        ++tiedX;
        ++tiedY;
      } else if (dx == 0.0) {
        ++tiedX;
      } else if (dy == 0.0) {
        ++tiedY;
      } else if ((dx > 0.0) == (dy > 0.0)) {
        ++concordant;
      } else {
        ++discordant;
      }
    }
  const double pairs = static_cast<double>(n) * static_cast<double>(n > 0 ? n - 1 : 0) / 2.0;
  const double denominator = std::sqrt((pairs - static_cast<double>(tiedX)) * (pairs - static_cast<double>(tiedY)));
  if (!(denominator > 0.0)) return std::nullopt;
  return static_cast<double>(concordant - discordant) / denominator;
}

bool layoutTestability(Circuit& c, const std::string& layout, MeasureKind measure, const RunContext& run,
                       double& gt, std::string& problem) {
  const LayoutRegisters regs(c);
  ScanLayout chains;
  if (!layout.empty() && layout != "-" && layout != "-1") problem = parseNotation(layout, regs, chains);
  if (!problem.empty()) return false;
  AnalysisOptions options = run.analysis;
  options.measure = measure;
  Analyser analyser(run.diagnostics, options);
  const AppliedScanLayout applied(c, regs, chains);
  analyser.bothDirections(c);
  gt = measuresOf(c).gt;
  return true;
}

std::optional<RankAgreement> rankAgreement(Circuit& c, const std::vector<std::pair<std::string, double>>& covered,
                                           const RunContext& run, std::string& problem) {
  RankAgreement a;
  for (const auto& [layout, coverage] : covered) {
    bool seen = false;
    for (const RankedLayout& r : a.layouts) seen = seen || r.layout == layout;
    if (seen) continue;
    RankedLayout r{layout, coverage, 0.0, 0.0};
    if (!layoutTestability(c, layout, MeasureKind::CLASSIC, run, r.classic, problem) ||
        !layoutTestability(c, layout, MeasureKind::FIXPOINT, run, r.fixpoint, problem))
      return std::nullopt;
    a.layouts.push_back(r);
  }
  std::vector<double> coverage, classic, fixpoint;
  for (const RankedLayout& r : a.layouts) {
    coverage.push_back(r.coveragePercent);
    classic.push_back(r.classic);
    fixpoint.push_back(r.fixpoint);
  }
  a.classicTau = kendallTau(classic, coverage);
  a.fixpointTau = kendallTau(fixpoint, coverage);
  return a;
}

namespace {

std::string tauText(const std::optional<double>& tau) {
  if (!tau) return "-";
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", *tau);
  return text;
}

}  // namespace

void printRankAgreement(const RankAgreement& a, FILE* out) {
  std::fprintf(out, "Rank agreement with stuck-at coverage over %zu distinct layout(s), Kendall tau: "
                    "classic %s, fixpoint %s\n",
               a.layouts.size(), tauText(a.classicTau).c_str(), tauText(a.fixpointTau).c_str());
  for (const RankedLayout& r : a.layouts)
    std::fprintf(out, "  coverage %6.2f %%  GT classic %.4f  fixpoint %.4f  %s\n", r.coveragePercent, r.classic,
                 r.fixpoint, r.layout.empty() ? "-" : r.layout.c_str());
}

std::string rankAgreementJson(const RankAgreement& a) {
  nlohmann::ordered_json j;
  j["classic_kendall_tau"] = a.classicTau ? nlohmann::ordered_json(*a.classicTau) : nullptr;
  j["fixpoint_kendall_tau"] = a.fixpointTau ? nlohmann::ordered_json(*a.fixpointTau) : nullptr;
  nlohmann::ordered_json rows = nlohmann::ordered_json::array();
  for (const RankedLayout& r : a.layouts)
    rows.push_back({{"layout", r.layout},
                    {"stuck_at_coverage_percent", r.coveragePercent},
                    {"testability_classic", r.classic},
                    {"testability_fixpoint", r.fixpoint}});
  j["layouts"] = std::move(rows);
  return j.dump();
}
