#include "enginelink/checkreport.h"

#include "enginelink/jsonfields.h"

namespace {

using jsonread::Fields;

void readSummary(const Fields& f, CheckReport& r) {
  f.object("summary", [&r](const Fields& g) {
    g.integer("flip_flops", r.flipFlops);
    g.integer("scannable_flip_flops", r.scannableFlipFlops);
    g.integer("registers", r.registerCount);
    g.integer("scannable_registers", r.scannableRegisters);
    g.integer("errors", r.errors);
    g.integer("warnings", r.warnings);
    g.integer("infos", r.infos);
  });
}

}  // namespace

const CheckRegister* CheckReport::reg(const QString& name) const {
  for (const auto& r : registers)
    if (r.name == name) return &r;
  return nullptr;
}

QString CheckReport::summary() const {
  return QStringLiteral("Design '%1': %2 of %3 flip-flops in %4 of %5 registers can be scanned; "
                        "%6 error(s), %7 warning(s), %8 info(s).")
      .arg(design)
      .arg(scannableFlipFlops)
      .arg(flipFlops)
      .arg(scannableRegisters)
      .arg(registerCount)
      .arg(errors)
      .arg(warnings)
      .arg(infos);
}

SourcePlace SourcePlaceOf(const QString& location) {
  const QString text = location.trimmed();
  if (text.isEmpty() || text == u"-") return {};
  const qsizetype colon = text.lastIndexOf(u':');
  bool ok = false;
  const int line = colon > 0 ? text.mid(colon + 1).toInt(&ok) : 0;
  if (!ok || line <= 0) return {text, 0};
  return {text.left(colon), line};
}

ReadResult<CheckReport> parseCheckReport(const QByteArray& text) {
  ReadResult<CheckReport> out;
  const auto top = jsonread::topObject(text, out.errors);
  if (!top) return out;
  CheckReport r;
  const Fields f(*top, QString(), out.errors);
  f.text("version", r.version);
  f.text("design", r.design, true);
  f.text("source", r.source);
  f.list("findings", r.findings, [](const Fields& g, CheckFinding& finding) {
    g.text("rule", finding.rule, true);
    g.text("severity", finding.severity, true);
    g.text("object", finding.object);
    g.text("location", finding.location);
    g.text("message", finding.message);
  });
  f.list("registers", r.registers, [](const Fields& g, CheckRegister& reg) {
    g.text("name", reg.name, true);
    g.text("cell", reg.cell);
    g.text("location", reg.location);
    g.integer("bits", reg.bits);
    g.boolean("scannable", reg.scannable);
    g.textOrNull("rule", reg.rule);
  });
  f.list("clock_domains", r.clockDomains, [](const Fields& g, ClockDomain& domain) {
    g.text("clock", domain.clock);
    g.text("edge", domain.edge);
    g.integer("flip_flops", domain.flipFlops);
  });
  readSummary(f, r);
  if (out.errors.isEmpty()) out.value = std::move(r);
  return out;
}

ReadResult<CheckReport> readCheckReport(const QString& fileName) {
  return jsonread::readFile(fileName, parseCheckReport);
}
