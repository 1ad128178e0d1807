// The hierarchy a flattened design came from: the instance path of each
// block its items were flattened out of ("u1.acc", instance names joined by
// '.'; "" for the top module itself) and the module type of each instance.
#pragma once

#include <map>
#include <string>
#include <unordered_map>
#include <vector>

class BlockHierarchy {
 public:
  // The number of block `path` (added when new); -1 for the top module ("").
  int add(const std::string& path);
  // The path of block `number`; "" for -1 or a number never handed out.
  const std::string& path(int number) const;
  // Blocks known, numbered 0..count()-1.
  int count() const { return static_cast<int>(paths.size()); }
  // Records that the instance `path` is a `module`.
  void setModule(const std::string& path, const std::string& module) { modules[path] = module; }
  // The module type of instance `path`; "" when unknown.
  const std::string& moduleOf(const std::string& path) const;
  // Instance paths with a known module type, by path.
  const std::map<std::string, std::string>& modulesByPath() const { return modules; }
  // True when some item came from a sub-module instance.
  bool any() const { return !paths.empty(); }

 private:
  std::vector<std::string> paths;
  std::unordered_map<std::string, int> numbers;
  std::map<std::string, std::string> modules;
};

// The first `depth` instance names of `path` ("a.b.c", 2 gives "a.b"); all of it when shorter.
std::string blockPrefix(const std::string& path, int depth);
