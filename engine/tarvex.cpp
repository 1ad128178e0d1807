#include <unistd.h>

#include "cli.h"
#include "clock.h"
#include "main.h"

int main(int argc, char* argv[]) {
  if (argc > 1 && isCliCommand(argv[1])) {
    CliEnv env{systemClock(), isatty(STDERR_FILENO) != 0};
    return cliMain(argc, argv, env);
  }
  return tarvexMain(argc, argv);
}
