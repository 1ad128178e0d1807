// NAME.json: the results of an analysis or an optimiser run in one JSON
// document (described in docs/json.md).
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "analysis/blockfigures.h"
#include "scan/notation.h"

class Circuit;
class ResultFiles;

// What a run adds to the figures of the circuit.
struct RunSummary {
  std::string method;     // "analyse" or the optimiser method
  std::string objective;  // "classic" or "graded"
  std::optional<std::uint64_t> seed;
  std::string layout;  // the notation ("" for none)
  ScanChains chains;   // register indices of the layout
  double fitness = 0.0;
  std::optional<long> visited;            // layouts evaluated (optimisers)
  std::optional<double> elapsedSeconds;  // (optimisers)
  std::optional<double> gaFitness;       // the genetic algorithm's best before the polish (ga)
  std::optional<long> polishMoves;       // improving moves of the polish (ga)
  std::optional<int> restarts;           // searches run, the best kept (ga)
  std::optional<int> bestRestart;        // the restart that found the layout (ga)
  std::optional<std::uint64_t> restartSeed;  // its seed (ga)
  std::map<std::string, std::string> unscannable;  // registers the checks exclude from layouts, and the rule
  std::optional<BlockTables> blocks;               // the figures by block (analyse of a design with hierarchy)
};

// The block tables as the "blocks" member of NAME.json.
nlohmann::ordered_json blockTablesJson(const BlockTables& tables);

// The document for `c` as last analysed, with the layout of `run` applied.
std::string resultJson(Circuit& c, const RunSummary& run);

// Writes resultJson to NAME.json among `files`; false (error counted) when
// the file cannot be written.
bool writeResultJson(Circuit& c, const RunSummary& run, const ResultFiles& files);
