// The modern command line: `tarvex analyse|optimise|import|help ...`, beside
// the classic forms of main.h.
#pragma once

class Clock;
class ProcessRunner;

// What the command line takes from the outside world.
struct CliEnv {
  Clock& clock;               // elapsed times and clock-drawn seeds
  ProcessRunner& processes;   // external programs (the Verilog importer)
  bool stderrIsTerminal = false;
};

// True when `word` (the first argument) selects the modern command line.
bool isCliCommand(const char* word);

// Runs the modern command line; returns the exit status: 0 success, 1 counted
// errors, 2 wrong usage (with a one-line hint on standard error).
int cliMain(int argc, char* argv[], CliEnv& env);
