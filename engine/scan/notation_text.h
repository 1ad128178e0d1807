// The scan layout notation as text, shared by the engine and the front end
// (library tarvexnotation: the standard library only, no circuit, no Qt).
// Chains are separated by '.', each listing its registers from the scan
// input on, in one of two forms:
//  - classic: each register is one digit ("01.2"); a text of only digits
//    and '.' is always read this way;
//  - named: each register is its item name, the registers of a chain
//    separated by ',' ("x_var,u_var.y_var").
// This library reads and prints the text. Classic texts are read as digits
// and named texts as the indices the caller's lookup gives; which register a
// digit stands for is the caller's to decide (scan/notation.h for the engine,
// enginelink/notation.h for the front end).
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace notation {

// Chains from the scan input on: digits (classic form) or register indices.
using Chains = std::vector<std::vector<int>>;

// What is wrong with a notation.
enum class Fault {
  none,
  noRegisters,     // the circuit has no register to lay out
  emptyChain,      // a chain with no register ("0..1", "a.")
  badCharacter,    // a classic text holds something other than digits and '.'
  tooManyChains,   // more chains than registers
  chainTooLong,    // a chain longer than the register count
  noSuchDigit,     // a digit beyond the registers (subject: the digit)
  digitTwice,      // a digit written twice where that is refused (subject: the digit)
  emptyName,       // an empty register name ("a,,b")
  unwritableName,  // a name holding ',', '.', a quote or a space (subject: the name)
  unknownName,     // no register has this name (subject: the name)
  nameTwice,       // a register named twice (subject: the name)
  digitNames,      // a named text of digits alone, which reads back as classic
};

// A fault and what it is about (a digit or a name), if anything.
struct Problem {
  Fault fault = Fault::none;
  std::string subject;
  // True when there is a fault.
  explicit operator bool() const { return fault != Fault::none; }
};

// The engine's words for a problem ("" for none); the front end has its own.
std::string describe(const Problem& problem);

// True when `text` is made only of digits and '.' (the classic form).
bool isClassic(std::string_view text);

// The '.'-separated groups of `text`, empty ones included; "" has none.
std::vector<std::string_view> splitChains(std::string_view text);

// Number of chains of `text` ('.' count + 1; 0 for "").
int countChains(std::string_view text);

// Number of digits of `text` (the registers of a classic text).
int countDigits(std::string_view text);

// The digits of each '.'-separated group of `text`, other characters
// skipped, empty groups kept; "" has no chain.
Chains readDigits(std::string_view text);

// How strictly a classic text is read.
enum class ClassicRule {
  // Every chain has a digit, at most `nregs` chains of at most `nregs`
  // digits; a digit may come twice (the engine's reading).
  shaped,
  // Empty chains are kept and "" has none; each digit comes at most once
  // (the front end's reading of a typed text).
  distinct,
};

// Reads the classic text `text` for `nregs` registers into `digits`; on a
// fault `digits` is left empty.
Problem readClassic(std::string_view text, int nregs, ClassicRule rule, Chains& digits);

// The fault of `text` as a classic notation for `nregs` registers under the
// shaped rule, if any.
Problem classicProblem(std::string_view text, int nregs);

// The fault of `name` as a register in a named notation, if any.
Problem nameProblem(std::string_view name);

// Index of the register of a name among `nregs` registers, or -1.
using IndexOf = std::function<int(std::string_view name)>;

// How a named text is read.
struct NamedRule {
  // Spaces around the text and around each name are dropped (white space as
  // Unicode has it, in UTF-8), for a text typed by hand.
  bool trimSpaces = false;
  // Names that could not be written back (nameProblem) are refused even
  // when a register has them.
  bool writableOnly = true;
  // A circuit without registers is a fault of its own, before any name.
  bool needsRegisters = true;
};

// Reads the named text `text` for `nregs` registers found by `indexOf` into
// `indices`; each register at most once. On a fault `indices` is left empty.
Problem readNamed(std::string_view text, int nregs, const IndexOf& indexOf, const NamedRule& rule,
                  Chains& indices);

// The classic text of `chains`: each value in decimal, chains joined by '.'
// (empty chains included, so "0..1" prints back as it was read).
std::string printClassic(const Chains& chains);

// Name of register `index`, or nullptr to leave it out.
using NameOf = std::function<const std::string*(int index)>;

// The named text of `chains`: names joined by ',' within a chain and '.'
// between chains; chains without a name are left out. With `writableOnly`,
// a name that cannot be written or a text that would read back as classic
// gives "" with `problem` set (when given).
std::string printNamed(const Chains& chains, const NameOf& nameOf, bool writableOnly, Problem* problem = nullptr);

// `text` without the white space around it (Unicode white space in UTF-8).
std::string_view trimSpaces(std::string_view text);

}  // namespace notation
