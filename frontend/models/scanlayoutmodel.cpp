#include "models/scanlayoutmodel.h"

#include <algorithm>

#include "enginelink/notation.h"

void ScanLayoutModel::setRegisters(std::vector<RegisterFigures> registers) {
  registers_ = std::move(registers);
  names_.clear();
  for (const auto& r : registers_) names_ << r.name;
  chains_.clear();
}

bool ScanLayoutModel::isScannable(const QString& name) const { return checkRuleOf(name).isEmpty(); }

QString ScanLayoutModel::checkRuleOf(const QString& name) const {
  for (const auto& r : registers_)
    if (r.name == name && !r.scannable) return r.checkRule.isEmpty() ? QStringLiteral("check") : r.checkRule;
  return {};
}

QStringList ScanLayoutModel::unscannable() const {
  QStringList out;
  for (const auto& r : registers_)
    if (!r.scannable) out << r.name;
  return out;
}

int ScanLayoutModel::chainOf(const QString& name) const {
  for (std::size_t c = 0; c < chains_.size(); ++c)
    if (chains_[c].contains(name)) return static_cast<int>(c);
  return -1;
}

int ScanLayoutModel::positionOf(const QString& name) const {
  const int c = chainOf(name);
  return c < 0 ? -1 : static_cast<int>(chains_[c].indexOf(name));
}

void ScanLayoutModel::place(const QString& name, int chain, int position) { placeAll({name}, chain, position); }

void ScanLayoutModel::placeAll(const QStringList& names, int chain, int position) {
  QStringList moved;
  for (const QString& name : names)
    if (names_.contains(name) && !moved.contains(name) && (chain < 0 || isScannable(name))) moved << name;
  if (moved.isEmpty()) return;
  // The insertion point counts only the members that stay where they are.
  int index = 0;
  if (chain >= 0 && chain < static_cast<int>(chains_.size())) {
    const QStringList& target = chains_[chain];
    for (int i = 0; i < std::min(position, static_cast<int>(target.size())); ++i)
      if (!moved.contains(target[i])) ++index;
  }
  for (QStringList& c : chains_)
    c.removeIf([&](const QString& n) { return moved.contains(n); });
  if (chain >= static_cast<int>(chains_.size()))
    chains_.push_back(moved);
  else if (chain >= 0)
    for (int i = 0; i < moved.size(); ++i) chains_[chain].insert(index + i, moved[i]);
  dropEmptyChains();
}

void ScanLayoutModel::setChains(const NamedChains& chains) {
  chains_.clear();
  QStringList seen;
  for (const auto& chain : chains) {
    QStringList kept;
    for (const auto& name : chain)
      if (names_.contains(name) && !seen.contains(name) && isScannable(name)) {
        kept << name;
        seen << name;
      }
    if (!kept.isEmpty()) chains_.push_back(kept);
  }
}

QString ScanLayoutModel::setNotation(const QString& text) {
  QString error;
  const ScanChains parsed = ParseNotation(text, names_, &error);
  if (!error.isEmpty()) return QStringLiteral("scan layout '%1': %2").arg(text.trimmed(), error);
  NamedChains chains;
  for (const auto& chain : parsed) {
    QStringList names;
    for (int r : chain) {
      if (const QString rule = checkRuleOf(names_[r]); !rule.isEmpty())
        return QStringLiteral("scan layout '%1': register '%2' cannot be scanned (%3)")
            .arg(text.trimmed(), names_[r], rule);
      names << names_[r];
    }
    chains.push_back(names);
  }
  setChains(chains);
  return {};
}

QString ScanLayoutModel::notation() const {
  ScanChains indexed;
  for (const auto& chain : chains_) {
    auto& indices = indexed.emplace_back();
    for (const auto& name : chain) indices.push_back(static_cast<int>(names_.indexOf(name)));
  }
  return NamedNotation(indexed, names_);
}

void ScanLayoutModel::fullScan(int chainCount) {
  chains_.clear();
  QStringList scannable = names_;
  scannable.removeIf([this](const QString& name) { return !isScannable(name); });
  const int n = static_cast<int>(scannable.size());
  const int k = std::clamp(chainCount, 1, std::max(n, 1));
  for (int c = 0, next = 0; c < k && next < n; ++c) {
    const int length = n / k + (c < n % k ? 1 : 0);
    chains_.push_back(scannable.mid(next, length));
    next += length;
  }
}

void ScanLayoutModel::dropEmptyChains() {
  chains_.erase(std::remove_if(chains_.begin(), chains_.end(), [](const QStringList& c) { return c.isEmpty(); }),
                chains_.end());
}
