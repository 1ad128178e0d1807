#include "read/description_tokens.h"

#include "model/kinds.h"

namespace description {

bool BlockInput::refill() {
  pos = 0;
  end = file ? std::fread(block, 1, sizeof block, file) : 0;
  return end != 0;
}

port_type portKindNamed(const std::string& s) {
  if (s == "in") return IN;
  if (s == "out") return OUT;
  if (s == "inout") return INOUT;
  if (s == "clk") return CIN_CLK;
  if (s == "sel") return CIN_SEL;
  return P_UNKNOWN;
}

item_type itemKindNamed(const std::string& s) {
  for (int t = UUA; t < I_UNKNOWN; ++t)
    if (kItemKinds[t].declarable && s == kItemKinds[t].name) return static_cast<item_type>(t);
  return I_UNKNOWN;
}

}  // namespace description
