// The testability measure the modern engine commands use (their --measure
// option): the fixpoint measure, their default, or the classic one. The
// classic command forms have no such option and are never given one.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

enum class EngineMeasure { Fixpoint, Classic };

// The option's value of `measure`: "fixpoint" or "classic".
QString MeasureName(EngineMeasure measure);
// The measure named `name`; nullopt for any other text.
std::optional<EngineMeasure> MeasureNamed(const QString& name);
// The name shown to the user ("Fixpoint (order-independent)", "Classic").
QString MeasureLabel(EngineMeasure measure);

// True for an engine command line whose command takes --measure (analyse,
// optimise, compare, faultsim); false for the classic forms ("diffeq -n 0 ...").
bool TakesMeasure(const QStringList& arguments);
// `arguments` with `--measure NAME` when the command takes it (a --measure
// already given is replaced); any other command line as it is.
QStringList WithMeasure(QStringList arguments, EngineMeasure measure);
