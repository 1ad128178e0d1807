#include "read/linkbatch.h"

#include "model/model.h"
#include "model/nameindex.h"

bool LinkBatch::add(std::string_view itemName, std::string_view portName, bool source, long line, long linkLine) {
  Endpoint e;
  e.nameAt = text.size();
  e.itemSize = itemName.size();
  text.append(itemName).push_back(NAME_SEPARATOR);
  text.append(portName);
  e.nameSize = text.size() - e.nameAt;
  e.line = line;
  e.linkLine = linkLine;
  e.source = source;
  endpoints.push_back(e);
  return endpoints.size() >= kCapacity;
}

void LinkBatch::resolve(const Circuit& c) {
  const size_t n = endpoints.size();
  hashes.resize(n);
  items.resize(n);
  // Each pass starts the memory accesses the next pass needs.
  for (size_t k = 0; k < n; ++k) {
    hashes[k] = nameHash(nameOf(endpoints[k]).substr(0, endpoints[k].itemSize));
    c.prefetchItemEntry(hashes[k]);
  }
  for (size_t k = 0; k < n; ++k) c.prefetchItemOf(hashes[k]);
  for (size_t k = 0; k < n; ++k) {
    items[k] = c.findItemHashed(nameOf(endpoints[k]).substr(0, endpoints[k].itemSize), hashes[k]);
    if (items[k] && items[k]->getPList()) __builtin_prefetch(items[k]->getPList());
  }
  for (size_t k = 0; k < n; ++k)
    endpoints[k].port = items[k] ? c.findPortOf(items[k], nameOf(endpoints[k])) : nullptr;
}

void LinkBatch::clear() {
  text.clear();
  endpoints.clear();
}
