// A generated word-level data path of any register count, for tests and
// benchmarks (examples/datapath50.v is the same design in Verilog for 50
// registers). Register ri is loaded through multiplexer mi, either from adder
// ai (ri plus register (7i + 1) mod R) or from its feeder: a primary input for every
// eighth register, the previous register otherwise; every fourth register
// only feeds back on itself, so without a scan register its loop is never
// controlled. Every eighth register drives a primary output.
#pragma once

#include <string>

inline std::string registerDatapath(int nregs, const std::string& name = "dp") {
  std::string t = "CIR " + name + " clk(clk,1) sel(sel,1) in0(in,8) in1(in,8)";
  for (int i = 0; i < nregs; i += 8) t += " out" + std::to_string(i / 8) + "(out,8)";
  t += "\n";
  for (int i = 0; i < nregs; ++i) {
    const std::string k = std::to_string(i);
    t += "ITM a" + k + "(ADD) i1(in,8) i2(in,8) o(out,8)\n";
    t += "ITM m" + k + "(MUX) a(in,8) b(in,8) s(sel,1) q(out,8)\n";
    t += "ITM r" + k + "(REG) d(in,8) c(clk,1) q(out,8)\n";
  }
  for (int i = 0; i < nregs; ++i) {
    const std::string k = std::to_string(i);
    std::string feeder;
    if (i % 4 == 3)
      feeder = "r" + k + ".q";
    else if (i % 8 == 0)
      feeder = name + ".in" + std::to_string((i / 8) % 2);
    else
      feeder = std::string("r").append(std::to_string(i - 1)).append(".q");
    t += "LINK " + feeder + " -> m" + k + ".a\n";
    t += "LINK a" + k + ".o -> m" + k + ".b\n";
    t += "LINK m" + k + ".q -> r" + k + ".d\n";
    t += "LINK " + name + ".sel -> m" + k + ".s\n";
    t += "LINK " + name + ".clk -> r" + k + ".c\n";
    t += "LINK r" + k + ".q -> a" + k + ".i1\n";
    const int other = (i * 7 + 1) % nregs;  // a permutation: every register feeds an adder
    t += "LINK r" + std::to_string(other) + ".q -> a" + k + ".i2\n";
    if (i % 8 == 0) t += "LINK r" + k + ".q -> " + name + ".out" + std::to_string(i / 8) + "\n";
  }
  return t;
}
