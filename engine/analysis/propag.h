// Propagation rules: how controllability travels forward and observability
// backward through one item. The analysis driver (analysis.cpp) calls them.
//
// Every rule takes the two circuit totals: `nports` (P, the input, control and
// bidirectional bits of all items) and `nclks` (K, the clock total). A value
// produced for a path that needs np extra input bits and nc clock cycles is
// multC * (1 - np/(P+1)) * (1 - nc/(K+1)); a port is updated only when the new
// value is strictly above the one it holds. The rules return nonzero when some
// value changed (except where noted).
#pragma once

#include "model/model.h"

// Controllability through an adder, subtractor, multiplier, divider or comparator.
int propagFUCon(Item* iptr, int nports, int nclks);
// Controllability through a multiplexer.
int propagMuxCon(Item* iptr, int nports, int nclks);
// Controllability through a register; the caller puts `outPtr` in the ready list.
int propagRegCon(Port* inPtr, Port* clkPtr, Port* outPtr, int nports, int nclks);
// Controllability through a scan register (serial and parallel paths).
int propagSRegCon(Item* iptr, int nports, int nclks);
// Controllability through a RAM: each read data port from the best write
// port, through a clock, when the addresses are controllable. Puts every read
// data port in the ready list.
int propagRamCon(Item* iptr, int nports, int nclks);
// Outputs of a black box: never controllable; they join the ready list with 0.
int propagBlackBoxCon(Item* iptr);
// Passes the best ready data input of a multiplexer on before all inputs are ready.
int semiPropagMuxCon(Item* iptr, int nports, int nclks);
// Passes what has reached a scan register on before all inputs are ready.
int semiPropagSRegCon(Item* iptr, int nports, int nclks);

// Observability back through a functional unit; marks it done on an update.
int propagFUObs(Item* iptr, int nports, int nclks);
// Observability back through a multiplexer to its IN ports.
int propagMuxObs(Item* iptr, int nports, int nclks);
// Observability back through a register; marks it done on an update.
int propagRegObs(Item* iptr, Port* inPtr, Port* clkPtr, Port* outPtr, int nports, int nclks);
// Observability back through a RAM: write data and addresses through the read
// data, when the other side of the access is controllable.
int propagRamObs(Item* iptr, int nports, int nclks);
// Observability back through a scan register to its serial and parallel inputs.
int propagSRegObs(Item* iptr, int nports, int nclks);

// Path factor (1 - np/(P+1)) * (1 - nc/(K+1)).
double pathFactor(int np, int nc, int nports, int nclks);
// True when a full port name marks a scan port (contains "SCAN").
bool isScanPortName(const std::string& name);

// The ports of a scan register by role. A role held by several ports goes to
// the last one in port-list order.
struct SRegRoles {
  Port* clk = nullptr;
  Port* mode = nullptr;
  Port* serIn = nullptr;
  Port* parIn = nullptr;
  Port* serOut = nullptr;
  Port* parOut = nullptr;
  int regWidth = 1;  // width of the last parallel input port, 1 without one
  bool complete() const { return clk && mode && serIn && parIn && serOut && parOut; }
};

// Role of one scan register port.
enum class SRegRole : unsigned char { NONE, CLK, MODE, SER_IN, PAR_IN, SER_OUT, PAR_OUT };
// Classifies a scan register port by kind and name.
SRegRole sregRoleOf(const Port* p);
// Gives `p` its role in `r`; with `readyOnly` an input, mode or clock port
// holds its role only while it is in the ready list.
void assignSRegRole(SRegRoles& r, Port* p, SRegRole role, bool readyOnly);
// Finds the roles of a scan register by one walk of its port list.
SRegRoles findSRegRoles(const Item* iptr, bool readyOnly);

// Core of propagSRegCon with the roles already found.
int propagSRegConRoles(Item* iptr, const SRegRoles& r, int nports, int nclks);
// Core of semiPropagSRegCon; the input, mode and clock roles are held only by
// ports in the ready list (outputs regardless of readiness).
int semiPropagSRegConRoles(Item* iptr, const SRegRoles& ready, int nports, int nclks);
// Core of propagSRegObs with the roles already found.
int propagSRegObsRoles(Item* iptr, const SRegRoles& r, int nports, int nclks);
