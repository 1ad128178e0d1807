// Scan layout notation of the front end, for any register count.
// Named form: chains separated by '.', registers within a chain by ',',
// each register by its item name, from the chain's scan input on
// ("x_var,u_var.y_var"). A text made only of digits and '.' is the classic
// form: one digit per register, the digit k naming the k-th register.
// Pure text handling, no widgets.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// A scan layout: the register names of every chain, from scan input to output.
using ScanChains = std::vector<QStringList>;

// The outcome of parsing a notation: the chains, or the error.
struct NotationResult {
  std::optional<ScanChains> chains;
  QString error;  // names the notation and the fault; empty on success
  explicit operator bool() const { return chains.has_value(); }
};

// True when `name` can be written in the named form (no ',', '.', quote or
// white space, and not empty).
bool IsNotationName(const QString& name);

// True when `text` is in the classic digit form (digits and '.' only).
bool IsClassicNotation(const QString& text);

// Parses `text` against the circuit's registers (in declaration order).
// The empty text is the empty layout. Errors: an unknown name or digit, a
// register given twice, an empty chain.
NotationResult ParseNotation(const QString& text, const QStringList& registers);

// The named form of a layout; empty chains are left out.
QString NamedNotation(const ScanChains& chains);

// The classic digit form of a layout, or nothing when a register of it is not
// among the first ten of `registers`.
std::optional<QString> ClassicNotation(const ScanChains& chains, const QStringList& registers);
