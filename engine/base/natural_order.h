// Names in the order people read numbered names: "u2" before "u10", digit
// runs compared by their value, everything else character by character.
#pragma once

#include <string_view>

// True when `a` comes before `b` with digit runs compared as numbers (ties on value broken by the text).
bool naturalLess(std::string_view a, std::string_view b);

// `naturalLess` as a comparator object, for ordered containers.
struct NaturalLess {
  bool operator()(std::string_view a, std::string_view b) const { return naturalLess(a, b); }
};
