#include "enginelink/resultjson.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <cmath>

namespace {

// Reads the fields of one JSON object, collecting an error naming the place
// for every field of the wrong type. Absent fields keep their defaults.
class Fields {
 public:
  Fields(const QJsonObject& object, QString place, QStringList& errors)
      : object_(object), place_(std::move(place)), errors_(errors) {}

  void text(const char* key, QString& out, bool required = false) const {
    const QJsonValue v = object_.value(QLatin1String(key));
    if (v.isUndefined()) {
      if (required) fail(key, "is missing");
      return;
    }
    if (!v.isString()) return fail(key, "is not a string");
    out = v.toString();
  }

  // A string or null (left empty).
  void textOrNull(const char* key, QString& out) const {
    if (object_.value(QLatin1String(key)).isNull()) return;
    text(key, out);
  }

  // Calls `each(fields)` with the fields of the object field `key`; false
  // when there is none (or it is no object, an error).
  template <class Each>
  bool object(const char* key, Each each) const {
    const QJsonValue v = object_.value(QLatin1String(key));
    if (v.isUndefined()) return false;
    if (!v.isObject()) {
      fail(key, "is not an object");
      return false;
    }
    const QJsonObject o = v.toObject();
    each(Fields(o, at(key), errors_));
    return true;
  }

  void number(const char* key, double& out) const {
    const QJsonValue v = object_.value(QLatin1String(key));
    if (v.isUndefined()) return;
    if (!v.isDouble() || !std::isfinite(v.toDouble())) return fail(key, "is not a number");
    out = v.toDouble();
  }

  void integer(const char* key, int& out) const {
    double d = out;
    number(key, d);
    if (d != std::floor(d) || std::fabs(d) > 1e9) return fail(key, "is not a whole number");
    out = static_cast<int>(d);
  }

  void optionalInteger(const char* key, std::optional<qint64>& out) const {
    const QJsonValue v = object_.value(QLatin1String(key));
    if (v.isUndefined() || v.isNull()) return;
    const double d = v.toDouble(std::nan(""));
    if (!v.isDouble() || d != std::floor(d) || std::fabs(d) > 9.0e15) return fail(key, "is not a whole number");
    out = static_cast<qint64>(d);
  }

  void optionalNumber(const char* key, std::optional<double>& out) const {
    const QJsonValue v = object_.value(QLatin1String(key));
    if (v.isUndefined() || v.isNull()) return;
    double d = 0.0;
    number(key, d);
    out = d;
  }

  void boolean(const char* key, bool& out) const {
    const QJsonValue v = object_.value(QLatin1String(key));
    if (v.isUndefined()) return;
    if (!v.isBool()) return fail(key, "is not true or false");
    out = v.toBool();
  }

  void names(const char* key, QStringList& out) const { readNames(object_.value(QLatin1String(key)), at(key), out); }

  // Calls `each(object, place)` for every object of the array field `key`.
  template <class Each>
  void objects(const char* key, Each each) const {
    const QJsonValue v = object_.value(QLatin1String(key));
    if (v.isUndefined()) return;
    if (!v.isArray()) return fail(key, "is not a list");
    const QJsonArray list = v.toArray();
    for (qsizetype i = 0; i < list.size(); ++i) {
      const QString place = QStringLiteral("%1[%2]").arg(at(key)).arg(i);
      if (!list[i].isObject())
        errors_ << place + QStringLiteral(": is not an object");
      else
        each(list[i].toObject(), place);
    }
  }

  // Appends to `out` one element per object of the array field `key`, each
  // filled by `fill(fields, element)` from the fields of its object.
  template <class T, class Fill>
  void list(const char* key, std::vector<T>& out, Fill fill) const {
    objects(key, [&](const QJsonObject& o, const QString& place) {
      T element;
      fill(Fields(o, place, errors_), element);
      out.push_back(std::move(element));
    });
  }

  // Reads the list of name lists `key` (the scan chains).
  void nameLists(const char* key, std::vector<QStringList>& out) const {
    const QJsonValue v = object_.value(QLatin1String(key));
    if (v.isUndefined()) return;
    if (!v.isArray()) return fail(key, "is not a list");
    const QJsonArray list = v.toArray();
    for (qsizetype i = 0; i < list.size(); ++i) {
      QStringList names;
      readNames(list[i], QStringLiteral("%1[%2]").arg(at(key)).arg(i), names);
      out.push_back(std::move(names));
    }
  }

 private:
  QString at(const char* key) const {
    return place_.isEmpty() ? QString::fromLatin1(key) : place_ + u'.' + QLatin1String(key);
  }
  void fail(const char* key, const char* what) const { errors_ << at(key) + QStringLiteral(": ") + QLatin1String(what); }
  void readNames(const QJsonValue& v, const QString& place, QStringList& out) const {
    if (v.isUndefined()) return;
    if (!v.isArray()) {
      errors_ << place + QStringLiteral(": is not a list");
      return;
    }
    const QJsonArray list = v.toArray();
    for (qsizetype i = 0; i < list.size(); ++i) {
      if (list[i].isString())
        out << list[i].toString();
      else
        errors_ << QStringLiteral("%1[%2]: is not a string").arg(place).arg(i);
    }
  }

  const QJsonObject& object_;
  QString place_;
  QStringList& errors_;
};

// Parses `text` into a top-level object, or records why it cannot.
std::optional<QJsonObject> topObject(const QByteArray& text, QStringList& errors) {
  QJsonParseError error{};
  const QJsonDocument doc = QJsonDocument::fromJson(text, &error);
  if (error.error != QJsonParseError::NoError) {
    errors << QStringLiteral("offset %1: %2").arg(error.offset).arg(error.errorString());
    return std::nullopt;
  }
  if (!doc.isObject()) {
    errors << QStringLiteral("top level: is not an object");
    return std::nullopt;
  }
  return doc.object();
}

void readItems(const Fields& f, CircuitResult& r) {
  f.list("items", r.items, [](const Fields& g, CircuitItem& item) {
    g.text("name", item.name, true);
    g.text("kind", item.kind, true);
    g.list("ports", item.ports, [](const Fields& h, CircuitPort& port) {
      h.text("name", port.name, true);
      h.text("type", port.type);
      h.integer("bits", port.bits);
    });
  });
  f.list("links", r.links, [](const Fields& g, CircuitLink& link) {
    g.text("from", link.from, true);
    g.text("to", link.to, true);
  });
}

void readFigures(const Fields& f, CircuitResult& r) {
  f.list("registers", r.registers, [](const Fields& g, RegisterFigures& reg) {
    g.text("name", reg.name, true);
    g.boolean("scanned", reg.scanned);
    g.integer("chain", reg.chain);
    g.integer("position", reg.position);
    g.number("con", reg.con);
    g.number("obs", reg.obs);
    g.boolean("in_loop", reg.inLoop);
  });
  f.list("ports", r.ports, [](const Fields& g, PortFigures& port) {
    g.text("name", port.name, true);
    g.integer("bits", port.bits);
    g.number("con", port.con);
    g.number("obs", port.obs);
    g.number("tst", port.tst);
  });
  f.list("loops", r.loops, [](const Fields& g, RegisterLoop& loop) {
    g.names("registers", loop.registers);
    g.boolean("broken", loop.broken);
  });
}

// What the engine derived for the views: the loop-breaking set and the
// propagation sources of every port.
void readDerived(const Fields& f, CircuitResult& r) {
  LoopBreaking breaking;
  if (f.object("loop_breaking", [&breaking](const Fields& g) {
        g.names("registers", breaking.registers);
        g.boolean("minimum", breaking.minimum);
      }))
    r.loopBreaking = std::move(breaking);
  f.list("propagation", r.propagation, [](const Fields& g, PortSources& step) {
    g.text("port", step.port, true);
    g.textOrNull("con_from", step.conFrom);
    g.textOrNull("obs_from", step.obsFrom);
  });
}

// Reads `fileName` and parses it with `parse`; errors are prefixed with the file name.
template <class T>
ReadResult<T> readFile(const QString& fileName, ReadResult<T> (*parse)(const QByteArray&)) {
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly)) {
    ReadResult<T> out;
    out.errors << QStringLiteral("%1: cannot be read (%2)").arg(fileName, file.errorString());
    return out;
  }
  ReadResult<T> out = parse(file.readAll());
  for (auto& e : out.errors) e = fileName + QStringLiteral(": ") + e;
  return out;
}

}  // namespace

const PortFigures* CircuitResult::port(const QString& name) const {
  for (const auto& p : ports)
    if (p.name == name) return &p;
  return nullptr;
}

const CircuitItem* CircuitResult::item(const QString& name) const {
  for (const auto& i : items)
    if (i.name == name) return &i;
  return nullptr;
}

const RegisterFigures* CircuitResult::reg(const QString& name) const {
  for (const auto& r : registers)
    if (r.name == name) return &r;
  return nullptr;
}

ReadResult<CircuitResult> parseCircuitResult(const QByteArray& text) {
  ReadResult<CircuitResult> out;
  const auto top = topObject(text, out.errors);
  if (!top) return out;
  CircuitResult r;
  const Fields f(*top, QString(), out.errors);
  f.text("version", r.version);
  f.text("circuit", r.circuit, true);
  f.text("method", r.method);
  f.text("objective", r.objective);
  f.optionalInteger("seed", r.seed);
  f.text("layout", r.layout);
  f.nameLists("chains", r.chains);
  f.number("fitness", r.fitness);
  f.number("testability", r.testability);
  f.number("controllability", r.controllability);
  f.number("observability", r.observability);
  f.number("controllable_percent", r.controllablePercent);
  f.number("observable_percent", r.observablePercent);
  f.number("area_overhead_percent", r.areaOverheadPercent);
  f.number("pin_overhead_percent", r.pinOverheadPercent);
  f.optionalInteger("visited", r.visited);
  f.optionalNumber("elapsed_seconds", r.elapsedSeconds);
  readFigures(f, r);
  readDerived(f, r);
  readItems(f, r);
  if (out.errors.isEmpty()) out.value = std::move(r);
  return out;
}

ReadResult<CompareResult> parseCompareResult(const QByteArray& text) {
  ReadResult<CompareResult> out;
  const auto top = topObject(text, out.errors);
  if (!top) return out;
  CompareResult r;
  const Fields f(*top, QString(), out.errors);
  f.text("circuit", r.circuit, true);
  f.text("objective", r.objective);
  f.text("version", r.version);
  f.number("area_budget_percent", r.areaBudgetPercent);
  f.number("pin_budget_percent", r.pinBudgetPercent);
  f.list("rows", r.rows, [](const Fields& g, CompareRow& row) {
    g.text("method", row.method, true);
    g.text("layout", row.layout);
    g.integer("scanned", row.scanned);
    g.integer("chains", row.chains);
    g.number("area_percent", row.areaPercent);
    g.number("pins_percent", row.pinsPercent);
    g.number("testability", row.testability);
    g.number("controllable_percent", row.controllablePercent);
    g.number("observable_percent", row.observablePercent);
    g.number("fitness", row.fitness);
    g.number("seconds", row.seconds);
    g.optionalInteger("visited", row.visited);
  });
  f.names("pareto", r.pareto);
  if (out.errors.isEmpty()) out.value = std::move(r);
  return out;
}

ReadResult<CircuitResult> readCircuitResult(const QString& fileName) {
  return readFile(fileName, parseCircuitResult);
}

ReadResult<CompareResult> readCompareResult(const QString& fileName) {
  return readFile(fileName, parseCompareResult);
}
