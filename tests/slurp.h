// Reading a whole file in tests.
#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

// The whole content of a file ("" when it cannot be read).
inline std::string slurp(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}
