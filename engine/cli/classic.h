// The classic `tarvex` command line: `tarvex FILE [-n] 0 NOTATION` and
// `tarvex FILE [-n] 1 ...`, and the analysis run both forms share with the commands.
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "base/run_context.h"
#include "model/model.h"
#include "read/description_reader.h"
#include "read/input_importer.h"
#include "scan/scanlayout.h"

// Analysis of the circuit after the scan layout `notation` ("-1": none): the
// Graphviz graph, the analysis (with its propagation record), then the text,
// TeX and HTML tables, the parameters and the evaluation line. `whileApplied`
// sees the layout while it is still applied. False (error counted, no
// results) when the notation cannot be applied.
bool runAnalysis(Circuit& circuit, const std::string& notation, RunContext& run,
                 const std::function<void(const ScanLayout&)>& whileApplied = {});

// Runs the classic `tarvex` command line in `run`; returns the exit status.
// Input files that `importer` accepts are read by it; the optimiser form
// seeds its generator from the run's clock.
int tarvexMain(int argc, char* argv[], RunContext& run, InputImporter* importer = nullptr);
