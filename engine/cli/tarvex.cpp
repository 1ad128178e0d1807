// The process entry: builds the run context from the machine (standard
// error, the clocks, real processes) and hands it to the command line.
#include <unistd.h>

#include <cstdio>

#include "base/clock.h"
#include "base/diagnostics.h"
#include "cli/classic.h"
#include "cli/cli.h"
#include "read/import.h"

int main(int argc, char* argv[]) {
  Diagnostics diagnostics(stderr);
  CliEnv env{{diagnostics, systemClock(), systemProcessRunner(), std::string(), AnalysisOptions{}},
             isatty(STDERR_FILENO) != 0};
  if (argc > 1 && isCliCommand(argv[1])) return cliMain(argc, argv, env);
  DesignImporter importer(env.processes, ImportOptions{}, diagnostics);
  return tarvexMain(argc, argv, env, &importer);
}
