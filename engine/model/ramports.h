// The ports of a writable memory (RAM item) by role. A RAM has one or more
// write ports, each an address "waddr", data "wdata" and enable "we" (the
// second and later with a number: "waddr1", "wdata1", "we1"), one clock, and
// one or more read ports, each an address "raddrK" and data "rdataK". Ports of
// one write or read port share their number.
#pragma once

#include <string_view>

#include "model/model.h"

enum class RamRole : unsigned char { OTHER, WRITE_ADDR, WRITE_DATA, WRITE_ENABLE, READ_ADDR, READ_DATA, CLOCK };

// The role of a RAM port and, in `number`, the number of its write or read port ("" for the first write port).
inline RamRole ramRoleOf(const Port* p, std::string_view& number) {
  std::string_view name = p->getName();
  const size_t dot = name.rfind(NAME_SEPARATOR);
  if (dot != std::string_view::npos) name.remove_prefix(dot + 1);
  struct Prefix {
    std::string_view text;
    RamRole role;
    port_type type;
  };
  static constexpr Prefix kPrefixes[] = {  // a constant table; "we" after "wdata" and "waddr"
      {"waddr", RamRole::WRITE_ADDR, IN},  {"wdata", RamRole::WRITE_DATA, IN}, {"we", RamRole::WRITE_ENABLE, CIN_SEL},
      {"raddr", RamRole::READ_ADDR, IN},   {"rdata", RamRole::READ_DATA, OUT},
  };
  if (p->getType() == CIN_CLK) return RamRole::CLOCK;
  for (const Prefix& k : kPrefixes)
    if (name.substr(0, k.text.size()) == k.text && p->getType() == k.type) {
      number = name.substr(k.text.size());
      return k.role;
    }
  return RamRole::OTHER;
}

// The port of `ram` with role `role` and number `number`, or null.
inline Port* ramPort(const Item* ram, RamRole role, std::string_view number) {
  for (Port* p = ram->getPList(); p; p = p->getNext()) {
    std::string_view n;
    if (ramRoleOf(p, n) == role && n == number) return p;
  }
  return nullptr;
}
