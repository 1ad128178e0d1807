#include <unistd.h>

#include "cli/cli.h"
#include "base/clock.h"
#include "read/import.h"
#include "cli/classic.h"

int main(int argc, char* argv[]) {
  ProcessRunner& runner = systemProcessRunner();
  if (argc > 1 && isCliCommand(argv[1])) {
    CliEnv env{systemClock(), runner, isatty(STDERR_FILENO) != 0};
    return cliMain(argc, argv, env);
  }
  DesignImporter importer(runner, ImportOptions{});
  return tarvexMain(argc, argv, &importer);
}
