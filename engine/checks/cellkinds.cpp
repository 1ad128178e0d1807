// Cell types by name: the word-level cells of yosys ($dff, $and ...) and its
// gate-level cells ($_DFF_P_, $_AND_ ...), whose names carry their polarities.
#include "checks/cellkinds.h"

#include <string_view>
#include <unordered_map>

namespace {

bool polarity(const NetCell& c, const char* param) { return c.param(param, 1) != 0; }

std::optional<RegisterKind> wordLevelRegister(const NetCell& c) {
  const std::string& t = c.type;
  RegisterKind k;
  if (t == "$dff" || t == "$dffe" || t == "$adff" || t == "$adffe" || t == "$sdff" || t == "$sdffe" ||
      t == "$sdffce" || t == "$dffsr" || t == "$dffsre" || t == "$aldff" || t == "$aldffe") {
    k.clockPin = "CLK";
    k.risingEdge = polarity(c, "CLK_POLARITY");
  } else if (t == "$dlatch" || t == "$adlatch" || t == "$dlatchsr") {
    k.latch = true;
    k.clockPin = "EN";
    k.risingEdge = polarity(c, "EN_POLARITY");
  } else if (t == "$sr") {
    k.latch = true;
  } else if (t == "$ff") {
    k.clockPin = "";
  } else {
    return std::nullopt;
  }
  if (t == "$adff" || t == "$adffe" || t == "$adlatch") k.async.push_back({"ARST", polarity(c, "ARST_POLARITY")});
  if (t == "$dffsr" || t == "$dffsre" || t == "$dlatchsr" || t == "$sr") {
    k.async.push_back({"SET", polarity(c, "SET_POLARITY")});
    k.async.push_back({"CLR", polarity(c, "CLR_POLARITY")});
  }
  if (t == "$aldff" || t == "$aldffe") k.async.push_back({"ALOAD", polarity(c, "ALOAD_POLARITY")});
  k.syncReset = t == "$sdff" || t == "$sdffe" || t == "$sdffce";
  return k;
}

// "$_DFFSR_PNP_" -> stem "DFFSR", letters "PNP".
bool splitGate(const std::string& t, std::string& stem, std::string& letters) {
  if (t.size() < 5 || t.compare(0, 2, "$_") != 0 || t.back() != '_') return false;
  const std::string body = t.substr(2, t.size() - 3);
  const size_t sep = body.find('_');
  stem = body.substr(0, sep);
  letters = sep == std::string::npos ? "" : body.substr(sep + 1);
  return true;
}

std::optional<RegisterKind> gateLevelRegister(const NetCell& c) {
  std::string stem, l;
  if (!splitGate(c.type, stem, l)) return std::nullopt;
  RegisterKind k;
  auto high = [&](size_t i) { return i < l.size() && l[i] == 'P'; };
  if (stem == "FF") return k;
  if (stem == "SR") {
    k.latch = true;
    k.async = {{"S", high(0)}, {"R", high(1)}};
    return k;
  }
  const bool latch = stem == "DLATCH" || stem == "DLATCHSR";
  const bool flop = stem == "DFF" || stem == "DFFE" || stem == "SDFF" || stem == "SDFFE" || stem == "SDFFCE" ||
                    stem == "DFFSR" || stem == "DFFSRE" || stem == "ALDFF" || stem == "ALDFFE";
  if ((!latch && !flop) || l.empty()) return std::nullopt;
  k.latch = latch;
  k.clockPin = latch ? "E" : "C";
  k.risingEdge = high(0);
  if (stem == "DFFSR" || stem == "DFFSRE" || stem == "DLATCHSR") {
    k.async = {{"S", high(1)}, {"R", high(2)}};
  } else if (stem == "ALDFF" || stem == "ALDFFE") {
    k.async = {{"L", high(1)}};
  } else if (stem.rfind("SDFF", 0) == 0) {
    k.syncReset = true;
  } else if ((stem == "DFF" || stem == "DLATCH") && l.size() == 3) {
    k.async = {{"R", high(1)}};
  } else if (stem == "DFFE" && l.size() == 4) {
    k.async = {{"R", high(1)}};
  }
  return k;
}

}  // namespace

std::optional<RegisterKind> registerKindOf(const NetCell& c) {
  if (c.type.size() > 2 && c.type[1] == '_') return gateLevelRegister(c);
  return wordLevelRegister(c);
}

bool isMemoryCell(const std::string& t) { return t.rfind("$mem", 0) == 0; }

bool isMemoryWrite(const std::string& t) { return t == "$memwr" || t == "$memwr_v2"; }

CellOp cellOpOf(const NetCell& c) {
  // A constant table, built on first use.
  static const std::unordered_map<std::string_view, CellOp> table = {
      {"$pos", CellOp::Buf},        {"$buf", CellOp::Buf},          {"$_BUF_", CellOp::Buf},
      {"$not", CellOp::Not},        {"$_NOT_", CellOp::Not},        {"$and", CellOp::And},
      {"$_AND_", CellOp::And},      {"$or", CellOp::Or},            {"$_OR_", CellOp::Or},
      {"$xor", CellOp::Xor},        {"$_XOR_", CellOp::Xor},        {"$xnor", CellOp::Xnor},
      {"$_XNOR_", CellOp::Xnor},    {"$_NAND_", CellOp::Nand},      {"$_NOR_", CellOp::Nor},
      {"$_ANDNOT_", CellOp::AndNot}, {"$_ORNOT_", CellOp::OrNot},   {"$mux", CellOp::Mux},
      {"$_MUX_", CellOp::Mux},      {"$_NMUX_", CellOp::NMux},      {"$pmux", CellOp::Pmux},
      {"$reduce_and", CellOp::ReduceAnd}, {"$reduce_or", CellOp::ReduceOr}, {"$reduce_bool", CellOp::ReduceOr},
      {"$reduce_xor", CellOp::ReduceXor}, {"$reduce_xnor", CellOp::ReduceXnor}, {"$logic_not", CellOp::LogicNot},
      {"$logic_and", CellOp::LogicAnd}, {"$logic_or", CellOp::LogicOr}, {"$eq", CellOp::Eq},
      {"$eqx", CellOp::Eq},         {"$ne", CellOp::Ne},            {"$nex", CellOp::Ne},
      {"$tribuf", CellOp::Tribuf},  {"$_TBUF_", CellOp::Tribuf},
  };
  if (registerKindOf(c)) return CellOp::Register;
  if (isMemoryCell(c.type)) return CellOp::Memory;
  if (c.type.empty() || c.type[0] != '$') return CellOp::BlackBox;
  const auto it = table.find(c.type);
  return it == table.end() ? CellOp::Other : it->second;
}

bool isBitwise(CellOp op) {
  switch (op) {
    case CellOp::Buf: case CellOp::Not: case CellOp::And: case CellOp::Or: case CellOp::Xor: case CellOp::Xnor:
    case CellOp::Nand: case CellOp::Nor: case CellOp::AndNot: case CellOp::OrNot: case CellOp::Mux:
    case CellOp::NMux: case CellOp::Tribuf:
      return true;
    default:
      return false;
  }
}
