#include "enginelink/notation.h"

#include <unordered_set>

namespace {

// Splits a notation into its '.'-separated groups; the empty text has none.
std::vector<QStringView> groupsOf(QStringView notation) {
  std::vector<QStringView> groups;
  if (notation.isEmpty()) return groups;
  qsizetype start = 0;
  for (qsizetype i = 0; i <= notation.size(); ++i) {
    if (i == notation.size() || notation[i] == u'.') {
      groups.push_back(notation.mid(start, i - start));
      start = i + 1;
    }
  }
  return groups;
}

}  // namespace

bool IsClassicNotation(QStringView notation) {
  for (QChar c : notation)
    if (!(c == u'.' || (c >= u'0' && c <= u'9'))) return false;
  return true;
}

ScanChains ParseClassicNotation(QStringView notation) {
  ScanChains chains;
  for (QStringView group : groupsOf(notation)) {
    auto& chain = chains.emplace_back();
    for (QChar c : group)
      if (c >= u'0' && c <= u'9') chain.push_back(c.unicode() - u'0');
  }
  return chains;
}

ScanChains ParseNotation(QStringView notation, const QStringList& registers, QString* error) {
  auto fail = [error](const QString& why) {
    if (error != nullptr) *error = why;
    return ScanChains{};
  };
  if (error != nullptr) error->clear();
  const QString text = notation.trimmed().toString();
  if (IsClassicNotation(text)) {
    ScanChains chains = ParseClassicNotation(text);
    std::unordered_set<int> seen;
    for (const auto& chain : chains)
      for (int r : chain) {
        if (r >= registers.size()) return fail(QStringLiteral("register %1 does not exist").arg(r));
        if (!seen.insert(r).second) return fail(QStringLiteral("register %1 is named twice").arg(r));
      }
    return chains;
  }
  ScanChains chains;
  std::unordered_set<int> seen;
  for (QStringView group : groupsOf(text)) {
    auto& chain = chains.emplace_back();
    for (QStringView name : group.split(u',')) {
      const QString trimmed = name.trimmed().toString();
      if (trimmed.isEmpty()) return fail(QStringLiteral("an empty register name"));
      const auto index = static_cast<int>(registers.indexOf(trimmed));
      if (index < 0) return fail(QStringLiteral("unknown register '%1'").arg(trimmed));
      if (!seen.insert(index).second) return fail(QStringLiteral("register '%1' is named twice").arg(trimmed));
      chain.push_back(index);
    }
  }
  return chains;
}

QString ClassicNotation(const ScanChains& chains) {
  QString text;
  for (std::size_t g = 0; g < chains.size(); ++g) {
    if (g > 0) text += u'.';
    for (int r : chains[g]) text += QString::number(r);
  }
  return text;
}

QString NamedNotation(const ScanChains& chains, const QStringList& registers) {
  QStringList groups;
  for (const auto& chain : chains) {
    QStringList names;
    for (int r : chain)
      if (r >= 0 && r < registers.size()) names << registers[r];
    if (!names.isEmpty()) groups << names.join(u',');
  }
  return groups.join(u'.');
}

int CountNotationChains(QStringView notation) { return static_cast<int>(groupsOf(notation).size()); }

int CountNotationRegisters(QStringView notation) {
  int registers = 0;
  for (const auto& chain : ParseClassicNotation(notation)) registers += static_cast<int>(chain.size());
  return registers;
}

QString RegisterForm(QStringView notation) {
  QString text;
  for (QChar c : notation) {
    if (c.isDigit()) {
      text += u'R';
      text += QString::number(c.digitValue() + 1);
    } else if (c == u'.') {
      text += u'.';
    } else {
      text += u'R';
    }
  }
  return text;
}
