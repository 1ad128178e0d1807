#include <unistd.h>

#include "cli.h"
#include "clock.h"
#include "import.h"
#include "main.h"

int main(int argc, char* argv[]) {
  ProcessRunner& runner = systemProcessRunner();
  if (argc > 1 && isCliCommand(argv[1])) {
    CliEnv env{systemClock(), runner, isatty(STDERR_FILENO) != 0};
    return cliMain(argc, argv, env);
  }
  DesignImporter importer(runner, ImportOptions{});
  return tarvexMain(argc, argv, &importer);
}
