#include "notation.h"

#include <QSet>

namespace {

// Adds `name` to the current chain, or says why it cannot be added.
QString addRegister(const QString& name, const QStringList& registers, QSet<QString>& seen, QStringList& chain) {
  if (!registers.contains(name)) return QStringLiteral("unknown register '%1'").arg(name);
  if (seen.contains(name)) return QStringLiteral("register '%1' given twice").arg(name);
  seen.insert(name);
  chain << name;
  return {};
}

NotationResult failure(const QString& text, const QString& what) {
  NotationResult r;
  r.error = QStringLiteral("scan layout '%1': %2").arg(text, what);
  return r;
}

}  // namespace

bool IsNotationName(const QString& name) {
  if (name.isEmpty()) return false;
  for (const QChar c : name)
    if (c == u',' || c == u'.' || c == u'\'' || c == u'"' || c.isSpace()) return false;
  return true;
}

bool IsClassicNotation(const QString& text) {
  if (text.isEmpty()) return false;
  for (const QChar c : text)
    if (!c.isDigit() && c != u'.') return false;
  return true;
}

NotationResult ParseNotation(const QString& text, const QStringList& registers) {
  ScanChains chains;
  if (text.isEmpty()) return {chains, {}};
  const bool classic = IsClassicNotation(text);
  QSet<QString> seen;
  for (const QString& group : text.split(u'.')) {
    if (group.isEmpty()) return failure(text, QStringLiteral("empty chain"));
    QStringList chain;
    if (classic) {
      for (const QChar digit : group) {
        const int index = digit.digitValue();
        if (index < 0 || index >= registers.size())
          return failure(text, QStringLiteral("no register number %1").arg(digit));
        const QString error = addRegister(registers[index], registers, seen, chain);
        if (!error.isEmpty()) return failure(text, error);
      }
    } else {
      for (const QString& name : group.split(u',')) {
        if (name.isEmpty()) return failure(text, QStringLiteral("empty register name"));
        const QString error = addRegister(name, registers, seen, chain);
        if (!error.isEmpty()) return failure(text, error);
      }
    }
    chains.push_back(std::move(chain));
  }
  return {std::move(chains), {}};
}

QString NamedNotation(const ScanChains& chains) {
  QStringList groups;
  for (const QStringList& chain : chains)
    if (!chain.isEmpty()) groups << chain.join(u',');
  return groups.join(u'.');
}

std::optional<QString> ClassicNotation(const ScanChains& chains, const QStringList& registers) {
  QStringList groups;
  for (const QStringList& chain : chains) {
    if (chain.isEmpty()) continue;
    QString group;
    for (const QString& name : chain) {
      const qsizetype index = registers.indexOf(name);
      if (index < 0 || index > 9) return std::nullopt;
      group += QChar(u'0' + static_cast<char16_t>(index));
    }
    groups << group;
  }
  return groups.join(u'.');
}
