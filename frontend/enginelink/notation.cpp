#include "enginelink/notation.h"

#include <string>
#include <unordered_map>

#include "scan/notation_text.h"

// The text is read and printed by the engine's notation library
// (scan/notation_text.h); this file converts at the edge, QString to UTF-8
// and back, and keeps the front end's own words for faults.
//
// Index convention: the front end's register lists are in the order the
// registers are described, so classic digit d is index d of the list (the
// engine numbers them the other way round, index R-1-d, in its own adapter).
// Digits therefore pass through unchanged here, in both directions.

namespace {

std::string utf8(QStringView text) { return text.toString().toStdString(); }

// The register names as UTF-8, with a lookup that finds the first of a name.
struct RegisterNames {
  explicit RegisterNames(const QStringList& registers) {
    names.reserve(static_cast<std::size_t>(registers.size()));
    for (const QString& name : registers) names.push_back(name.toStdString());
    byName.reserve(names.size());
    for (std::size_t r = 0; r < names.size(); ++r) byName.emplace(names[r], static_cast<int>(r));
  }
  // The lookup points into `names`: not to be copied.
  RegisterNames(const RegisterNames&) = delete;
  RegisterNames& operator=(const RegisterNames&) = delete;
  int indexOf(std::string_view name) const {
    const auto it = byName.find(name);
    return it == byName.end() ? -1 : it->second;
  }
  const std::string* name(int r) const {
    return r >= 0 && r < static_cast<int>(names.size()) ? &names[static_cast<std::size_t>(r)] : nullptr;
  }
  std::vector<std::string> names;
  std::unordered_map<std::string_view, int> byName;
};

// The front end's words for a fault of a typed notation.
QString inFrontEndWords(const notation::Problem& problem) {
  const QString subject = QString::fromStdString(problem.subject);
  switch (problem.fault) {
    case notation::Fault::none: return {};
    case notation::Fault::noSuchDigit: return QStringLiteral("register %1 does not exist").arg(subject);
    case notation::Fault::digitTwice: return QStringLiteral("register %1 is named twice").arg(subject);
    case notation::Fault::emptyChain:
    case notation::Fault::emptyName: return QStringLiteral("an empty register name");
    case notation::Fault::unknownName: return QStringLiteral("unknown register '%1'").arg(subject);
    case notation::Fault::nameTwice: return QStringLiteral("register '%1' is named twice").arg(subject);
    default: return QString::fromStdString(notation::describe(problem));  // not given by the front end's rules
  }
}

}  // namespace

bool IsClassicNotation(QStringView notation) { return notation::isClassic(utf8(notation)); }

ScanChains ParseClassicNotation(QStringView notation) { return notation::readDigits(utf8(notation)); }

ScanChains ParseNotation(QStringView notation, const QStringList& registers, QString* error) {
  if (error != nullptr) error->clear();
  const std::string whole = utf8(notation);
  const std::string_view text = notation::trimSpaces(whole);
  const int count = static_cast<int>(registers.size());
  ScanChains chains;
  notation::Problem problem;
  if (notation::isClassic(text)) {
    problem = notation::readClassic(text, count, notation::ClassicRule::distinct, chains);
  } else {
    const RegisterNames names(registers);
    const auto indexOf = [&names](std::string_view name) { return names.indexOf(name); };
    const notation::NamedRule typed{.trimSpaces = true, .writableOnly = false, .needsRegisters = false};
    problem = notation::readNamed(text, count, indexOf, typed, chains);
  }
  if (problem && error != nullptr) *error = inFrontEndWords(problem);
  return chains;
}

QString ClassicNotation(const ScanChains& chains) { return QString::fromStdString(notation::printClassic(chains)); }

QString NamedNotation(const ScanChains& chains, const QStringList& registers) {
  const RegisterNames names(registers);
  const auto nameOf = [&names](int r) { return names.name(r); };
  return QString::fromStdString(notation::printNamed(chains, nameOf, false));
}

int CountNotationChains(QStringView notation) { return notation::countChains(utf8(notation)); }

int CountNotationRegisters(QStringView notation) { return notation::countDigits(utf8(notation)); }

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
