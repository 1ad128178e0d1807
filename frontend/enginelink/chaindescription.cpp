#include "enginelink/chaindescription.h"

#include <QFileInfo>

#include "enginelink/jsonfields.h"

using jsonread::Fields;

int ChainDescription::flipFlops() const {
  int total = 0;
  for (const auto& chain : chains) total += chain.length;
  return total;
}

QString ChainDescription::summary() const {
  return QStringLiteral("Wrote '%1': %2 scan chain(s), %3 flip-flop(s) scanned")
      .arg(QFileInfo(verilog).fileName())
      .arg(chains.size())
      .arg(flipFlops());
}

QString ChainDescriptionFileFor(const QString& verilogFile) {
  QString base = verilogFile;
  if (base.endsWith(QLatin1String(".sv")))
    base.chop(3);
  else if (base.endsWith(QLatin1String(".v")))
    base.chop(2);
  return base + QStringLiteral(".chains.json");
}

ReadResult<ChainDescription> parseChainDescription(const QByteArray& text) {
  ReadResult<ChainDescription> out;
  const auto top = jsonread::topObject(text, out.errors);
  if (!top) return out;
  ChainDescription d;
  const Fields f(*top, QString(), out.errors);
  f.text("module", d.module, true);
  f.text("layout", d.layout);
  f.text("verilog", d.verilog);
  f.text("scan_mode", d.scanMode);
  f.list("chains", d.chains, [](const Fields& g, ScanChainPorts& chain) {
    g.text("scan_in", chain.scanIn, true);
    g.text("scan_out", chain.scanOut, true);
    g.text("clock", chain.clock);
    g.text("edge", chain.edge);
    g.integer("length", chain.length);
    // One entry per flip-flop: the registers are named once each, in order.
    g.objects("flops", [&chain](const QJsonObject& flop, const QString&) {
      const QString name = flop.value(QLatin1String("register")).toString();
      if (!name.isEmpty() && !chain.registers.contains(name)) chain.registers << name;
    });
  });
  if (out.errors.isEmpty()) out.value = std::move(d);
  return out;
}

ReadResult<ChainDescription> readChainDescription(const QString& fileName) {
  return jsonread::readFile(fileName, parseChainDescription);
}
