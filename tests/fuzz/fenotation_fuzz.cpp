// Fuzz target: the front end's notation reader, both forms, over the
// registers of diffeq; what it accepts must print and read back the same.
#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "enginelink/notation.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  static const QStringList registers = {QStringLiteral("reg1"), QStringLiteral("reg2"), QStringLiteral("reg3"),
                                        QStringLiteral("reg4"), QStringLiteral("reg5"), QStringLiteral("reg6"),
                                        QStringLiteral("reg7")};
  (void)ParseClassicNotation(text);
  (void)CountNotationChains(text);
  QString error;
  const ScanChains chains = ParseNotation(text, registers, &error);
  if (!error.isEmpty()) return 0;
  for (const auto& chain : chains) {
    if (chain.empty()) return 0;  // "0..1": the empty group has no named text
    for (int reg : chain)
      if (reg < 0 || reg >= registers.size()) return 0;  // digits beyond diffeq's registers
  }
  const QString named = NamedNotation(chains, registers);
  QString again;
  if (ParseNotation(named, registers, &again) != chains && again.isEmpty()) std::abort();
  return 0;
}
