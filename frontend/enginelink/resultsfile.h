// Reader of the engine's one-line results file (NAME.par): the layout, the
// node count and the figures, each field followed by a blank.
#pragma once

#include <QByteArray>
#include <QString>

// The figures of the last results file read, exactly as read.
struct LastResults {
  QString scanLayout;     // the notation, digits and points only; empty = none
  QString nodes;          // field 2
  QString testability;    // field 3
  double testabilityValue = 0.0;
  QString conRatio;       // field 4, percent
  QString obsRatio;       // field 5, percent
  QString ioOverhead;     // field 6, percent
  QString areaOverhead;   // field 7, percent
  QString fitness;        // field 8
  double fitnessValue = 0.0;
};

// Number of fields a complete results file has.
inline constexpr int kResultFields = 8;

// Splits "diffeq.par" content into results: blank-separated fields, the
// notation reduced to digits and points; fields that are missing stay empty.
LastResults ParseResults(const QByteArray& content);

// True when the content holds all kResultFields fields, each ended by its
// blank: a file cut short (still being written, or truncated) is not.
bool ResultsComplete(const QByteArray& content);
