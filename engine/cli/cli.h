// The modern command line: `tarvex analyse|optimise|import|help ...`, beside
// the classic forms of classic.h.
#pragma once

#include "base/run_context.h"

// What the command line takes from the outside world: the run context, and
// whether standard error is a terminal. A command with --out DIR runs with a
// copy whose result folder is DIR.
struct CliEnv : RunContext {
  bool stderrIsTerminal = false;
};

// True when `word` (the first argument) selects the modern command line.
bool isCliCommand(const char* word);

// Runs the modern command line; returns the exit status: 0 success, 1 counted
// errors, 2 wrong usage (with a one-line hint on standard error).
int cliMain(int argc, char* argv[], CliEnv& env);
