// Scan layout notations, the one place the front end reads and writes them,
// over the engine's Qt-free notation library (scan/notation_text.h).
// The classic form is groups of digits separated by '.', each digit a register
// index ("01.2"); the named form separates chains by '.' and the registers of
// a chain by ',', each register given by its item name ("x_var,u_var.y_var").
// Register lists are in the order the registers are described: digit d is
// index d (notation.cpp says how this differs from the engine's numbering).
#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include "scan/notation_text.h"

// Chains of register indexes, each from its scan input on. A group may be
// empty when a notation has two points in a row.
using ScanChains = notation::Chains;

// The chains of a classic notation: one chain per '.'-separated group, one
// register per digit (its value); other characters are skipped. The empty
// text has no chain.
ScanChains ParseClassicNotation(QStringView notation);

// True when the text has only digits and points (the classic form).
bool IsClassicNotation(QStringView notation);

// The chains of a notation in either form, registers indexed into
// `registers` (the classic form's digits index it too). Empty, with
// `error` set for an unknown name, a register named twice or an empty name.
ScanChains ParseNotation(QStringView notation, const QStringList& registers, QString* error);

// The classic text of chains: digits, groups joined by '.'.
QString ClassicNotation(const ScanChains& chains);

// The named text of chains: item names joined by ',' within a chain and '.'
// between chains; indexes outside `registers` are left out.
QString NamedNotation(const ScanChains& chains, const QStringList& registers);

// Number of scan chains of a notation (0 for the empty notation).
int CountNotationChains(QStringView notation);

// Number of scan registers of a classic notation (its digits).
int CountNotationRegisters(QStringView notation);

// The register form of a classic notation shown in the history: digit k
// becomes "R" followed by k+1, points stay, any other character becomes "R".
QString RegisterForm(QStringView notation);
