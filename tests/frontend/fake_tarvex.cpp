// A stand-in for the engine in front-end tests. It records its command line
// in "args.txt" and then behaves as FAKE_TARVEX_MODE says:
//   ok (default)  writes diffeq.par (FAKE_TARVEX_PAR, or a figure set per
//                 action) and diffeq.txt, exit status 0
//   slow          the same after half a second
//   fail          an error on standard error, exit status 1, no results
//   crash         aborts
//   nopar         exit status 0 without any result file
//   progress      three progress lines and a note on standard error, then ok
// With FAKE_TARVEX_JSON set, it also copies that result file into the folder.
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>

int main(int argc, char* argv[]) {
  std::string line;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) line += ' ';
    line += argv[i];
  }
  std::ofstream("args.txt") << line;

  const char* modeEnv = std::getenv("FAKE_TARVEX_MODE");
  const std::string mode = modeEnv != nullptr ? modeEnv : "ok";
  if (mode == "fail") {
    std::cerr << "ERROR(1): Can't open DC description file 'diffeq'!\nExiting...\n";
    return 1;
  }
  if (mode == "crash") std::abort();
  if (mode == "nopar") return 0;
  if (mode == "slow") std::this_thread::sleep_for(std::chrono::milliseconds(500));
  if (mode == "progress") {
    for (int g = 1; g <= 3; ++g)
      std::cerr << "progress generation=" << g << " stale=0 best=" << 10 * g << " elapsed=0.0" << std::endl;
    std::cerr << "note: done" << std::endl;
  }

  if (const char* json = std::getenv("FAKE_TARVEX_JSON")) {
    const std::string from = json;
    std::ifstream in(from, std::ios::binary);
    std::ofstream(from.substr(from.find_last_of('/') + 1), std::ios::binary) << in.rdbuf();
  }

  const bool design = argc > 3 && std::string(argv[3]) == "1";
  const char* parEnv = std::getenv("FAKE_TARVEX_PAR");
  const std::string par = parEnv != nullptr ? parEnv
                          : design          ? "'01.2' 372 0.456 81.7 72.0 15.385 4.444 77.500 "
                                            : "'' 330 0.123 52.4 61.2 0.000 0.000 0.000 ";
  std::ofstream("diffeq.par", std::ios::binary) << par;
  std::ofstream("diffeq.txt") << "------------------------------------------------------------\n"
                                 "\t'diffeq' testability results\n"
                                 "------------------------------------------------------------\n"
                                 "Port_name(bit_width) Con Obs Tst\n";
  return 0;
}
