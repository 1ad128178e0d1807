#include "scan/insert/tempfile.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <unistd.h>
#include <vector>

TempFile::TempFile(const std::string& suffix) {
  const char* dir = std::getenv("TMPDIR");
  std::string pattern = std::string(dir && *dir ? dir : "/tmp") + "/tarvex-XXXXXX" + suffix;
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  const int fd = mkstemps(buf.data(), static_cast<int>(suffix.size()));
  if (fd < 0) return;
  close(fd);
  name = buf.data();
}

TempFile::~TempFile() {
  if (!name.empty()) std::remove(name.c_str());
}

bool TempFile::write(const std::string& text) {
  if (name.empty()) return false;
  std::ofstream out(name, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  return static_cast<bool>(out);
}
