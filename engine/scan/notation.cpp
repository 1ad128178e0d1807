#include "scan/notation.h"

#include <cctype>

#include "model/model.h"

LayoutRegisters::LayoutRegisters(const Circuit& c) {
  for (Item* i = c.getIList(); i; i = i->getNext())
    if (i->isLayoutRegister()) items.push_back(i);
}

LayoutRegisters& LayoutRegisters::operator=(const LayoutRegisters& other) {
  if (this != &other) {
    items = other.items;
    lookup = std::make_unique<NameLookup>();
  }
  return *this;
}

const std::string& LayoutRegisters::name(int r) const { return items[static_cast<size_t>(r)]->getName(); }

int LayoutRegisters::indexOf(std::string_view n) const {
  if (!lookup) return -1;  // moved from
  std::call_once(lookup->made, [this] {
    lookup->byName.reserve(items.size());
    // The first register of a name in index order is the one a name refers to.
    for (size_t r = items.size(); r-- > 0;) lookup->byName[items[r]->getName()] = static_cast<int>(r);
  });
  const auto it = lookup->byName.find(n);
  return it == lookup->byName.end() ? -1 : it->second;
}

bool isClassicNotation(std::string_view text) {
  for (char ch : text)
    if (ch != '.' && (ch < '0' || ch > '9')) return false;
  return true;
}

std::string notationProblem(const std::string& notation, int nregs) {
  if (nregs <= 0) return "the circuit has no registers";
  int groups = 1;
  int digits = 0;  // digits in the current group
  for (char ch : notation) {
    if (ch == '.') {
      if (digits == 0) return "empty chain";
      ++groups;
      digits = 0;
      if (groups > nregs) return "more chains than registers";
      continue;
    }
    if (ch < '0' || ch > '9') return "only digits and '.' are allowed";
    if (ch - '0' >= nregs) return std::string("register ") + ch + " does not exist";
    if (++digits > nregs) return "a chain longer than the register count";
  }
  if (digits == 0) return "empty chain";
  return {};
}

std::string nameProblem(std::string_view name) {
  if (name.empty()) return "empty register name";
  for (char ch : name) {
    if (ch == ',' || ch == '.' || ch == '\'' || ch == '"' || std::isspace(static_cast<unsigned char>(ch)))
      return "register name '" + std::string(name) + "' cannot be written in a notation";
  }
  return {};
}

namespace {

std::string parseClassic(std::string_view text, int nregs, ScanChains& chains) {
  std::string problem = notationProblem(std::string(text), nregs);
  if (!problem.empty()) return problem;
  chains.assign(1, {});
  for (char ch : text) {
    if (ch == '.')
      chains.emplace_back();
    else
      chains.back().push_back(nregs - 1 - (ch - '0'));
  }
  return {};
}

std::string parseNamed(std::string_view text, const LayoutRegisters& regs, ScanChains& chains) {
  if (regs.count() == 0) return "the circuit has no registers";
  std::vector<bool> named(static_cast<size_t>(regs.count()), false);
  chains.assign(1, {});
  size_t start = 0;
  for (size_t k = 0; k <= text.size(); ++k) {
    if (k < text.size() && text[k] != ',' && text[k] != '.') continue;
    const std::string_view name = text.substr(start, k - start);
    start = k + 1;
    if (name.empty()) return chains.back().empty() && (k == text.size() || text[k] == '.') ? "empty chain"
                                                                                           : "empty register name";
    if (std::string problem = nameProblem(name); !problem.empty()) return problem;
    const int r = regs.indexOf(name);
    if (r < 0) return "unknown register '" + std::string(name) + "'";
    if (named[static_cast<size_t>(r)]) return "register '" + std::string(name) + "' named twice";
    named[static_cast<size_t>(r)] = true;
    chains.back().push_back(r);
    if (k < text.size() && text[k] == '.') chains.emplace_back();
  }
  return {};
}

}  // namespace

std::string parseNotation(std::string_view text, const LayoutRegisters& regs, ScanChains& chains) {
  chains.clear();
  const std::string problem =
      isClassicNotation(text) ? parseClassic(text, regs.count(), chains) : parseNamed(text, regs, chains);
  if (!problem.empty()) chains.clear();
  return problem;
}

std::string classicNotation(const ScanChains& chains, int nregs) {
  std::string text;
  for (const std::vector<int>& chain : chains) {
    bool any = false;
    for (int r : chain) {
      const int digit = nregs - 1 - r;
      if (digit < 0 || digit > 9) continue;  // digits name at most ten registers
      if (!any && !text.empty()) text.push_back('.');
      text.push_back(static_cast<char>('0' + digit));
      any = true;
    }
  }
  return text;
}

std::string namedNotation(const ScanChains& chains, const LayoutRegisters& regs, std::string* problem) {
  std::string text;
  for (const std::vector<int>& chain : chains) {
    if (chain.empty()) continue;
    if (!text.empty()) text.push_back('.');
    for (size_t k = 0; k < chain.size(); ++k) {
      const std::string& name = regs.name(chain[k]);
      if (std::string why = nameProblem(name); !why.empty()) {
        if (problem) *problem = why;
        return {};
      }
      if (k > 0) text.push_back(',');
      text += name;
    }
  }
  // Digits and points alone would read back as the classic form.
  if (!text.empty() && isClassicNotation(text)) {
    if (problem) *problem = "register names made of digits cannot be written in a notation";
    return {};
  }
  return text;
}

std::string layoutNotation(const ScanChains& chains, const LayoutRegisters& regs, std::string* problem) {
  if (usesClassicNotation(regs.count())) return classicNotation(chains, regs.count());
  return namedNotation(chains, regs, problem);
}
