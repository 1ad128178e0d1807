#include "model/sizelimits.h"

#include "base/diagnostics.h"
#include "model/model.h"

bool LinkLimits::admit(const Port* from, const Port* to, long line, Diagnostics& diagnostics) {
  if (total_ >= MAX_CIRCUIT_LINKS) {
    diagnostics.error("Circuit has more than %ld links (line %ld)!\n", MAX_CIRCUIT_LINKS, line);
    return false;
  }
  if (from->getNLinksOut() >= MAX_LINKS_PER_PORT) {
    diagnostics.error("Port '%s' drives more than %ld links (line %ld)!\n", from->getName().c_str(), MAX_LINKS_PER_PORT, line);
    return false;
  }
  if (to->getNLinksIn() >= MAX_LINKS_PER_PORT) {
    diagnostics.error("Port '%s' is driven by more than %ld links (line %ld)!\n", to->getName().c_str(), MAX_LINKS_PER_PORT,
          line);
    return false;
  }
  ++total_;
  return true;
}
