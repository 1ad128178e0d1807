#include "read/yosys_tool.h"

#include <algorithm>
#include <cctype>

namespace yosys_tool {

bool isPlainModuleName(const std::string& s) {
  constexpr size_t kMaxName = 200;
  if (s.empty() || s.size() > kMaxName || std::isdigit(static_cast<unsigned char>(s[0])) || s[0] == '$')
    return false;
  return std::all_of(s.begin(), s.end(), [](char ch) {
    const auto c = static_cast<unsigned char>(ch);
    return std::isalnum(c) || c == '_' || c == '$';
  });
}

std::string errorMessage(const std::string& out, const std::string& err) {
  std::string found, tail;
  for (const std::string* text : {&err, &out}) {
    size_t start = 0;
    while (start < text->size()) {
      size_t end = text->find('\n', start);
      if (end == std::string::npos) end = text->size();
      std::string line = text->substr(start, end - start);
      if (line.rfind("./", 0) == 0) line.erase(0, 2);
      if (line.find("ERROR") != std::string::npos) found += (found.empty() ? "" : "\n") + line;
      if (text == &err && !line.empty()) tail = line;
      start = end + 1;
    }
  }
  return !found.empty() ? found : !tail.empty() ? tail : "(no message)";
}

}  // namespace yosys_tool
