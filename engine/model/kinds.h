// The properties of every item kind in one table: its name, area, how the
// analysis propagates through it, its letter in the propagation record, and
// whether a description may declare it.
#pragma once

#include <cstddef>

#include "model/defs.h"

// How the testability analysis propagates values through an item.
enum class PropagationRule : unsigned char {
  NONE,             // no rule: the analysis reports the item as of unknown kind
  PORT_HOLDER,      // the circuit's primary ports: values only move along its links
  FUNCTIONAL_UNIT,  // operators, logic, shifts, read-only memories
  REGISTER,
  MULTIPLEXER,
  SCAN_REGISTER,
  MEMORY,           // writable memories: sequential, never scanned
  BLACK_BOX,        // undefined modules: outputs uncontrollable, inputs unobservable
};

// The properties of one item kind.
struct ItemKindInfo {
  const char* name;        // as descriptions write it
  int area;                // area units of one item (of one stored bit for a RAM)
  PropagationRule rule;
  const char* letter;      // kind column of the propagation record
  bool declarable;         // may appear in an ITM line of a description
};

// Indexed by item_type, UUA .. BBOX.
inline constexpr ItemKindInfo kItemKinds[] = {
    {"UUA", 0, PropagationRule::PORT_HOLDER, "U ", false},
    {"ADD", 40, PropagationRule::FUNCTIONAL_UNIT, "F ", true},
    {"SUB", 72, PropagationRule::FUNCTIONAL_UNIT, "F ", true},
    {"MUL", 208, PropagationRule::FUNCTIONAL_UNIT, "F ", true},
    {"DIV", 300, PropagationRule::FUNCTIONAL_UNIT, "F ", true},
    {"COMP", 40, PropagationRule::FUNCTIONAL_UNIT, "F ", true},
    {"REG", 80, PropagationRule::REGISTER, "R ", true},
    {"MUX", 32, PropagationRule::MULTIPLEXER, "M ", true},
    {"SREG", 112, PropagationRule::SCAN_REGISTER, "S ", true},
    {"BILBO", 0, PropagationRule::NONE, "B ", false},
    {"LFSR", 0, PropagationRule::NONE, "L ", false},
    {"AND", 16, PropagationRule::FUNCTIONAL_UNIT, "F ", true},
    {"OR", 16, PropagationRule::FUNCTIONAL_UNIT, "F ", true},
    {"XOR", 24, PropagationRule::FUNCTIONAL_UNIT, "F ", true},
    {"NOT", 8, PropagationRule::FUNCTIONAL_UNIT, "F ", true},
    {"LOGIC", 16, PropagationRule::FUNCTIONAL_UNIT, "F ", true},
    {"REDUCE", 16, PropagationRule::FUNCTIONAL_UNIT, "F ", true},
    {"SHIFT", 48, PropagationRule::FUNCTIONAL_UNIT, "F ", true},
    {"ROM", 96, PropagationRule::FUNCTIONAL_UNIT, "F ", true},
    {"RAM", 2, PropagationRule::MEMORY, "A ", true},
    {"BBOX", 0, PropagationRule::BLACK_BOX, "X ", true},
};
static_assert(sizeof kItemKinds / sizeof kItemKinds[0] == I_UNKNOWN, "one entry per item kind");

// The properties of kind `t`, or null for a value that is no kind.
inline constexpr const ItemKindInfo* itemKind(item_type t) {
  return t >= UUA && t < I_UNKNOWN ? &kItemKinds[t] : nullptr;
}

// The propagation rule of kind `t` (NONE for a value that is no kind).
inline constexpr PropagationRule ruleOf(item_type t) {
  return t >= UUA && t < I_UNKNOWN ? kItemKinds[t].rule : PropagationRule::NONE;
}

// True for the items whose state or behaviour a path through the design cannot
// see across: registers of every kind, writable memories and black boxes.
inline constexpr bool endsCombinationalPaths(item_type t) {
  return t == REG || t == SREG || t == BILBO || t == LFSR || t == RAM || t == BBOX;
}

// Area units of one stored bit of a RAM.
inline constexpr int kRamAreaPerBit = kItemKinds[RAM].area;

// True for the functional units (the kinds propagated by the functional-unit rules).
inline constexpr bool isFunctionalUnit(item_type t) { return ruleOf(t) == PropagationRule::FUNCTIONAL_UNIT; }
