// `tarvex faultsim`: the stuck-at coverage a scan layout buys, measured by
// simulating the design's gate-level netlist; and the coverage column of
// `tarvex compare --faultsim`.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct CliEnv;
struct RunContext;
struct Comparison;
class Circuit;

// Runs `tarvex faultsim` on the words after "faultsim"; returns the exit
// status: 0 done, 1 errors reported, 2 wrong usage.
int faultsimCommand(const std::vector<std::string>& words, CliEnv& env);

// Simulates the gate-level netlist of `file` once per row of `cmp` with that
// row's layout on `c`, on the same `patterns` random patterns drawn from
// `seed`, and fills each row's coverage and the rank correlation of the
// coverage with the word-level testability of `run`'s measure. Errors are
// reported; false then.
bool addFaultCoverage(Comparison& cmp, Circuit& c, const std::string& file, const std::string& top,
                      long long patterns, std::uint64_t seed, bool unordered, RunContext& run);
