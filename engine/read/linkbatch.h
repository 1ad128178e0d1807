// LINK endpoints of consecutive description lines, looked up together: the
// lookups go through the circuit's indexes in a few passes over the batch,
// so that their memory accesses overlap instead of waiting one by one.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class Circuit;
class Item;
class Port;

class LinkBatch {
 public:
  // One named port of a LINK line: its source, or one of its targets.
  struct Endpoint {
    size_t nameAt = 0;     // the composed name "item.port" in the batch's text
    size_t nameSize = 0;
    size_t itemSize = 0;   // characters of the item part
    long line = 0;         // line count when the name ended
    long linkLine = 0;     // line a limit message names (targets)
    bool source = false;
    Port* port = nullptr;  // after resolve: the port, or null when there is none
  };

  // Endpoints a batch holds before it must be resolved.
  static constexpr size_t kCapacity = 256;

  // Adds the endpoint `itemName`.`portName`; true when the batch is full.
  bool add(std::string_view itemName, std::string_view portName, bool source, long line, long linkLine);
  // Looks every endpoint up in `c` as Circuit::getPortPtr would, without messages.
  void resolve(const Circuit& c);
  // Forgets every endpoint.
  void clear();

  bool empty() const { return endpoints.empty(); }
  const std::vector<Endpoint>& all() const { return endpoints; }
  // The composed name of `e`.
  std::string_view nameOf(const Endpoint& e) const { return std::string_view(text).substr(e.nameAt, e.nameSize); }

 private:
  std::string text;
  std::vector<Endpoint> endpoints;
  std::vector<size_t> hashes;
  std::vector<const Item*> items;
};
