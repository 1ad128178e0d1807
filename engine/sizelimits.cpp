#include "sizelimits.h"

#include "error.h"
#include "model.h"

bool LinkLimits::admit(const Port* from, const Port* to, long line) {
  if (total_ >= MAX_CIRCUIT_LINKS) {
    error("Circuit has more than %ld links (line %ld)!\n", MAX_CIRCUIT_LINKS, line);
    return false;
  }
  std::uint32_t& out = fanOut_[from];
  if (out >= MAX_LINKS_PER_PORT) {
    error("Port '%s' drives more than %ld links (line %ld)!\n", from->getName().c_str(), MAX_LINKS_PER_PORT, line);
    return false;
  }
  std::uint32_t& in = fanIn_[to];
  if (in >= MAX_LINKS_PER_PORT) {
    error("Port '%s' is driven by more than %ld links (line %ld)!\n", to->getName().c_str(), MAX_LINKS_PER_PORT,
          line);
    return false;
  }
  ++out;
  ++in;
  ++total_;
  return true;
}
