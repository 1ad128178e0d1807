// The scan-readiness checks of a design: every rule over a Yosys netlist,
// with the pins held in test mode.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "checks/findings.h"
#include "checks/netlist.h"

// A primary input held in test mode: "name" (every bit) or "name[i]", and its value.
struct HeldPin {
  std::string port;
  bool value = false;
};

// Reads "PORT=VALUE" (VALUE 0 or 1; PORT a name or name[i]); false when it is not one.
bool parseHeldPin(const std::string& text, HeldPin& pin);

// The yosys passes `tarvex check` runs on Verilog after `hierarchy -top`:
// elaboration only, so that nothing the review is about is optimised away.
inline constexpr const char* kCheckPasses = "proc; flatten";

// Runs every rule on `netlist` with `held` pins in test mode. Test-mode pins
// that are no input of the design go to `problems`; false when any did.
bool runChecks(const CheckNetlist& netlist, const std::vector<HeldPin>& held, CheckReport& report,
               std::vector<std::string>& problems);
