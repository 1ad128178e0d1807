#include "scan/insert/chainreport.h"

#include <algorithm>
#include <nlohmann/json.hpp>

using ojson = nlohmann::ordered_json;

namespace {

std::string edgeName(bool rising) { return rising ? "rising" : "falling"; }

// The registers of a chain in shift order, each with its width: "pc[8] ir[16]".
std::string registersOf(const ScannedChain& chain) {
  std::string text;
  for (size_t k = 0; k < chain.flops.size();) {
    size_t end = k;
    while (end < chain.flops.size() && chain.flops[end].reg == chain.flops[k].reg) ++end;
    text += (text.empty() ? "" : " ") + chain.flops[k].reg + "[" + std::to_string(end - k) + "]";
    k = end;
  }
  return text.empty() ? "(none: SCAN_OUT follows SCAN_IN)" : text;
}

std::string padded(std::string s, size_t width) {
  if (s.size() < width) s.append(width - s.size(), ' ');
  return s;
}

}  // namespace

std::string chainsJson(const std::string& module, const std::string& layout, const std::string& verilogFile,
                       const std::vector<ScannedChain>& chains) {
  ojson doc;
  doc["module"] = module;
  doc["layout"] = layout;
  doc["verilog"] = verilogFile;
  doc["scan_mode"] = scanModePort();
  doc["chains"] = ojson::array();
  for (const ScannedChain& c : chains) {
    ojson chain;
    chain["scan_in"] = c.in;
    chain["scan_out"] = c.out;
    chain["clock"] = c.clock;
    chain["edge"] = edgeName(c.risingEdge);
    chain["length"] = c.flops.size();
    ojson flops = ojson::array();
    for (const ScanFlop& f : c.flops)
      flops.push_back({{"register", f.reg}, {"bit", f.bit}, {"net", f.net}, {"net_bit", f.netBit}, {"net_width", f.netWidth}});
    chain["flops"] = std::move(flops);
    doc["chains"].push_back(std::move(chain));
  }
  return doc.dump(2) + "\n";
}

std::string chainTable(const std::vector<ScannedChain>& chains) {
  if (chains.empty()) return "No scan chain: the design only gains the input " + scanModePort() + ".\n";
  size_t inWidth = 7, outWidth = 8, clockWidth = 5;
  for (const ScannedChain& c : chains) {
    inWidth = std::max(inWidth, c.in.size());
    outWidth = std::max(outWidth, c.out.size());
    clockWidth = std::max(clockWidth, c.clock.size() + 8);
  }
  std::string text = "chain  " + padded("scan in", inWidth + 2) + padded("scan out", outWidth + 2) + "length  " +
                     padded("clock", clockWidth + 2) + "registers from the scan input\n";
  for (size_t k = 0; k < chains.size(); ++k) {
    const ScannedChain& c = chains[k];
    const std::string clock = c.clock.empty() ? "-" : c.clock + " " + edgeName(c.risingEdge);
    std::string length = std::to_string(c.flops.size());
    text += padded(std::to_string(k), 7) + padded(c.in, inWidth + 2) + padded(c.out, outWidth + 2) +
            std::string(6 - std::min<size_t>(6, length.size()), ' ') + length + "  " + padded(clock, clockWidth + 2) +
            registersOf(c) + "\n";
  }
  return text;
}
