#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "import.h"
#include "main.h"

int main(int argc, char* argv[]) {
  ProcessRunner& runner = systemProcessRunner();
  if (argc > 1 && std::strcmp(argv[1], "import") == 0)
    return importCommand(std::vector<std::string>(argv + 2, argv + argc), runner, std::cout);
  DesignImporter importer(runner, ImportOptions{});
  return tarvexMain(argc, argv, &importer);
}
