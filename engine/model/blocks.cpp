#include "model/blocks.h"

namespace {
const std::string& noPath() {
  static const std::string empty;  // constant: the path of the top module
  return empty;
}
}  // namespace

int BlockHierarchy::add(const std::string& path) {
  if (path.empty()) return -1;
  auto [it, fresh] = numbers.try_emplace(path, count());
  if (fresh) paths.push_back(path);
  return it->second;
}

const std::string& BlockHierarchy::path(int number) const {
  return number >= 0 && number < count() ? paths[static_cast<size_t>(number)] : noPath();
}

const std::string& BlockHierarchy::moduleOf(const std::string& path) const {
  auto it = modules.find(path);
  return it == modules.end() ? noPath() : it->second;
}

std::string blockPrefix(const std::string& path, int depth) {
  if (depth <= 0) return "";
  size_t at = 0;
  for (int d = 0; d < depth; ++d) {
    at = path.find('.', at);
    if (at == std::string::npos) return path;
    if (d + 1 < depth) ++at;
  }
  return path.substr(0, at);
}
