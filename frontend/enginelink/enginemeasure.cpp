#include "enginelink/enginemeasure.h"

QString MeasureName(EngineMeasure measure) {
  return measure == EngineMeasure::Classic ? QStringLiteral("classic") : QStringLiteral("fixpoint");
}

std::optional<EngineMeasure> MeasureNamed(const QString& name) {
  if (name == u"fixpoint") return EngineMeasure::Fixpoint;
  if (name == u"classic") return EngineMeasure::Classic;
  return std::nullopt;
}

QString MeasureLabel(EngineMeasure measure) {
  return measure == EngineMeasure::Classic ? QStringLiteral("Classic") : QStringLiteral("Fixpoint (order-independent)");
}

bool TakesMeasure(const QStringList& arguments) {
  if (arguments.isEmpty()) return false;
  const QString& command = arguments.front();
  return command == u"analyse" || command == u"optimise" || command == u"compare" || command == u"faultsim";
}

QStringList WithMeasure(QStringList arguments, EngineMeasure measure) {
  if (!TakesMeasure(arguments)) return arguments;
  const qsizetype given = arguments.indexOf(QStringLiteral("--measure"));
  if (given >= 0 && given + 1 < arguments.size()) {
    arguments[given + 1] = MeasureName(measure);
    return arguments;
  }
  if (given >= 0) arguments.removeAt(given);  // a dangling option is dropped
  arguments << QStringLiteral("--measure") << MeasureName(measure);
  return arguments;
}
