#include "models/propagrecords.h"

#include <QHash>

namespace {

// The letter the .pro file gives an item kind ("" for a kind it does not know).
const char* kindLetter(const QString& kind) {
  static const QHash<QString, const char*> letters = {
      {"CIRCUIT", "U "}, {"REG", "R "},  {"SREG", "S "}, {"MUX", "M "},  {"BILBO", "B "}, {"LFSR", "L "},
      {"ADD", "F "},     {"SUB", "F "},  {"MUL", "F "},  {"DIV", "F "},  {"COMP", "F "},  {"AND", "F "},
      {"OR", "F "},      {"XOR", "F "},  {"NOT", "F "},  {"LOGIC", "F "}, {"REDUCE", "F "}, {"SHIFT", "F "},
      {"ROM", "F "}};
  return letters.value(kind, "");
}

// The letter the .pro file gives a port type.
const char* typeLetter(const QString& type) {
  if (type == u"in") return "I ";
  if (type == u"out") return "O ";
  if (type == u"inout") return "B ";
  if (type == u"clk" || type == u"sel") return "C ";
  return "";
}

QByteArray fixed(double v) { return QByteArray::number(v, 'f', 6); }

}  // namespace

PropagRecordList PropagRecordsOf(const CircuitResult& circuit) {
  QHash<QString, const PortFigures*> figures;
  for (const PortFigures& p : circuit.ports) figures.insert(p.name, &p);
  QHash<QString, QPair<QString, QString>> kindAndType;  // composed port -> item kind, port type
  for (const CircuitItem& item : circuit.items)
    for (const CircuitPort& port : item.ports)
      kindAndType.insert(item.name + u'.' + port.name, {item.kind, port.type});
  // The text of the .pro file, written as the engine writes it.
  QByteArray text;
  for (const PortSources& step : circuit.propagation) {
    const auto [kind, type] = kindAndType.value(step.port);
    const PortFigures* own = figures.value(step.port);
    text += kindLetter(kind);
    text += typeLetter(type);
    text += step.port.toUtf8() + ' ';
    if (kind == u"CIRCUIT") {
      text += own && own->con == 1.0 ? "I(0.0) " : "-(0.0) ";
      text += own && own->obs == 1.0 ? "O(0.0);\n" : "-(0.0);\n";
      continue;
    }
    const PortFigures* sink = figures.value(step.obsFrom);
    text += (step.conFrom.isEmpty() ? QByteArray("-") : step.conFrom.toUtf8()) + '(' +
            fixed(!step.conFrom.isEmpty() && own ? own->con : 0.0) + ") ";
    text += (step.obsFrom.isEmpty() ? QByteArray("-") : step.obsFrom.toUtf8()) + '(' + fixed(sink ? sink->obs : 0.0) +
            ");\n";
  }
  return PropagRecordList::parse(text);
}
