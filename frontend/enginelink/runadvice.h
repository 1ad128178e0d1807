// Plain advice for a learner when a run cannot start or fails: what is wrong
// and what to do, in one sentence, beside the engine's own messages.
#pragma once

#include <QString>
#include <QStringList>

// The result files of the circuit `name` that an analysis or a design run
// writes anew (the appended log `NAME.gar` is not one of them).
QStringList ReplacedResultFiles(const QString& name);

// Why the description `name` in `folder` cannot be analysed now (the folder
// or the file missing, a folder instead of a file, unreadable, empty); empty
// when it looks readable.
QString DescriptionProblem(const QString& folder, const QString& name);

// One plain sentence on what went wrong, from the engine's error text, and
// what to do about it.
QString PlainFailureAdvice(const QString& engineErrors, const QString& name);

// `file` with ".txt" added when it has no suffix.
QString WithTextSuffix(const QString& file);
